// Version, directories, ticks and the texts of error codes.
#include "platform/Internal.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

namespace platform::detail {
namespace {

// The version the HID layer's extra entry points are chosen by: Windows XP.
OSVERSIONINFOA ReportedVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    info.dwMajorVersion = 5;
    info.dwMinorVersion = 1;
    info.dwBuildNumber = 2600;
    info.dwPlatformId = VER_PLATFORM_WIN32_NT;
    return info;
}

DWORD FromErrno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
    }
}

const char* MessageText(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS: return "The operation succeeded.";
    case ERROR_INVALID_FUNCTION: return "The function is not valid here.";
    case ERROR_FILE_NOT_FOUND: return "No such file or device.";
    case ERROR_PATH_NOT_FOUND: return "No such path.";
    case ERROR_ACCESS_DENIED: return "Access denied.";
    case ERROR_INVALID_HANDLE: return "The handle is not valid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Out of memory.";
    case ERROR_INVALID_DATA: return "The data is not valid.";
    case ERROR_GEN_FAILURE: return "The device does not work.";
    case ERROR_SHARING_VIOLATION: return "The device is in use by another program.";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.";
    case ERROR_INVALID_PARAMETER: return "A parameter is not valid.";
    case ERROR_CALL_NOT_IMPLEMENTED: return "The routine is not implemented on this system.";
    case ERROR_INSUFFICIENT_BUFFER: return "The buffer is too small.";
    case ERROR_MOD_NOT_FOUND: return "The module was not found.";
    case ERROR_PROC_NOT_FOUND: return "The routine was not found.";
    case ERROR_NO_MORE_ITEMS: return "There are no more items.";
    case ERROR_OPERATION_ABORTED: return "The I/O operation was cancelled.";
    case ERROR_IO_INCOMPLETE: return "The I/O operation has not ended yet.";
    case ERROR_IO_PENDING: return "The I/O operation is in progress.";
    case ERROR_DEVICE_NOT_CONNECTED: return "The device is not connected.";
    case ERROR_NOT_FOUND: return "Not found.";
    case ERROR_INVALID_WINDOW_HANDLE: return "The window handle is not valid.";
    case ERROR_INVALID_USER_BUFFER: return "The buffer is not valid for this request.";
    case ERROR_NO_SUCH_DEVINST: return "The device instance does not exist.";
    default: return nullptr;
    }
}

} // namespace
} // namespace platform::detail

using namespace platform::detail;

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation)
        return Fail(ERROR_INVALID_PARAMETER);
    if (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    *lpVersionInformation = ReportedVersion();
    return TRUE;
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (::chdir(lpPathName) != 0)
        return Fail(FromErrno(errno));
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    char path[PATH_MAX];
    if (!::getcwd(path, sizeof path))
        return Fail(FromErrno(errno)), 0;
    const DWORD length = static_cast<DWORD>(std::strlen(path));
    if (!lpBuffer || nBufferLength <= length)
        return length + 1;  // the size needed, NUL included
    std::memcpy(lpBuffer, path, length + 1);
    return length;
}

DWORD GetTickCount() {
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string SysErrorMessage(DWORD code) {
    if (const char* text = MessageText(code))
        return text;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "Unknown error %u.", static_cast<unsigned>(code));
    return buffer;
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPSTR lpBuffer, DWORD nSize, void* Arguments) {
    (void)lpSource;
    (void)dwLanguageId;
    (void)Arguments;
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || !lpBuffer)
        return Fail(ERROR_INVALID_PARAMETER), 0;
    const char* text = MessageText(dwMessageId);
    if (!text)
        return Fail(ERROR_NOT_FOUND), 0;
    std::string message = text;
    if (!(dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK))
        message += "\r\n";
    if (nSize <= message.size())
        return Fail(ERROR_INSUFFICIENT_BUFFER), 0;
    std::memcpy(lpBuffer, message.c_str(), message.size() + 1);
    return static_cast<DWORD>(message.size());
}
