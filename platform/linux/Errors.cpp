#include "platform/linux/Errors.h"

#include <cerrno>

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

} // namespace hidraw
