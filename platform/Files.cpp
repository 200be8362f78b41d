#include "platform/Files.h"

#include "platform/FolderList.h"
#include "platform/Internal.h"
#include "runtime/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        Close();
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    bool Close() {
        if (fd_ < 0)
            return true;
        int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

std::string Reason(int error) { return std::strerror(error); }

constexpr const char* kNotRegular = "Not a regular file";

// Temporary files are named "<file>.tmp-<16 hex digits>"; "<file>.tmp<pid>-<n>" is the name
// earlier versions used.
constexpr std::string_view kTempMark = ".tmp";
constexpr std::size_t kTempDigits = 16;

std::string TempNameFor(const std::string& path) {
    static thread_local std::mt19937_64 random{std::random_device{}() ^
                                               (static_cast<std::uint64_t>(::getpid()) << 32)};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string name = path + std::string(kTempMark) + "-";
    std::uint64_t bits = random();
    for (std::size_t i = 0; i < kTempDigits; ++i, bits >>= 4)
        name += kHex[bits & 15];
    return name;
}

bool AllOf(std::string_view s, const char* set) {
    return !s.empty() && s.find_first_not_of(set) == std::string_view::npos;
}

// The file a path names: the end of its chain of symbolic links (which need not exist yet),
// else the path itself.
std::string FollowLinks(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(at.c_str(), buffer, sizeof buffer);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer)
            throw rt::EFCreateError(path, Reason(n < 0 ? errno : ENAMETOOLONG));
        std::string next(buffer, static_cast<std::size_t>(n));
        at = next.starts_with('/') ? next : DirectoryOf(at) + next;
    }
    throw rt::EFCreateError(path, Reason(ELOOP));
}

