#pragma once
// Shared inside the platform library and with its test support.
#include "platform/DeviceBus.h"
#include "platform/WinApi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace platform::detail {

// Sets the last error and returns FALSE (or the given failure value).
inline BOOL Fail(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

// A new handle value: never 0 or -1, never reused while the process runs.
HANDLE NewHandleValue();

// The bus connection of an open file handle (null and the last error set otherwise).
std::shared_ptr<BusConnection> FileConnection(HANDLE handle);
// Input-buffer count of an open file handle; false and the last error set otherwise.
bool GetInputBuffers(HANDLE handle, ULONG& count);
bool SetInputBuffers(HANDLE handle, ULONG count);

// Test support: what each handle's writer thread runs as it starts, before it takes its first
// report (empty: nothing). Returns the one before.
std::function<void()> SetWriterStart(std::function<void()> start);

std::size_t DeviceInfoSetCount();
std::size_t FileHandleCount();
std::size_t UtilityWindowCount();

// Posts WM_DEVICECHANGE / DBT_DEVNODES_CHANGED to every utility window.
void BroadcastDeviceChange();

std::string LowerAscii(std::string text);

// The routines of a built-in module by export name (module names without case).
using ModuleExports = std::unordered_map<std::string, FARPROC>;
// What the module exports now; nullopt for a module that LoadLibraryA does not find.
std::optional<ModuleExports> BuiltInExports(const std::string& module);
// Changes what the module exports; nullopt makes LoadLibraryA fail for it.
void SetBuiltInExports(const std::string& module, std::optional<ModuleExports> exports);
// The module's reference count (0: not loaded).
int ModuleRefCount(const std::string& module);

// One routine per export name, in the order of SetupApiExportNames / HidExportNames; each
// fails with ERROR_CALL_NOT_IMPLEMENTED.
const std::vector<FARPROC>& SetupApiStubs();
const std::vector<FARPROC>& HidStubs();

// The implemented routines of the device-setup and HID modules, by export name.
std::vector<std::pair<std::string, FARPROC>> SetupApiRoutines();
std::vector<std::pair<std::string, FARPROC>> HidRoutines();

// ---- the file locks of CopyLock (CopyLock.cpp), which ReplaceFile hands over ----------------

// Whether a lock of this process is on the file about to be replaced: on the file itself (old,
// when one exists) or on the name it was taken for (where there was no file).
bool FileLockOn(const struct stat* old, const std::string& target);
// After the rename: that lock goes over to fd, locked already, now the file at target.
void HandOverFileLock(const struct stat* old, const std::string& target, int fd);

} // namespace platform::detail
