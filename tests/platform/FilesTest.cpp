// The file service: whole-file and bounded reads, and the replacing write with its ways
// round a folder without write access and symbolic links.
#include "platform/Files.h"

#include "tests/app/core/TempDir.h"
#include "tests/platform/FolderNames.h"
#include "HangGuard.h"
#include "PermissionsBind.h"
#include "platform/testing/FileCalls.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform;
using platform_test::NamesIn;

namespace {

std::string CreateErrorOf(const std::string& path, std::string_view bytes) {
    try {
        ReplaceFile(path, bytes);
    } catch (const rt::EFCreateError& e) {
        return e.Message();
    }
    return "no error";
}

// The folder loses its write access while the object lives, for root too.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& dir) : dir_(dir) { ::chmod(dir_.c_str(), 0555); }
    ~ReadOnlyFolder() { ::chmod(dir_.c_str(), 0755); }

private:
    std::string dir_;
    PermissionsBind bind_;
};

// A file size limit while the object lives: writes past it fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    struct rlimit saved_ {};
    void (*handler_)(int) = nullptr;
};

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// The position of the n-th (from 0) call of that name in the log, or the log's size.
unsigned PositionOf(const std::vector<std::string>& calls, const std::string& name, int n = 0) {
    for (unsigned i = 0; i < calls.size(); ++i)
        if (calls[i] == name && n-- == 0)
            return i;
    return static_cast<unsigned>(calls.size());
}

} // namespace

TEST(Files, ReplaceCreatesAndReplacesWholeFiles) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    ReplaceFile(file, "first");
    EXPECT_EQ(TempDir::Read(file), "first");
    ReplaceFile(file, "2");
    EXPECT_EQ(TempDir::Read(file), "2");
    ReplaceFile(file, "");
    EXPECT_EQ(TempDir::Read(file), "");
    EXPECT_EQ(dir.EntryCount(), 1u); // no temporary file stays behind
}