// Opens a regular file without waiting on what is no file (a FIFO without a writer or
// reader); st receives its status. Returns the error, 0 on success, -1 for what is not a
// regular file (EISDIR for a directory).
int OpenRegular(const std::string& path, int flags, Fd& fd, struct stat& st) {
    fd.reset(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    if (::fstat(fd.get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return -1;
    const int status = ::fcntl(fd.get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return errno;
    return 0;
}

std::string ReasonOf(int error) { return error < 0 ? kNotRegular : Reason(error); }

// Writes all bytes at the file's position; false with errno set on failure.
bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads the file from its start up to size bytes; false with errno set on failure.
bool ReadAll(int fd, std::uint64_t size, std::string& bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t have = 0;
    while (have < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    bytes.resize(have);
    return true;
}

// The file's content from its start, made exactly bytes; false with errno set on failure.
bool Overwrite(int fd, std::string_view bytes) {
    return ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
           ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
}

// The whole new content into the open file itself, flushed. The space for it is reserved
// first, so a full disk refuses the write before a byte is changed; a write that fails
// later puts the old bytes back.
void WriteInPlace(const std::string& path, int fd, std::string_view bytes) {
    struct stat st {};
    std::string old;
    if (::fstat(fd, &st) != 0 || !ReadAll(fd, static_cast<std::uint64_t>(st.st_size), old))
        throw rt::EFCreateError(path, Reason(errno == EBADF ? EACCES : errno)); // write-only
    if (bytes.size() > old.size()) {
        const off_t end = static_cast<off_t>(old.size());
        int error = ::posix_fallocate(fd, end, static_cast<off_t>(bytes.size() - old.size()));
        // A file system that reserves nothing: the new bytes past the old end reserve it.
        if (error == EOPNOTSUPP || error == ENOSYS || error == EINVAL)
            error = ::lseek(fd, end, SEEK_SET) == end && WriteAll(fd, bytes.substr(old.size()))
                        ? 0
                        : errno;
        if (error != 0) {
            struct stat now {};
            if (::fstat(fd, &now) == 0 && now.st_size != static_cast<off_t>(old.size()))
                (void)::ftruncate(fd, static_cast<off_t>(old.size()));
            throw rt::EFCreateError(path, Reason(error));
        }
    }
    if (!Overwrite(fd, bytes)) {
        const int error = errno;
        if (Overwrite(fd, old))
            (void)::fsync(fd);
        throw rt::EFCreateError(path, Reason(error));
    }
    if (::fsync(fd) != 0)
        throw rt::EFCreateError(path, Reason(errno));
}

// Creates a temporary file beside target under a name no other file has; the error when
// none can be made.
int CreateTemporary(const std::string& target, mode_t mode, std::string& name, Fd& fd) {
    for (int tries = 0; tries < 100; ++tries) {
        name = TempNameFor(target);
        fd.reset(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fd.get() >= 0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// The errors of a folder that does not let this process make a file in it.
bool NoNewFileAllowed(int error) { return error == EACCES || error == EPERM || error == EROFS; }

} // namespace

std::string DirectoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LinkTarget(const std::string& path) {
    try {
        return FollowLinks(path);
    } catch (const rt::EFCreateError&) {
        return path;
    }
}

bool RenameFile(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    const int error = errno;
    if (error == ENOENT && !PathTaken(from))
        return false;
    throw rt::EFCreateError(to, Reason(error));
}

bool PathTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsTemporaryName(std::string_view name) {
    const auto mark = name.rfind(kTempMark);
    if (mark == std::string_view::npos || mark == 0)
        return false;
    const std::string_view tail = name.substr(mark + kTempMark.size());
    if (tail.size() == kTempDigits + 1 && tail[0] == '-' &&
        AllOf(tail.substr(1), "0123456789abcdef"))
        return true;
    const auto dash = tail.find('-');
    return dash != std::string_view::npos && AllOf(tail.substr(0, dash), "0123456789") &&
           AllOf(tail.substr(dash + 1), "0123456789");
}

void RemoveStaleTemporaries(const std::string& dir) {
    std::string prefix = dir;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    for (const std::string& name : FolderNames(dir)) {
        if (!IsTemporaryName(name))
            continue;
        const std::string path = prefix + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            (void)::unlink(path.c_str());
    }
}

InputFile::InputFile(const std::string& path) : path_(path) {
    // What is no file is refused before it is opened: opening a device can act on it.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        throw rt::EFOpenError(path, kNotRegular);
    Fd fd;
    const int error = OpenRegular(path, O_RDONLY, fd, st);
    if (error != 0)
        throw rt::EFOpenError(path, ReasonOf(error));
    size_ = static_cast<std::uint64_t>(st.st_size);
    fd_ = fd.release();
}

InputFile::~InputFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string InputFile::Read(std::uint64_t count) {
    std::string bytes;
    char buffer[65536];
    while (count > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof buffer));
        ssize_t n = ::read(fd_, buffer, want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw rt::EFOpenError(path_, Reason(errno));
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        count -= static_cast<std::uint64_t>(n);
    }
    return bytes;
}

std::string ReadFileBytes(const std::string& path) {
    InputFile file(path);
    return file.Read(file.Size());
}

void ReplaceFile(const std::string& path, std::string_view bytes) {
    const std::string target = FollowLinks(path);
    struct stat st {};
    const bool exists = ::lstat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        throw rt::EFCreateError(path, Reason(errno));
    // Only a regular file is replaced: a device, a FIFO or a socket is refused unopened.
    if (exists && S_ISDIR(st.st_mode))
        throw rt::EFCreateError(path, Reason(EISDIR));
    if (exists && !S_ISREG(st.st_mode))
        throw rt::EFCreateError(path, kNotRegular);
    // Open for writing now: refuses a file this process may not write, and is the way in
    // when the file is not replaced by a new one.
    Fd old;
    if (exists) {
        int error = OpenRegular(target, O_RDWR, old, st);
        if (error == EACCES)
            error = OpenRegular(target, O_WRONLY, old, st);
        if (error != 0)
            throw rt::EFCreateError(path, ReasonOf(error));
    }
    auto inPlace = [&] {
        WriteInPlace(path, old.get(), bytes);
        if (!old.Close())
            throw rt::EFCreateError(path, Reason(errno));
    };
    // A file with more than one name is written in place: a rename would part the names.
    if (exists && st.st_nlink > 1)
        return inPlace();

    std::string temp;
    Fd fd;
    const int created = CreateTemporary(target, exists ? 0600 : 0666, temp, fd);
    if (created != 0) {
        // Only a folder that lets no file be made (not a full disk, not a stale name) turns
        // the write in place.
        if (!exists || !NoNewFileAllowed(created))
            throw rt::EFCreateError(path, Reason(created));
        return inPlace();
    }
    auto fail = [&](int error) {
        fd.Close();
        ::unlink(temp.c_str());
        throw rt::EFCreateError(path, Reason(error));
    };
    if (exists) {
        // The old file's owner and group, where this process may give them; the group alone
        // where only it may be given (a user of a shared group saving another's file).
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
            ::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
            if (errno != EPERM)
                fail(errno);
            if (st.st_gid != ::getegid() &&
                ::fchown(fd.get(), static_cast<uid_t>(-1), st.st_gid) != 0 && errno != EPERM)
                fail(errno);
        }
        if (::fchmod(fd.get(), st.st_mode & 07777) != 0 && errno != EPERM)
            fail(errno);
    }
    // A lock this process holds on the file goes over to the new one: taken on it before it
    // takes the name, so that the name is never without it. Where the file system takes no
    // lock now (any error but another holder's), the file is saved without it, and the next
    // save tries again.
    Fd lock;
    if (detail::FileLockOn(exists ? &st : nullptr, target)) {
        lock.reset(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 0));
        if (lock.get() < 0)
            fail(errno);
        if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                fail(errno);
            lock.Close();
        }
    }
    if (!WriteAll(fd.get(), bytes))
        fail(errno);
    if (::fsync(fd.get()) != 0)
        fail(errno);
    if (!fd.Close())
        fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        // A folder that refuses the rename for permission (a sticky folder, the file another
        // user's) gets the file written in place, as one that refuses new files does.
        if (!exists || !NoNewFileAllowed(error))
            fail(error);
        lock.Close();
        ::unlink(temp.c_str());
        return inPlace();
    }
    if (lock.get() >= 0)
        detail::HandOverFileLock(exists ? &st : nullptr, target, lock.release());
    if (!old.Close())
        throw rt::EFCreateError(path, Reason(errno));
    // Make the rename itself durable. A folder this process may not read cannot be flushed;
    // one whose file system flushes no folders reports EINVAL.
    const std::string dir = DirectoryOf(target);
    Fd dirFd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0) {
        if (errno == EACCES)
            return;
        throw rt::EFCreateError(path, Reason(errno));
    }
    if (::fsync(dirFd.get()) != 0 && errno != EINVAL)
        throw rt::EFCreateError(path, Reason(errno));
    if (!dirFd.Close())
        throw rt::EFCreateError(path, Reason(errno));
}

} // namespace platform
