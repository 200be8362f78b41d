#include "platform/linux/Errors.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace hidraw {
namespace {

DWORD Common(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EBADF: // a descriptor opened without the access the call needs
        return ERROR_ACCESS_DENIED;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case EINVAL:
    case EMSGSIZE:
    case EFAULT: return ERROR_INVALID_PARAMETER;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENOTTY:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
    }
}

} // namespace

DWORD ErrorFromOpen(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO:
    case ENODEV: return ERROR_FILE_NOT_FOUND;
    default: return Common(error);
    }
}

DWORD ErrorFromIo(int error) {
    switch (error) {
    case ENODEV:
    case ENXIO:
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
    case ENOTCONN:
    case ENOENT:
    // a USB transfer to a device that has gone: no answer on the wire, or cancelled
    case EPROTO:
    case EILSEQ:
    case ETIME:
    case ECONNRESET: return ERROR_DEVICE_NOT_CONNECTED;
    default: return Common(error);
    }
}

namespace {

std::string Cause(const std::string& what, int error) {
    return what + ": " + std::generic_category().message(error);
}

} // namespace

void TraceFailure(const std::string& what, int error) {
    std::fprintf(stderr, "coldpoint: %s\n", Cause(what, error).c_str());
}

void TraceOnce::Failed(const std::string& what, int error) { Failed(Cause(what, error)); }

void TraceOnce::Failed(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (text == last_)
        return;
    last_ = text;
    std::fprintf(stderr, "coldpoint: %s\n", text.c_str());
}

void TraceOnce::Succeeded() {
    std::lock_guard<std::mutex> lock(mutex_);
    last_.clear();
}

} // namespace hidraw
