#pragma once
// The Windows services the HID layer and the application call, declared with their Win32
// names and Win32-like signatures. Handles, module handles and window handles are 32-bit
// values; a closed or invalid file handle is -1.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// ---- Basic types ---------------------------------------------------------------------------

using BOOL = std::int32_t;
using BOOLEAN = std::uint8_t;
using BYTE = std::uint8_t;
using UCHAR = std::uint8_t;
using CHAR = char;
using WCHAR = char16_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using WORD = std::uint16_t;
using INT = std::int32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using NTSTATUS = std::int32_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using PVOID = void*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using PCSTR = const char*;
using PBYTE = std::uint8_t*;
using PDWORD = DWORD*;
using LPDWORD = DWORD*;
using PULONG = ULONG*;

using HANDLE = std::int32_t;
using HMODULE = std::int32_t;
using HINSTANCE = std::int32_t;
using HWND = std::int32_t;
using HDEVINFO = HANDLE;

#ifndef TRUE
constexpr BOOL TRUE = 1;
#endif
#ifndef FALSE
constexpr BOOL FALSE = 0;
#endif
constexpr HANDLE INVALID_HANDLE_VALUE = -1;
constexpr DWORD INFINITE = 0xFFFFFFFFu;

// A routine looked up by name; cast it to its own type before calling it.
using FARPROC = void (*)();

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
bool operator==(const GUID& a, const GUID& b);
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
using LPGUID = GUID*;
using LPCGUID = const GUID*;

// ---- Error codes (GetLastError) ------------------------------------------------------------

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_NOT_FOUND = 1168;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_TIMEOUT = 1460;
constexpr DWORD ERROR_INVALID_USER_BUFFER = 1784;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020Bu;

// ---- File and wait constants ---------------------------------------------------------------

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
constexpr DWORD WAIT_IO_COMPLETION = 0x000000C0u;
constexpr DWORD WAIT_TIMEOUT = 0x00000102u;

// ---- Device setup --------------------------------------------------------------------------

constexpr DWORD DIGCF_DEFAULT = 0x00000001u;
constexpr DWORD DIGCF_PRESENT = 0x00000002u;
constexpr DWORD DIGCF_ALLCLASSES = 0x00000004u;
constexpr DWORD DIGCF_PROFILE = 0x00000008u;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x00000010u;

constexpr DWORD SPINT_ACTIVE = 0x00000001u;

// Device registry property codes.
constexpr DWORD SPDRP_DEVICEDESC = 0;
constexpr DWORD SPDRP_HARDWAREID = 1;
constexpr DWORD SPDRP_COMPATIBLEIDS = 2;
constexpr DWORD SPDRP_SERVICE = 4;
constexpr DWORD SPDRP_CLASS = 7;
constexpr DWORD SPDRP_CLASSGUID = 8;
constexpr DWORD SPDRP_DRIVER = 9;
constexpr DWORD SPDRP_CONFIGFLAGS = 10;
constexpr DWORD SPDRP_MFG = 11;
constexpr DWORD SPDRP_FRIENDLYNAME = 12;
constexpr DWORD SPDRP_LOCATION_INFORMATION = 13;
constexpr DWORD SPDRP_PHYSICAL_DEVICE_OBJECT_NAME = 14;
constexpr DWORD SPDRP_CAPABILITIES = 15;
constexpr DWORD SPDRP_UI_NUMBER = 16;
constexpr DWORD SPDRP_UPPERFILTERS = 17;
constexpr DWORD SPDRP_LOWERFILTERS = 18;
constexpr DWORD SPDRP_BUSTYPEGUID = 19;
constexpr DWORD SPDRP_LEGACYBUSTYPE = 20;
constexpr DWORD SPDRP_BUSNUMBER = 21;
constexpr DWORD SPDRP_ENUMERATOR_NAME = 22;
constexpr DWORD SPDRP_SECURITY_SDS = 24;
constexpr DWORD SPDRP_DEVTYPE = 25;
constexpr DWORD SPDRP_EXCLUSIVE = 26;
constexpr DWORD SPDRP_CHARACTERISTICS = 27;
constexpr DWORD SPDRP_ADDRESS = 28;
constexpr DWORD SPDRP_REMOVAL_POLICY = 31;

// Registry value types of the property reads.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

struct SP_DEVINFO_DATA {
    DWORD cbSize; // 28
    GUID ClassGuid;
    DWORD DevInst; // device instance number
    DWORD Reserved;
};
using PSP_DEVINFO_DATA = SP_DEVINFO_DATA*;

struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize; // 28
    GUID InterfaceClassGuid;
    DWORD Flags;
    DWORD Reserved;
};
using PSP_DEVICE_INTERFACE_DATA = SP_DEVICE_INTERFACE_DATA*;

// Variable length: the NUL-terminated path follows the 4-byte size field.
struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
    DWORD cbSize; // 5
    CHAR DevicePath[1];
};
using PSP_DEVICE_INTERFACE_DETAIL_DATA_A = SP_DEVICE_INTERFACE_DETAIL_DATA_A*;

