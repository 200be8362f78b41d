#include "platform/CopyLock.h"

#include "platform/Files.h"
#include "platform/Internal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// A file lock of a CopyLock: the file a name led to and the descriptor that holds its lock
// (-1 while the folder's lock stands in for a file not made yet).
struct FileLock {
    unsigned id = 0;
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
    int fd = -1;
};

std::mutex registryLock;
std::list<FileLock> registry;
unsigned nextId = 1;

FileLock* Find(const struct stat* old, const std::string& target) {
    for (FileLock& lock : registry)
        if ((old && lock.fd >= 0 && lock.dev == old->st_dev && lock.ino == old->st_ino) ||
            lock.path == target)
            return &lock;
    return nullptr;
}

// 0, or the error of the lock.
int LockNow(int fd) {
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

// A regular file opened to hold its lock (its content is never touched), or -1.
int OpenToLock(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    for (int mode : {O_RDONLY, O_WRONLY}) {
        const int fd = ::open(path.c_str(), mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0)
            return fd;
    }
    return -1;
}

} // namespace

namespace detail {

bool FileLockOn(const struct stat* old, const std::string& target) {
    std::lock_guard<std::mutex> guard(registryLock);
    return Find(old, target) != nullptr;
}

void HandOverFileLock(const struct stat* old, const std::string& target, int fd) {
    std::lock_guard<std::mutex> guard(registryLock);
    FileLock* lock = Find(old, target);
    struct stat st {};
    if (lock == nullptr || ::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    if (lock->fd >= 0)
        ::close(lock->fd);
    lock->fd = fd;
    lock->dev = st.st_dev;
    lock->ino = st.st_ino;
}

} // namespace detail

CopyLock::CopyLock(const std::vector<std::string>& folders, const std::vector<std::string>& files) {
    // Taken by another: all is let go at once.
    if (!Take(folders, files))
        Release();
}

bool CopyLock::Take(const std::vector<std::string>& folders,
                    const std::vector<std::string>& files) {
    std::vector<std::pair<dev_t, ino_t>> locked;
    // The first lock that cannot be taken is said; the others are still taken, so that an
    // operator who goes on holds what can be held.
    auto failed = [&](const std::string& where, int error) {
        if (state_ != State::Held)
            return;
        state_ = State::Failed;
        where_ = where;
        reason_ = std::strerror(error);
    };
    // Locks what fd leads to unless this object has it already; false when another holder
    // has it. fd is this object's afterwards, or closed.
    auto lock = [&](int fd, const std::string& where, bool folder) {
        struct stat st {};
        int error = 0;
        if (::fstat(fd, &st) != 0) {
            error = errno;
        } else if (std::find(locked.begin(), locked.end(), std::pair(st.st_dev, st.st_ino)) !=
                   locked.end()) {
            ::close(fd);
            return true;
        } else if (error = LockNow(fd); error == 0) {
            locked.emplace_back(st.st_dev, st.st_ino);
            if (folder) {
                folders_.push_back(fd);
            } else {
                std::lock_guard<std::mutex> guard(registryLock);
                registry.push_back({nextId, where, st.st_dev, st.st_ino, fd});
                files_.push_back(nextId++);
            }
            return true;
        }
        ::close(fd);
        if (error != EWOULDBLOCK) {
            failed(where, error);
            return true;
        }
        state_ = State::Taken;
        where_ = where;
        reason_ = std::strerror(error);
        return false;
    };
    // A folder that is not there needs no lock; one that is there but cannot be opened fails.
    auto lockFolder = [&](const std::string& dir) {
        const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            return lock(fd, dir, true);
        if (errno != ENOENT && errno != ENOTDIR)
            failed(dir, errno);
        return true;
    };
    for (const std::string& dir : folders)
        if (!lockFolder(dir))
            return false;
    for (const std::string& file : files) {
        const std::string target = LinkTarget(file);
        if (const int fd = OpenToLock(target); fd >= 0) {
            if (!lock(fd, target, false))
                return false;
            continue;
        }
        // No file to lock (yet): its folder stands in, and ReplaceFile locks the file it makes.
        if (!lockFolder(DirectoryOf(target)))
            return false;
        std::lock_guard<std::mutex> guard(registryLock);
        registry.push_back({nextId, target, 0, 0, -1});
        files_.push_back(nextId++);
    }
    return true;
}

CopyLock::~CopyLock() { Release(); }

void CopyLock::Release() {
    for (int fd : folders_)
        ::close(fd);
    folders_.clear();
    std::lock_guard<std::mutex> guard(registryLock);
    registry.remove_if([this](const FileLock& lock) {
        if (std::find(files_.begin(), files_.end(), lock.id) == files_.end())
            return false;
        if (lock.fd >= 0)
            ::close(lock.fd);
        return true;
    });
    files_.clear();
}

} // namespace platform
