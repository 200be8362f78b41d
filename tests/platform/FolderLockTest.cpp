// The folder lock: one holder at a time, across processes and within one, on a read-only
// folder too, and gone with its holder.
#include "platform/FolderLock.h"

#include "PermissionsBind.h"
#include "tests/app/core/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::FolderLock;

namespace {

// The child's exit code: 0 when it found the lock taken, 1 when it got it, 2 otherwise.
int ChildTries(const std::string& dir) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        FolderLock lock(dir);
        ::_exit(lock.TakenByAnother() ? 0 : lock.Held() ? 1 : 2);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(FolderLock, OneHolderAtATime) {
    TempDir dir;
    {
        FolderLock first(dir.path());
        ASSERT_TRUE(first.Held());
        // A second lock of the same process conflicts as another process's does.
        FolderLock second(dir.path());
        EXPECT_TRUE(second.TakenByAnother());
        EXPECT_FALSE(second.Held());
        EXPECT_EQ(ChildTries(dir.path()), 0);
    }
    // Released with its holder.
    EXPECT_EQ(ChildTries(dir.path()), 1);
    FolderLock again(dir.path());
    EXPECT_TRUE(again.Held());
}

TEST(FolderLock, GoesWithTheProcessThatHeldIt) {
    TempDir dir;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        FolderLock lock(dir.path());
        // Ends without running any destructor.
        ::_exit(lock.Held() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(FolderLock(dir.path()).Held());
}

TEST(FolderLock, AReadOnlyFolderIsLockedToo) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    {
        PermissionsBind bind;
        FolderLock first(dir.path());
        EXPECT_TRUE(first.Held());
        EXPECT_TRUE(FolderLock(dir.path()).TakenByAnother());
    }
    ::chmod(dir.path().c_str(), 0755);
}

TEST(FolderLock, AFolderThatDoesNotExistLocksNothing) {
    TempDir dir;
    FolderLock lock(dir / "none");
    EXPECT_EQ(lock.Status(), FolderLock::State::NoFolder);
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(lock.TakenByAnother());
}
