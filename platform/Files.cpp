#include "platform/Files.h"

#include "runtime/SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

std::string TempNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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

// The whole new content into the open file itself, flushed.
void WriteInPlace(const std::string& path, int fd, std::string_view bytes) {
    if (::lseek(fd, 0, SEEK_SET) != 0 || !WriteAll(fd, bytes) ||
        ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0)
        throw rt::EFCreateError(path, Reason(errno));
}

} // namespace

std::string DirectoryOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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

InputFile::InputFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw rt::EFOpenError(path, Reason(errno));
    struct stat st {};
    const int error = ::fstat(fd_, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (error != 0) {
        ::close(fd_);
        throw rt::EFOpenError(path, Reason(error));
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        size_ = static_cast<std::uint64_t>(st.st_size);
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
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        throw rt::EFCreateError(path, Reason(EISDIR));
    // Open for writing now: refuses a file this process may not write, and is the way in
    // when no temporary file can be made.
    Fd old(exists ? ::open(target.c_str(), O_WRONLY | O_CLOEXEC) : -1);
    if (exists && old.get() < 0)
        throw rt::EFCreateError(path, Reason(errno));

    const std::string temp = TempNameFor(target);
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() < 0) {
        if (!exists)
            throw rt::EFCreateError(path, Reason(errno));
        WriteInPlace(path, old.get(), bytes);
        if (!old.Close())
            throw rt::EFCreateError(path, Reason(errno));
        return;
    }
    old.Close();

    auto fail = [&](int error) {
        fd.Close();
        ::unlink(temp.c_str());
        throw rt::EFCreateError(path, Reason(error));
    };
    if (exists)
        (void)::fchmod(fd.get(), mode); // keep the old file's mode despite the umask
    if (!WriteAll(fd.get(), bytes))
        fail(errno);
    if (::fsync(fd.get()) != 0)
        fail(errno);
    if (!fd.Close())
        fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        fail(errno);
    // Make the rename itself durable.
    std::string dir = DirectoryOf(target);
    Fd dirFd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        (void)::fsync(dirFd.get());
}

} // namespace platform
