// The file service's system calls, wrapped at link time: each __wrap_X notes the call on the
// thread that watches and fails the chosen one, else hands it to __real_X (the C library's X).
#include "platform/testing/FileCalls.h"

#include <cerrno>
#include <cstdarg>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::test {
namespace {

struct Watch {
    unsigned failAt;
    int error;
    std::string failName;
    bool failed = false;
    std::vector<std::string> calls;
};

thread_local Watch* watch = nullptr;

// True when the call is to fail (errno is then set).
bool Fails(const char* name) {
    Watch* w = watch;
    if (w == nullptr)
        return false;
    const bool fail = w->calls.size() == w->failAt || w->failName == name;
    w->calls.emplace_back(name);
    if (!fail)
        return false;
    w->failed = true;
    errno = w->error;
    return true;
}

} // namespace

const std::vector<std::string>& WrappedFileCalls() {
    static const std::vector<std::string> calls = {
        "open",   "close",     "read",   "write",  "lseek",           "fstat",  "fcntl", "fsync",
        "rename", "ftruncate", "fchown", "fchmod", "posix_fallocate", "unlink", "flock"};
    return calls;
}

FileCallFault::FileCallFault(unsigned failAt, int error) {
    watch = new Watch{failAt, error, {}, false, {}};
}

FileCallFault::FileCallFault(const std::string& call, int error) {
    watch = new Watch{kNever, error, call, false, {}};
}

FileCallFault::~FileCallFault() {
    delete watch;
    watch = nullptr;
}

std::vector<std::string> FileCallFault::Calls() const { return watch->calls; }

bool FileCallFault::Failed() const { return watch->failed; }

} // namespace platform::test

using platform::test::Fails;

extern "C" {
int __real_open(const char* path, int flags, ...);
int __real_close(int fd);
ssize_t __real_read(int fd, void* buffer, size_t count);
ssize_t __real_write(int fd, const void* buffer, size_t count);
off_t __real_lseek(int fd, off_t offset, int whence);
int __real_fstat(int fd, struct stat* st);
int __real_fcntl(int fd, int command, ...);
int __real_fsync(int fd);
int __real_rename(const char* from, const char* to);
int __real_ftruncate(int fd, off_t length);
int __real_fchown(int fd, uid_t owner, gid_t group);
int __real_fchmod(int fd, mode_t mode);
int __real_posix_fallocate(int fd, off_t offset, off_t length);
int __real_unlink(const char* path);
int __real_flock(int fd, int operation);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    return Fails("open") ? -1 : __real_open(path, flags, mode);
}
int __wrap_close(int fd) {
    if (Fails("close")) {
        __real_close(fd); // the descriptor is gone whatever close reports
        return -1;
    }
    return __real_close(fd);
}
ssize_t __wrap_read(int fd, void* buffer, size_t count) {
    return Fails("read") ? -1 : __real_read(fd, buffer, count);
}
ssize_t __wrap_write(int fd, const void* buffer, size_t count) {
    return Fails("write") ? -1 : __real_write(fd, buffer, count);
}
off_t __wrap_lseek(int fd, off_t offset, int whence) {
    return Fails("lseek") ? -1 : __real_lseek(fd, offset, whence);
}
int __wrap_fstat(int fd, struct stat* st) { return Fails("fstat") ? -1 : __real_fstat(fd, st); }
int __wrap_fcntl(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    void* argument = va_arg(args, void*);
    va_end(args);
    return Fails("fcntl") ? -1 : __real_fcntl(fd, command, argument);
}
int __wrap_fsync(int fd) { return Fails("fsync") ? -1 : __real_fsync(fd); }
int __wrap_rename(const char* from, const char* to) {
    return Fails("rename") ? -1 : __real_rename(from, to);
}
int __wrap_ftruncate(int fd, off_t length) {
    return Fails("ftruncate") ? -1 : __real_ftruncate(fd, length);
}
int __wrap_fchown(int fd, uid_t owner, gid_t group) {
    return Fails("fchown") ? -1 : __real_fchown(fd, owner, group);
}
int __wrap_fchmod(int fd, mode_t mode) { return Fails("fchmod") ? -1 : __real_fchmod(fd, mode); }
// Reports its error as its value, not in errno.
int __wrap_posix_fallocate(int fd, off_t offset, off_t length) {
    return Fails("posix_fallocate") ? errno : __real_posix_fallocate(fd, offset, length);
}
int __wrap_unlink(const char* path) { return Fails("unlink") ? -1 : __real_unlink(path); }
int __wrap_flock(int fd, int operation) {
    return Fails("flock") ? -1 : __real_flock(fd, operation);
}
}