TEST(Files, ReplaceKeepsTheModeOfTheOldFile) {
    TempDir dir;
    const std::string file = dir / "x";
    TempDir::Write(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ReplaceFile(file, "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Files, ReplaceRefusesWhatCannotBeWritten) {
    TempDir dir;
    const std::string missing = dir / "gr/gr1.txt";
    EXPECT_EQ(CreateErrorOf(missing, "x"),
              "Cannot create file \"" + missing + "\". No such file or directory");
    EXPECT_NE(CreateErrorOf(dir.path() + ".", "x").find("Is a directory"), std::string::npos);

    const std::string locked = dir / "data2.tab";
    TempDir::Write(locked, "old");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    {
        PermissionsBind bind;
        EXPECT_EQ(CreateErrorOf(locked, "new"),
                  "Cannot create file \"" + locked + "\". Permission denied");
    }
    EXPECT_EQ(TempDir::Read(locked), "old");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

// A folder without write access: no temporary file can be made beside the file.
TEST(Files, AReadOnlyFolderWritesAnExistingFileInPlace) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    TempDir::Write(file, "an old journal that is longer than the new one");
    {
        ReadOnlyFolder folder(dir.path());
        ReplaceFile(file, "new");
        ReplaceFile(file, "newer, and longer than the bytes before it");
        EXPECT_EQ(CreateErrorOf(dir / "tmp1.html", "x"),
                  "Cannot create file \"" + dir / "tmp1.html" + "\". Permission denied");
    }
    EXPECT_EQ(TempDir::Read(file), "newer, and longer than the bytes before it");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(Files, ASymbolicLinkIsFollowedNotReplaced) {
    TempDir dir;
    std::filesystem::create_directory(dir / "store");
    const std::string target = dir / "store/data2.tab";
    const std::string link = dir / "data2.tab";
    TempDir::Write(target, "old");
    std::filesystem::create_symlink("store/data2.tab", link);

    ReplaceFile(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::Read(target), "new");

    // A link to a file not yet made: the file is made where the link points.
    const std::string dangling = dir / "gr1.txt";
    std::filesystem::create_symlink("store/gr1.txt", dangling);
    ReplaceFile(dangling, "curve");
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(TempDir::Read(dir / "store/gr1.txt"), "curve");

    // A link that leads back to itself is an error, not an endless walk.
    const std::string loop = dir / "loop";
    std::filesystem::create_symlink("loop", loop);
    EXPECT_NE(CreateErrorOf(loop, "x").find("Too many levels of symbolic links"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(loop));
}

TEST(Files, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    TempDir::Write(file, old);

    // A file size limit makes the write fail part way, like a full disk.
    std::string message;
    {
        FileSizeLimit limit(16);
        message = CreateErrorOf(file, std::string(4096, 'x'));
    }

    EXPECT_EQ(message.rfind("Cannot create file \"" + file + "\". ", 0), 0u) << message;
    EXPECT_EQ(TempDir::Read(file), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

// A stale temporary file under the name a save would choose does not turn the save in place,
// and neither does a folder that is full: only a folder that refuses new files does.
TEST(Files, OnlyAFolderThatRefusesNewFilesTurnsTheSaveInPlace) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    // Names a killed process with this pid left (earlier names, a counter from 0).
    for (int n = 0; n < 64; ++n)
        TempDir::Write(file + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(n), "");
    TempDir::Write(file, "old");
    ino_t before = InodeOf(file);
    ReplaceFile(file, "new");
    EXPECT_EQ(TempDir::Read(file), "new");
    EXPECT_NE(InodeOf(file), before) << "written in place";
    EXPECT_EQ(dir.EntryCount(), 65u);

    // The temporary file's open fails with each error in turn.
    struct Case {
        int error;
        bool inPlace;
    } const cases[] = {{EACCES, true},  {EPERM, true},   {EROFS, true},   {ENOSPC, false},
                       {EDQUOT, false}, {EEXIST, false}, {EMFILE, false}, {EIO, false}};
    unsigned tempOpen = 0;
    {
        platform::test::FileCallFault watch;
        ReplaceFile(file, "old");
        tempOpen = PositionOf(watch.Calls(), "open", 1);
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::strerror(c.error));
        TempDir::Write(file, "old");
        before = InodeOf(file);
        std::string message;
        {
            platform::test::FileCallFault fault(tempOpen, c.error);
            message = CreateErrorOf(file, "new");
            EXPECT_TRUE(fault.Failed());
        }
        if (c.inPlace) {
            EXPECT_EQ(message, "no error");
            EXPECT_EQ(TempDir::Read(file), "new");
            EXPECT_EQ(InodeOf(file), before);
        } else if (c.error == EEXIST) {
            // Another name is tried.
            EXPECT_EQ(message, "no error");
            EXPECT_EQ(TempDir::Read(file), "new");
            EXPECT_NE(InodeOf(file), before);
        } else {
            EXPECT_EQ(message, "Cannot create file \"" + file + "\". " + std::strerror(c.error));
            EXPECT_EQ(TempDir::Read(file), "old");
        }
        EXPECT_EQ(dir.EntryCount(), 65u);
    }
}

// Written in place, a longer content that does not fit is refused before a byte changes.
TEST(Files, AnInPlaceWriteThatDoesNotFitLeavesTheFileUntouched) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    TempDir::Write(file, old);
    std::string message;
    {
        ReadOnlyFolder folder(dir.path());
        FileSizeLimit limit(old.size() + 8);
        message = CreateErrorOf(file, old + old);
    }
    EXPECT_EQ(message.rfind("Cannot create file \"" + file + "\". ", 0), 0u) << message;
    EXPECT_EQ(TempDir::Read(file), old);
}

// Where the file system reserves no room, the new bytes past the old end reserve it: a write
// that does not fit still leaves the file untouched.
TEST(Files, WithoutReservationsTheNewTailIsWrittenFirst) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    const std::string longer = "2" + old + old;
    unsigned reserve = 0;
    {
        TempDir::Write(file, old);
        ReadOnlyFolder folder(dir.path());
        platform::test::FileCallFault watch;
        ReplaceFile(file, longer);
        reserve = PositionOf(watch.Calls(), "posix_fallocate");
        ASSERT_LT(reserve, watch.Calls().size());
    }
    for (const bool fits : {true, false}) {
        SCOPED_TRACE(fits ? "fits" : "does not fit");
        TempDir::Write(file, old);
        std::string message;
        {
            ReadOnlyFolder folder(dir.path());
            std::optional<FileSizeLimit> limit;
            if (!fits)
                limit.emplace(old.size() + 8);
            platform::test::FileCallFault fault(reserve, EOPNOTSUPP);
            message = CreateErrorOf(file, longer);
            EXPECT_TRUE(fault.Failed());
        }
        EXPECT_EQ(message == "no error", fits) << message;
        EXPECT_EQ(TempDir::Read(file), fits ? longer : old);
    }
}

// Every system call of a save fails in turn: the file then holds its old bytes or its new
// ones, whole, and the failure is raised.
TEST(Files, EachFailedCallOfASaveLeavesTheOldOrTheNewBytesAndIsReported) {
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    struct Case {
        const char* name;
        bool readOnlyFolder;
        bool hardLink;
        std::string bytes;
    } const cases[] = {
        {"renamed, longer", false, false, old + "2\r\n"},
        {"renamed, shorter", false, false, "x"},
        {"in place, longer", true, false, old + old},
        {"in place, shorter", true, false, "x"},
        {"a hard link, longer", false, true, old + old},
        {"a hard link, shorter", false, true, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string file = dir / "data2.tab";
        auto save = [&](unsigned failAt, bool& failed) {
            TempDir::Write(file, old);
            if (c.hardLink && !std::filesystem::exists(dir / "link"))
                std::filesystem::create_hard_link(file, dir / "link");
            std::optional<ReadOnlyFolder> folder;
            if (c.readOnlyFolder)
                folder.emplace(dir.path());
            platform::test::FileCallFault fault(failAt, EIO);
            const std::string message = CreateErrorOf(file, c.bytes);
            failed = fault.Failed();
            return std::make_pair(message, fault.Calls());
        };
        bool failed = false;
        const auto [clean, calls] = save(platform::test::FileCallFault::kNever, failed);
        ASSERT_EQ(clean, "no error");
        ASSERT_EQ(TempDir::Read(file), c.bytes);
        const auto names = NamesIn(dir.path());
        for (const char* call : {"open", "write", "fsync"})
            EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end()) << call;
        for (unsigned k = 0; k < calls.size(); ++k) {
            SCOPED_TRACE("call " + std::to_string(k) + ": " + calls[k]);
            const std::string message = save(k, failed).first;
            ASSERT_TRUE(failed);
            EXPECT_EQ(message, "Cannot create file \"" + file + "\". " + std::strerror(EIO));
            const std::string now = TempDir::Read(file);
            EXPECT_TRUE(now == old || now == c.bytes) << now;
            if (c.hardLink) {
                EXPECT_EQ(TempDir::Read(dir / "link"), now);
            }
            EXPECT_EQ(NamesIn(dir.path()), names); // no temporary file stays behind
        }
    }
}

// A file with a second name keeps it: both names show the new bytes.
TEST(Files, AHardLinkKeepsBothNames) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    TempDir::Write(file, "old");
    std::filesystem::create_hard_link(file, dir / "copy");
    ReplaceFile(file, "new");
    EXPECT_EQ(TempDir::Read(dir / "copy"), "new");
    EXPECT_EQ(InodeOf(file), InodeOf(dir / "copy"));
}

TEST(Files, ReplaceKeepsTheOwnerOfTheOldFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another owner needs root";
    TempDir dir;
    const std::string file = dir / "data2.tab";
    TempDir::Write(file, "old");
    ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    ReplaceFile(file, "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(TempDir::Read(file), "new");
}

namespace {

// Runs save in a child process as another user (uid, primary group gid and the groups); its
// result, or nullopt where this process cannot take those ids (not root).
std::optional<bool> AsUser(uid_t uid, gid_t gid, std::vector<gid_t> groups,
                           const std::function<bool()>& save) {
    if (::geteuid() != 0)
        return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
            ::setresuid(uid, uid, uid) != 0)
            ::_exit(3);
        ::_exit(save() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 3)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

// A save's outcome as a child reports it: true when it raised nothing.
bool Saves(const std::string& file, const std::string& bytes) {
    const std::string message = CreateErrorOf(file, bytes);
    if (message != "no error")
        std::fprintf(stderr, "%s\n", message.c_str());
    return message == "no error";
}

// Two users of a lab and their shared group.
constexpr uid_t kFirst = 4501, kSecond = 4502;
constexpr gid_t kLab = 4600;

} // namespace

// A folder shared by a group (not set-gid), the journal the group's: a save by the second user
// keeps the journal the group's, so the first user goes on saving it.
TEST(Files, ASaveByAnotherUserOfTheGroupKeepsTheGroup) {
    TempDir root;
    ASSERT_EQ(::chmod(root.path().c_str(), 0755), 0);
    const std::string lab = root / "lab/";
    ASSERT_EQ(::mkdir(lab.c_str(), 0700), 0);
    ASSERT_EQ(::chown(lab.c_str(), kFirst, kLab), 0);
    ASSERT_EQ(::chmod(lab.c_str(), 0775), 0);
    const std::string file = lab + "data2.tab";
    TempDir::Write(file, "the first user's");
    ASSERT_EQ(::chown(file.c_str(), kFirst, kLab), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    const ino_t inode = InodeOf(file);

    const auto second = AsUser(kSecond, kSecond, {kSecond, kLab}, [&] { return Saves(file, "2"); });
    if (!second)
        GTEST_SKIP() << "another user's ids cannot be taken";
    EXPECT_TRUE(*second);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, kLab);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(TempDir::Read(file), "2");
    EXPECT_NE(InodeOf(file), inode) << "replaced by a new file";

    EXPECT_EQ(AsUser(kFirst, kFirst, {kFirst, kLab}, [&] { return Saves(file, "1"); }), true);
    EXPECT_EQ(TempDir::Read(file), "1");
    EXPECT_EQ(NamesIn(lab), std::vector<std::string>{"data2.tab"});
}

// A sticky folder (as /tmp) and a journal another user owns that this user may write: the
// rename is refused, so the journal is written in place and stays its owner's.
TEST(Files, ASaveInAStickyFolderOfAnotherUsersFileIsWrittenInPlace) {
    TempDir root;
    ASSERT_EQ(::chmod(root.path().c_str(), 0755), 0);
    const std::string sticky = root / "shared/";
    ASSERT_EQ(::mkdir(sticky.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(sticky.c_str(), 01777), 0);
    const std::string file = sticky + "data2.tab";
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    TempDir::Write(file, old);
    ASSERT_EQ(::chown(file.c_str(), kFirst, kLab), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
    const ino_t inode = InodeOf(file);

    for (const std::string& bytes : {old + old, std::string("x")}) {
        const auto second =
            AsUser(kSecond, kSecond, {kSecond, kLab}, [&] { return Saves(file, bytes); });
        if (!second)
            GTEST_SKIP() << "another user's ids cannot be taken";
        EXPECT_TRUE(*second);
        EXPECT_EQ(TempDir::Read(file), bytes);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, kFirst);
        EXPECT_EQ(st.st_gid, kLab);
        EXPECT_EQ(st.st_ino, inode);
        EXPECT_EQ(NamesIn(sticky), std::vector<std::string>{"data2.tab"}) << "no temporary left";
    }
    // A file this user may not write stays refused.
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    EXPECT_EQ(AsUser(kSecond, kSecond, {kSecond, kLab}, [&] { return Saves(file, "no"); }), false);
    EXPECT_EQ(TempDir::Read(file), "x");
}

// A FIFO, a device or a link to one is refused at once and stays as it was.
TEST(Files, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir / "data2.tab";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    // A device node of the test's own where it may make one: a system's node is never put at
    // risk.
    const std::string node = ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
                                 ? dir / "null"
                                 : "/dev/null";
    const std::string device = dir / "gr1.txt";
    std::filesystem::create_symlink(node, device);
    for (const std::string& path : {fifo, device}) {
        SCOPED_TRACE(path);
        HangGuard guard(fifo);
        EXPECT_EQ(CreateErrorOf(path, "new"),
                  "Cannot create file \"" + path + "\". Not a regular file");
        try {
            InputFile in(path);
            ADD_FAILURE() << "no error";
        } catch (const rt::EFOpenError& e) {
            EXPECT_EQ(e.Message(), "Cannot open file \"" + path + "\". Not a regular file");
        }
        EXPECT_THROW(ReadFileBytes(path), rt::EFOpenError);
        EXPECT_FALSE(guard.Hung());
    }
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::stat(node.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_TRUE(std::filesystem::is_symlink(device));
    EXPECT_EQ(dir.EntryCount(), node == "/dev/null" ? 2u : 3u);
}

TEST(Files, StaleTemporariesAreRemovedAndNothingElse) {
    TempDir dir;
    const std::vector<std::string> ours = {"data2.tab.tmp-0123456789abcdef", "gr1.txt.tmp17-0",
                                           "tmp1.html.tmp4194304-12"};
    const std::vector<std::string> others = {"data2.tab",
                                             "data2.tab.bak",
                                             "notes.tmp",
                                             "x.tmp12",
                                             "x.tmp-3",
                                             "x.tmp1-2a",
                                             ".tmp1-2",
                                             "x.tmp-0123456789ABCDEF",
                                             "x.tmp-0123456789abcde",
                                             "x.tmp1-"};
    for (const auto& name : ours)
        TempDir::Write(dir / name, "stale");
    for (const auto& name : others)
        TempDir::Write(dir / name, "keep");
    std::filesystem::create_directory(dir / "y.tmp1-2");
    std::filesystem::create_symlink("data2.tab", dir / "z.tmp1-2");
    RemoveStaleTemporaries(dir.path());
    std::vector<std::string> left = others;
    left.push_back("y.tmp1-2");
    left.push_back("z.tmp1-2");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(NamesIn(dir.path()), left);
    EXPECT_EQ(TempDir::Read(dir / "data2.tab"), "keep");
    RemoveStaleTemporaries(dir / "missing/"); // a folder that is not there: nothing happens
}

TEST(Files, LinkTarget) {
    TempDir dir;
    std::filesystem::create_symlink("store/data2.tab", dir / "data2.tab");
    std::filesystem::create_symlink("loop", dir / "loop");
    EXPECT_EQ(LinkTarget(dir / "data2.tab"), dir / "store/data2.tab");
    EXPECT_EQ(LinkTarget(dir / "loop"), dir / "loop");
    EXPECT_EQ(LinkTarget(dir / "none"), dir / "none");
}

namespace {

// A small tmpfs mounted on a fresh folder while the object lives (root only).
class SmallTmpfs {
public:
    SmallTmpfs() {
        error_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, "size=64k,nr_inodes=32") == 0
                     ? 0
                     : errno;
    }
    ~SmallTmpfs() {
        if (error_ == 0)
            ::umount2(dir_.path().c_str(), MNT_DETACH);
    }
    // The reason it could not be mounted, "" when it is.
    std::string Refusal() const {
        if (error_ == 0)
            return {};
        return "mounting a tmpfs failed: " + std::string(std::strerror(error_)) +
               (::geteuid() == 0 ? "" : " (not root)");
    }
    std::string operator/(const std::string& name) const { return dir_ / name; }
    const std::string& path() const { return dir_.path(); }

    // Writes into a new file until the file system is full.
    void FillSpace() {
        const std::string filler = dir_ / "filler";
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {}
        ::close(fd);
    }
    // Makes empty files until no inode is left.
    void FillInodes() {
        for (int i = 0;; ++i) {
            const std::string name = dir_ / ("inode" + std::to_string(i));
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0) {
                ASSERT_EQ(errno, ENOSPC);
                return;
            }
            ::close(fd);
        }
    }
    void RemountReadOnly() {
        ASSERT_EQ(::mount(nullptr, dir_.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
                  0)
            << std::strerror(errno);
    }

private:
    TempDir dir_;
    int error_ = 0;
};

} // namespace

// A full disk, no free inode and a read-only file system: the journal stays whole and the
// failure is raised.
TEST(Files, AFullOrReadOnlyFileSystemLeavesTheJournalWhole) {
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    const std::string longer = old + std::string(16384, 'n');
    enum class Fill { Space, SpaceReadOnlyFolder, Inodes, ReadOnly };
    struct Case {
        const char* name;
        Fill fill;
        std::string error;
    } const cases[] = {
        {"no space", Fill::Space, std::strerror(ENOSPC)},
        {"no space, written in place", Fill::SpaceReadOnlyFolder, std::strerror(ENOSPC)},
        {"no free inode", Fill::Inodes, std::strerror(ENOSPC)},
        {"a read-only file system", Fill::ReadOnly, std::strerror(EROFS)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SmallTmpfs fs;
        if (!fs.Refusal().empty())
            GTEST_SKIP() << fs.Refusal();
        const std::string file = fs / "data2.tab";
        TempDir::Write(file, old);
        std::optional<ReadOnlyFolder> folder;
        switch (c.fill) {
        case Fill::Space: fs.FillSpace(); break;
        case Fill::SpaceReadOnlyFolder:
            fs.FillSpace();
            folder.emplace(fs.path());
            break;
        case Fill::Inodes: fs.FillInodes(); break;
        case Fill::ReadOnly: fs.RemountReadOnly(); break;
        }
        const auto names = NamesIn(fs.path());
        EXPECT_EQ(CreateErrorOf(file, longer), "Cannot create file \"" + file + "\". " + c.error);
        EXPECT_EQ(TempDir::Read(file), old);
        EXPECT_EQ(NamesIn(fs.path()), names);
        folder.reset();
    }
}

TEST(Files, ReadsStopAtTheSizeTheFileHadWhenOpened) {
    TempDir dir;
    const std::string file = dir / "curve";
    TempDir::Write(file, "Mabc");
    InputFile in(file);
    EXPECT_EQ(in.Size(), 4u);
    EXPECT_EQ(in.Read(1), "M");
    EXPECT_EQ(in.Read(10), "abc");
    EXPECT_EQ(in.Read(10), "");
    EXPECT_EQ(ReadFileBytes(file), "Mabc");

    // What is not a regular file has no size: an endless device reads as empty.
    // What is not a regular file is refused: an endless device is never read.
    EXPECT_THROW(ReadFileBytes("/dev/zero"), rt::EFOpenError);
}

TEST(Files, ReadingWhatIsNoFileRaisesTheOpenError) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    try {
        ReadFileBytes(file);
        FAIL() << "no error";
    } catch (const rt::EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + file + "\". No such file or directory");
    }
    EXPECT_THROW(ReadFileBytes(dir.path()), rt::EFOpenError);
    EXPECT_THROW(InputFile{dir.path()}, rt::EFOpenError);
}

TEST(Files, FileExists) {
    TempDir dir;
    EXPECT_FALSE(FileExists(dir / "gr1.txt"));
    TempDir::Write(dir / "gr1.txt", "");
    EXPECT_TRUE(FileExists(dir / "gr1.txt"));
    EXPECT_FALSE(FileExists(dir.path()));
}

TEST(Files, DirectoryOf) {
    EXPECT_EQ(DirectoryOf("/opt/cp/coldpoint"), "/opt/cp/");
    EXPECT_EQ(DirectoryOf("coldpoint"), "");
    EXPECT_EQ(DirectoryOf("/x"), "/");
}