constexpr DWORD kDevInfoDataSize = 28;
constexpr DWORD kDeviceInterfaceDataSize = 28;
constexpr DWORD kDeviceInterfaceDetailDataSize = 5;
constexpr DWORD kDevicePathOffset = 4;

// ---- HID -----------------------------------------------------------------------------------

struct HIDD_ATTRIBUTES {
    ULONG Size; // 12
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
};
using PHIDD_ATTRIBUTES = HIDD_ATTRIBUTES*;

struct HIDP_CAPS {
    USHORT Usage;
    USHORT UsagePage;
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT NumberLinkCollectionNodes;
    USHORT NumberInputButtonCaps;
    USHORT NumberInputValueCaps;
    USHORT NumberInputDataIndices;
    USHORT NumberOutputButtonCaps;
    USHORT NumberOutputValueCaps;
    USHORT NumberOutputDataIndices;
    USHORT NumberFeatureButtonCaps;
    USHORT NumberFeatureValueCaps;
    USHORT NumberFeatureDataIndices;
};
using PHIDP_CAPS = HIDP_CAPS*;

// Opaque data that HidD_GetPreparsedData hands out and HidP_GetCaps reads.
struct HIDP_PREPARSED_DATA;
using PHIDP_PREPARSED_DATA = HIDP_PREPARSED_DATA*;

constexpr NTSTATUS HIDP_STATUS_SUCCESS = 0x00110000;
constexpr NTSTATUS HIDP_STATUS_INVALID_PREPARSED_DATA = static_cast<NTSTATUS>(0xC0110001u);
constexpr NTSTATUS HIDP_STATUS_NOT_IMPLEMENTED = static_cast<NTSTATUS>(0xC0110020u);

// ---- Overlapped I/O ------------------------------------------------------------------------

struct OVERLAPPED {
    ULONG_PTR Internal;     // error code of the completed request
    ULONG_PTR InternalHigh; // bytes transferred
    DWORD Offset;
    DWORD OffsetHigh;
    void* hEvent; // not used by ReadFileEx: free for the caller (may hold a pointer)
};
using LPOVERLAPPED = OVERLAPPED*;

using LPOVERLAPPED_COMPLETION_ROUTINE = void (*)(DWORD dwErrorCode, DWORD dwNumberOfBytesTransfered,
                                                 LPOVERLAPPED lpOverlapped);

// ---- Version -------------------------------------------------------------------------------

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize; // sizeof(OSVERSIONINFOA)
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

// ---- Window messages -----------------------------------------------------------------------

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr UINT WM_USER = 0x0400;
constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
constexpr HWND HWND_BROADCAST = 0xFFFF;

// The message record a utility window's procedure receives; the procedure sets Result.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};
using TWndMethod = std::function<void(TMessage& message)>;

// ---- Format message ------------------------------------------------------------------------

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200u;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000u;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FFu;

// ---- Kernel --------------------------------------------------------------------------------

// C names, as the platform's: test programs can stand in for a routine at link time.
extern "C" {

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// Built-in modules only: "SetupApi.dll", "HID.dll", "kernel32.dll" (names without case, the
// ".dll" ending may be left out). Reference counted; kernel32 stays loaded.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName); // names with case
BOOL FreeLibrary(HMODULE hLibModule);
HMODULE GetModuleHandleA(LPCSTR lpModuleName); // no reference taken
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   void* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// Synchronous write (lpOverlapped must be null): hands one output report to the device and
// waits at most 200 ms for it to be taken. A report not taken by then stays in flight (the
// handle's own thread goes on writing it, also after the handle is closed) and the call fails
// with ERROR_TIMEOUT, as does every write of the handle until that report has gone.
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
// Starts one read on an overlapped handle; the routine runs in this thread's next alertable
// wait once the read has ended (a report, a cancel, a close or the device's removal).
BOOL ReadFileEx(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                LPOVERLAPPED lpOverlapped, LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine);
// Alertable: runs the calling thread's completion routines and returns WAIT_IO_COMPLETION,
// or returns 0 when the time is up.
DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable);
void Sleep(DWORD dwMilliseconds);
BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                         LPDWORD lpNumberOfBytesTransferred, BOOL bWait);
// Cancels the reads that the calling thread started on the handle.
BOOL CancelIo(HANDLE hFile);
// Closes a file or device-information handle; reads pending on it end (from any thread).
BOOL CloseHandle(HANDLE hObject);

BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
BOOL SetCurrentDirectoryA(LPCSTR lpPathName);
DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
DWORD GetTickCount();

// FORMAT_MESSAGE_FROM_SYSTEM only: the text of an error code, into the buffer.
DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     LPSTR lpBuffer, DWORD nSize, void* Arguments);
} // extern "C"

// The text of an error code without a trailing line break, as the class library gives it.
std::string SysErrorMessage(DWORD code);

// ---- Utility windows and messages ----------------------------------------------------------

extern "C" {

// A hidden window whose procedure is the given method; its messages run on the main thread.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND wnd);
// Queues the message into the main-thread queue (HWND_BROADCAST: to every utility window).
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Main thread: calls the window's procedure at once.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL IsWindow(HWND hWnd);

} // extern "C"
