#pragma once
// Shared inside the platform library only.
#include "platform/DeviceBus.h"
#include "platform/WinApi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::detail {

// Counts a call of a platform routine (and logs it while the call log runs).
void CountCall(const char* routine, std::uint64_t argument = 0);

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

std::size_t DeviceInfoSetCount();
std::size_t FileHandleCount();
std::size_t UtilityWindowCount();

// Posts WM_DEVICECHANGE / DBT_DEVNODES_CHANGED to every utility window.
void BroadcastDeviceChange();

std::string LowerAscii(std::string text);

// One routine per export name, in the order of SetupApiExportNames / HidExportNames; each
// fails with ERROR_CALL_NOT_IMPLEMENTED.
const std::vector<FARPROC>& SetupApiStubs();
const std::vector<FARPROC>& HidStubs();

// The implemented routines of the device-setup and HID modules, by export name.
std::vector<std::pair<std::string, FARPROC>> SetupApiRoutines();
std::vector<std::pair<std::string, FARPROC>> HidRoutines();

} // namespace platform::detail
