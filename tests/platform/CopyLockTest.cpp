// The copy lock: one holder at a time, across processes and within one, whatever names lead
// to the folders and files it locks (symbolic links, hard links, linked folders), a file's
// lock following the file through its replaces, on a read-only folder too, gone with its
// holder, and a lock that cannot be taken said as such.
#include "platform/CopyLock.h"

#include "PermissionsBind.h"
#include "platform/Files.h"
#include "platform/testing/FileCalls.h"
#include "tests/app/core/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::CopyLock;

namespace {

namespace fs = std::filesystem;

// The places a copy of the program in the folder locks: the folder, gr/ and data2.tab.
CopyLock LockOf(const std::string& dir) {
    return CopyLock({dir, dir + "gr/"}, {dir + "data2.tab"});
}

// Another process that runs take (which takes a lock, leaves it held and says whether it
// holds it) and keeps what it took until the object goes.
class OtherProcess {
public:
    explicit OtherProcess(const std::function<bool()>& take) {
        if (::pipe(ready_) != 0 || ::pipe(done_) != 0)
            return;
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            const char held = take() ? '1' : '0';
            char c = 0;
            if (::write(ready_[1], &held, 1) != 1 || ::read(done_[0], &c, 1) < 0)
                ::_exit(2);
            ::_exit(0);
        }
        char c = 0;
        held_ = ::read(ready_[0], &c, 1) == 1 && c == '1';
    }
    ~OtherProcess() {
        if (pid_ > 0) {
            const char c = 'x';
            if (::write(done_[1], &c, 1) != 1)
                ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        for (int fd : {ready_[0], ready_[1], done_[0], done_[1]})
            if (fd >= 0)
                ::close(fd);
    }
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;
    bool Held() const { return held_; }

private:
    int ready_[2] = {-1, -1};
    int done_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool held_ = false;
};

// The child's exit code: 0 when it found the lock taken, 1 when it got it, 2 otherwise.
int ChildTries(const std::string& dir) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        CopyLock lock({dir}, {});
        ::_exit(lock.TakenByAnother() ? 0 : lock.Held() ? 1 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(CopyLock, OneHolderAtATime) {
    TempDir dir;
    {
        CopyLock first({dir.path()}, {});
        ASSERT_TRUE(first.Held());
        // A second lock of the same process conflicts as another process's does.
        CopyLock second({dir.path()}, {});
        EXPECT_TRUE(second.TakenByAnother());
        EXPECT_FALSE(second.Held());
        EXPECT_EQ(second.Where(), dir.path());
        EXPECT_EQ(ChildTries(dir.path()), 0);
    }
    // Released with its holder.
    EXPECT_EQ(ChildTries(dir.path()), 1);
    CopyLock again({dir.path()}, {});
    EXPECT_TRUE(again.Held());
}

TEST(CopyLock, GoesWithTheProcessThatHeldIt) {
    TempDir dir;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        CopyLock lock = LockOf(dir.path());
        // Ends without running any destructor.
        ::_exit(lock.Held() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(LockOf(dir.path()).Held());
}

TEST(CopyLock, AReadOnlyFolderIsLockedToo) {
    TempDir dir;
    TempDir::Write(dir / "data2.tab", "journal");
    ASSERT_EQ(::chmod((dir / "data2.tab").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    {
        PermissionsBind bind;
        CopyLock first = LockOf(dir.path());
        EXPECT_TRUE(first.Held());
        EXPECT_TRUE(LockOf(dir.path()).TakenByAnother());
        EXPECT_TRUE(CopyLock({}, {dir / "data2.tab"}).TakenByAnother());
    }
    ::chmod(dir.path().c_str(), 0755);
}

TEST(CopyLock, WhatDoesNotExistNeedsNoLock) {
    TempDir dir;
    CopyLock lock({dir / "none"}, {dir / "none/data2.tab"});
    EXPECT_TRUE(lock.Held());
    EXPECT_TRUE(CopyLock({dir / "none"}, {dir / "none/data2.tab"}).Held());
}

// Two copies in two folders that reach one journal or one curve folder by other names: the
// second meets the first one's lock, though the first replaced its journal meanwhile.
TEST(CopyLock, AnotherNameMeetsTheSameLock) {
    struct Case {
        const char* name;
        std::function<void(const std::string& a, const std::string& b)> link;
    } const cases[] = {
        {"data2.tab a symbolic link",
         [](const std::string& a, const std::string& b) {
             fs::create_symlink(a + "data2.tab", b + "data2.tab");
         }},
        {"data2.tab a relative symbolic link through a linked folder",
         [](const std::string& a, const std::string& b) {
             fs::create_directory_symlink(a, b + "shared");
             fs::create_symlink("shared/data2.tab", b + "data2.tab");
         }},
        {"data2.tab a hard link",
         [](const std::string& a, const std::string& b) {
             fs::create_hard_link(a + "data2.tab", b + "data2.tab");
         }},
        {"gr a symbolic link",
         [](const std::string& a, const std::string& b) {
             TempDir::Write(b + "data2.tab", "own");
             fs::create_directory_symlink(a + "gr", b + "gr");
         }},
        {"data2.tab a link to a journal not made yet",
         [](const std::string& a, const std::string& b) {
             fs::remove(a + "data2.tab");
             fs::create_symlink(a + "data2.tab", b + "data2.tab");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        const std::string a = root / "a/", b = root / "b/";
        fs::create_directories(a + "gr");
        fs::create_directories(b);
        TempDir::Write(a + "data2.tab", "journal");
        c.link(a, b);
        const OtherProcess first([&] {
            const auto* lock = new CopyLock(LockOf(a)); // held until the process ends
            // Saves that replace the journal by a new file: the lock goes with it.
            for (const char* bytes : {"1", "2"})
                platform::ReplaceFile(a + "data2.tab", bytes);
            return lock->Held();
        });
        ASSERT_TRUE(first.Held());
        EXPECT_EQ(TempDir::Read(a + "data2.tab"), "2");
        const CopyLock second = LockOf(b);
        EXPECT_TRUE(second.TakenByAnother()) << second.Where();
    }
}

// Copies whose journals are two files of one folder, each its own, both run.
TEST(CopyLock, TwoJournalsInOneFolderAreTwoLocks) {
    TempDir root;
    const std::string a = root / "a/", b = root / "b/", shared = root / "shared/";
    for (const std::string& dir : {a, b, shared})
        fs::create_directories(dir);
    TempDir::Write(shared + "a.tab", "a");
    TempDir::Write(shared + "b.tab", "b");
    fs::create_symlink(shared + "a.tab", a + "data2.tab");
    fs::create_symlink(shared + "b.tab", b + "data2.tab");
    const CopyLock first = LockOf(a);
    ASSERT_TRUE(first.Held());
    EXPECT_TRUE(LockOf(b).Held());
}

// A copy's own names that lead to one folder (gr/ a link to the program's folder, a journal
// not made yet whose folder stands in) do not stop that copy.
TEST(CopyLock, NamesOfOneFolderAreLockedOnce) {
    TempDir dir;
    fs::create_directory_symlink(".", dir / "gr");
    CopyLock lock = LockOf(dir.path());
    EXPECT_TRUE(lock.Held()) << lock.Where() << ": " << lock.Reason();
    EXPECT_TRUE(LockOf(dir.path()).TakenByAnother());
}

// A lock that cannot be taken (a file system without locks, a folder that cannot be opened)
// is said as such, with what and why: it is not taken for one that no other holder has.
TEST(CopyLock, ALockThatCannotBeTakenIsSaid) {
    TempDir dir;
    TempDir::Write(dir / "data2.tab", "journal");
    {
        platform::test::FileCallFault fault("flock", ENOLCK);
        CopyLock lock = LockOf(dir.path());
        EXPECT_TRUE(fault.Failed());
        EXPECT_EQ(lock.Status(), CopyLock::State::Failed);
        EXPECT_EQ(lock.Where(), dir.path());
        EXPECT_EQ(lock.Reason(), std::strerror(ENOLCK));
    }
    EXPECT_TRUE(LockOf(dir.path()).Held()) << "nothing stays locked";

    fs::create_directory(dir / "gr");
    ASSERT_EQ(::chmod((dir / "gr").c_str(), 0300), 0);
    {
        PermissionsBind bind;
        CopyLock lock = LockOf(dir.path());
        EXPECT_EQ(lock.Status(), CopyLock::State::Failed);
        EXPECT_EQ(lock.Where(), dir / "gr/");
        EXPECT_EQ(lock.Reason(), std::strerror(EACCES));
        // What can be locked is held.
        EXPECT_TRUE(CopyLock({dir.path()}, {}).TakenByAnother());
        EXPECT_TRUE(CopyLock({}, {dir / "data2.tab"}).TakenByAnother());
    }
    ::chmod((dir / "gr").c_str(), 0755);
}

// A copy that goes on without its locks (the operator chose to) saves its journal as any
// other: the first save makes it where there was none, a later one replaces it. Where locks
// stop working after the start, a save goes through without the lock, and the next save that
// can take it puts it on the file again.
TEST(CopyLock, ALockThatCannotBeTakenStopsNoSave) {
    for (bool made : {true, false}) {
        SCOPED_TRACE(made ? "a journal" : "no journal yet");
        TempDir dir;
        if (made)
            TempDir::Write(dir / "data2.tab", "journal");
        platform::test::FileCallFault fault("flock", ENOLCK);
        const CopyLock lock = LockOf(dir.path());
        ASSERT_EQ(lock.Status(), CopyLock::State::Failed);
        for (const char* bytes : {"records", "more records"}) {
            EXPECT_NO_THROW(platform::ReplaceFile(dir / "data2.tab", bytes));
            EXPECT_EQ(TempDir::Read(dir / "data2.tab"), bytes);
        }
    }

    TempDir dir;
    const std::string journal = dir / "data2.tab";
    TempDir::Write(journal, "journal");
    const CopyLock lock = LockOf(dir.path());
    ASSERT_TRUE(lock.Held());
    {
        platform::test::FileCallFault fault("flock", ENOLCK);
        EXPECT_NO_THROW(platform::ReplaceFile(journal, "records"));
        EXPECT_TRUE(fault.Failed());
    }
    EXPECT_EQ(TempDir::Read(journal), "records");
    platform::ReplaceFile(journal, "more records");
    EXPECT_EQ(TempDir::Read(journal), "more records");
    EXPECT_TRUE(CopyLock({}, {journal}).TakenByAnother());
}

// Within one process: the journal's lock is on the file that a save puts in its place, and on
// the file that the first save makes where there was none.
TEST(CopyLock, TheLockFollowsTheJournalThroughItsSaves) {
    for (bool made : {true, false}) {
        SCOPED_TRACE(made ? "a journal" : "no journal yet");
        TempDir dir;
        const std::string journal = dir / "data2.tab";
        if (made)
            TempDir::Write(journal, "old");
        fs::create_directory(dir / "elsewhere");
        fs::create_symlink(journal, dir / "elsewhere/data2.tab");
        {
            CopyLock first({}, {journal});
            ASSERT_TRUE(first.Held());
            struct stat before {};
            ::stat(journal.c_str(), &before);
            platform::ReplaceFile(journal, "new");
            struct stat after {};
            ::stat(journal.c_str(), &after);
            EXPECT_NE(after.st_ino, before.st_ino) << "replaced by a new file";
            EXPECT_TRUE(CopyLock({}, {journal}).TakenByAnother());
            EXPECT_TRUE(CopyLock({}, {dir / "elsewhere/data2.tab"}).TakenByAnother());
        }
        EXPECT_TRUE(CopyLock({}, {journal}).Held());
    }
}
