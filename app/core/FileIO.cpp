#include "app/core/FileIO.h"

#include "runtime/SysUtils.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool Close()
    {
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

std::string TempNameFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

} // namespace

std::string DirectoryOf(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string ReadFileBytes(const std::string& path)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw rt::EFOpenError(path, Reason(errno));
    struct stat st{};
    if (::fstat(fd.get(), &st) != 0)
        throw rt::EFOpenError(path, Reason(errno));
    if (S_ISDIR(st.st_mode))
        throw rt::EFOpenError(path, Reason(EISDIR));

    std::string bytes;
    if (st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw rt::EFOpenError(path, Reason(errno));
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void ReplaceFileAtomically(const std::string& path, std::string_view bytes)
{
    struct stat st{};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (S_ISDIR(st.st_mode) || ::access(path.c_str(), W_OK) != 0))
        throw rt::EFCreateError(path, Reason(S_ISDIR(st.st_mode) ? EISDIR : errno));

    const std::string temp = TempNameFor(path);
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() < 0)
        throw rt::EFCreateError(path, Reason(errno));

    auto fail = [&](int error) {
        fd.Close();
        ::unlink(temp.c_str());
        throw rt::EFCreateError(path, Reason(error));
    };
    if (exists)
        (void)::fchmod(fd.get(), mode);   // keep the old file's mode despite the umask

    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        fail(errno);
    if (!fd.Close()) {
        int error = errno;
        ::unlink(temp.c_str());
        throw rt::EFCreateError(path, Reason(error));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(temp.c_str());
        throw rt::EFCreateError(path, Reason(error));
    }
    // Make the rename itself durable.
    std::string dir = DirectoryOf(path);
    Fd dirFd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        (void)::fsync(dirFd.get());
}

} // namespace core
