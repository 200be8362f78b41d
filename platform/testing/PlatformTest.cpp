// Counts and logs the platform's routines for tests: the routines that callers reach directly
// are wrapped at link time (each __wrap_X counts and calls __real_X), the routines of the
// built-in modules are swapped in the module registry for counting ones.
#include "platform/testing/PlatformTest.h"

#include "platform/DeviceApi.h"
#include "platform/Internal.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <utility>

// The routines callers reach by name. Test programs link with --wrap=X for each: their calls
// of X reach __wrap_X, and __real_X is the platform's X.
extern "C" {
decltype(::LoadLibraryA) __real_LoadLibraryA;
decltype(::GetProcAddress) __real_GetProcAddress;
decltype(::FreeLibrary) __real_FreeLibrary;
decltype(::GetModuleHandleA) __real_GetModuleHandleA;
decltype(::GetModuleFileNameA) __real_GetModuleFileNameA;
decltype(::CreateFileA) __real_CreateFileA;
decltype(::WriteFile) __real_WriteFile;
decltype(::ReadFileEx) __real_ReadFileEx;
decltype(::SleepEx) __real_SleepEx;
decltype(::GetOverlappedResult) __real_GetOverlappedResult;
decltype(::CancelIo) __real_CancelIo;
decltype(::CloseHandle) __real_CloseHandle;
decltype(::GetVersionExA) __real_GetVersionExA;
decltype(::SetCurrentDirectoryA) __real_SetCurrentDirectoryA;
decltype(::GetCurrentDirectoryA) __real_GetCurrentDirectoryA;
decltype(::FormatMessageA) __real_FormatMessageA;
decltype(::AllocateHWnd) __real_AllocateHWnd;
decltype(::DeallocateHWnd) __real_DeallocateHWnd;
decltype(::PostMessageA) __real_PostMessageA;
decltype(::SendMessageA) __real_SendMessageA;
decltype(::DefWindowProcA) __real_DefWindowProcA;

decltype(::LoadLibraryA) __wrap_LoadLibraryA;
decltype(::GetProcAddress) __wrap_GetProcAddress;
decltype(::FreeLibrary) __wrap_FreeLibrary;
decltype(::GetModuleHandleA) __wrap_GetModuleHandleA;
decltype(::GetModuleFileNameA) __wrap_GetModuleFileNameA;
decltype(::CreateFileA) __wrap_CreateFileA;
decltype(::WriteFile) __wrap_WriteFile;
decltype(::ReadFileEx) __wrap_ReadFileEx;
decltype(::SleepEx) __wrap_SleepEx;
decltype(::GetOverlappedResult) __wrap_GetOverlappedResult;
decltype(::CancelIo) __wrap_CancelIo;
decltype(::CloseHandle) __wrap_CloseHandle;
decltype(::GetVersionExA) __wrap_GetVersionExA;
decltype(::SetCurrentDirectoryA) __wrap_SetCurrentDirectoryA;
decltype(::GetCurrentDirectoryA) __wrap_GetCurrentDirectoryA;
decltype(::FormatMessageA) __wrap_FormatMessageA;
decltype(::AllocateHWnd) __wrap_AllocateHWnd;
decltype(::DeallocateHWnd) __wrap_DeallocateHWnd;
decltype(::PostMessageA) __wrap_PostMessageA;
decltype(::SendMessageA) __wrap_SendMessageA;
decltype(::DefWindowProcA) __wrap_DefWindowProcA;
}

namespace platform::test {
namespace {

struct Counts {
    std::mutex mutex;
    std::map<std::string, unsigned, std::less<>> counts; // looked up without a copy
    bool logging = false;
    std::vector<Call> log;
};

Counts& TheCounts() {
    static Counts counts;
    return counts;
}

void Note(std::string_view routine, std::uint64_t argument = 0, const char* text = nullptr) {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    auto it = c.counts.find(routine);
    if (it == c.counts.end())
        it = c.counts.emplace(std::string(routine), 0).first;
    ++it->second;
    if (c.logging)
        c.log.push_back({std::string(routine), argument, text ? text : ""});
}

// What GetVersionExA answers in place of the platform while a test has set it.
struct Version {
    std::mutex mutex;
    bool set = false;
    std::optional<OSVERSIONINFOA> reported;
};

Version& TheVersion() {
    static Version v;
    return v;
}

// ---- Counting routines of the built-in modules -----------------------------------------

template <std::size_t N>
struct Name {
    char text[N];
    constexpr Name(const char (&s)[N]) { std::copy_n(s, N, text); }
};

// A routine of known type: counted with one of its arguments (Arg < 0: none).
template <Name N, class F, int Arg>
struct Counted;

template <Name N, class R, class... A, int Arg>
struct Counted<N, R (*)(A...), Arg> {
    static inline R (*original)(A...) = nullptr;
    static R Call(A... a) {
        if constexpr (Arg < 0)
            Note(N.text);
        else
            Note(N.text, static_cast<std::uint64_t>(std::get<Arg>(std::tie(a...))));
        return original(a...);
    }
};

struct Wrapper {
    std::string_view name;
    FARPROC (*wrap)(FARPROC original);
};

template <Name N, class F, int Arg = -1>
constexpr Wrapper Wrap() {
    return {N.text, [](FARPROC original) {
                Counted<N, F, Arg>::original = reinterpret_cast<F>(original);
                return reinterpret_cast<FARPROC>(&Counted<N, F, Arg>::Call);
            }};
}

// The implemented routines, each with the argument it is counted with.
constexpr Wrapper kTyped[] = {
    Wrap<"SetupDiGetClassDevsA", TSetupDiGetClassDevsA, 3>(),
    Wrap<"SetupDiEnumDeviceInterfaces", TSetupDiEnumDeviceInterfaces, 3>(),
    Wrap<"SetupDiGetDeviceInterfaceDetailA", TSetupDiGetDeviceInterfaceDetailA, 3>(),
    Wrap<"SetupDiGetDeviceRegistryPropertyA", TSetupDiGetDeviceRegistryPropertyA, 2>(),
    Wrap<"SetupDiDestroyDeviceInfoList", TSetupDiDestroyDeviceInfoList>(),
    Wrap<"HidD_GetHidGuid", THidD_GetHidGuid>(),
    Wrap<"HidD_GetPreparsedData", THidD_GetPreparsedData>(),
    Wrap<"HidD_FreePreparsedData", THidD_FreePreparsedData>(),
    Wrap<"HidP_GetCaps", THidP_GetCaps>(),
    Wrap<"HidD_GetNumInputBuffers", THidD_GetNumInputBuffers>(),
    Wrap<"HidD_SetNumInputBuffers", THidD_SetNumInputBuffers, 1>(),
    Wrap<"HidD_GetAttributes", THidD_GetAttributes>(),
    Wrap<"HidD_GetProductString", THidD_GetProductString, 2>(),
    Wrap<"HidD_GetManufacturerString", THidD_GetManufacturerString, 2>(),
    Wrap<"HidD_GetSerialNumberString", THidD_GetSerialNumberString, 2>(),
    Wrap<"HidD_GetIndexedString", THidD_GetIndexedString, 1>(),
};

// The not-implemented routines take no argument they look at: one counting routine per slot.
struct StubSlot {
    std::string name;
    FARPROC original = nullptr;
};
constexpr std::size_t kStubSlots = 512;
std::array<StubSlot, kStubSlots> stubSlots;

template <std::size_t I>
std::intptr_t CountedStub() {
    Note(stubSlots[I].name);
    return reinterpret_cast<std::intptr_t (*)()>(stubSlots[I].original)();
}

template <std::size_t... I>
std::array<FARPROC, sizeof...(I)> StubThunks(std::index_sequence<I...>) {
    return {reinterpret_cast<FARPROC>(&CountedStub<I>)...};
}

template <class F>
FARPROC Proc(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

// The kernel module exports the counting routines too.
const std::pair<const char*, FARPROC> kKernelWrapped[] = {
    {"LoadLibraryA", Proc(&__wrap_LoadLibraryA)},
    {"GetProcAddress", Proc(&__wrap_GetProcAddress)},
    {"FreeLibrary", Proc(&__wrap_FreeLibrary)},
    {"GetModuleHandleA", Proc(&__wrap_GetModuleHandleA)},
    {"GetModuleFileNameA", Proc(&__wrap_GetModuleFileNameA)},
    {"CreateFileA", Proc(&__wrap_CreateFileA)},
    {"WriteFile", Proc(&__wrap_WriteFile)},
    {"ReadFileEx", Proc(&__wrap_ReadFileEx)},
    {"SleepEx", Proc(&__wrap_SleepEx)},
    {"GetOverlappedResult", Proc(&__wrap_GetOverlappedResult)},
    {"CancelIo", Proc(&__wrap_CancelIo)},
    {"CloseHandle", Proc(&__wrap_CloseHandle)},
    {"GetVersionExA", Proc(&__wrap_GetVersionExA)},
    {"SetCurrentDirectoryA", Proc(&__wrap_SetCurrentDirectoryA)},
    {"GetCurrentDirectoryA", Proc(&__wrap_GetCurrentDirectoryA)},
    {"FormatMessageA", Proc(&__wrap_FormatMessageA)},
};

bool IsStub(FARPROC code) {
    for (const std::vector<FARPROC>* stubs : {&detail::SetupApiStubs(), &detail::HidStubs()})
        if (std::find(stubs->begin(), stubs->end(), code) != stubs->end())
            return true;
    return false;
}

const char* const kModules[] = {"SetupApi.dll", "HID.dll", "kernel32.dll"};

// The built-in modules as the platform has them, with every routine counting.
const std::map<std::string, detail::ModuleExports>& CountingModules() {
    static const std::map<std::string, detail::ModuleExports> modules = [] {
        static const auto thunks = StubThunks(std::make_index_sequence<kStubSlots>());
        std::size_t nextSlot = 0;
        std::map<std::string, detail::ModuleExports> all;
        for (const char* module : kModules) {
            detail::ModuleExports exports = detail::BuiltInExports(module).value();
            for (auto& [name, code] : exports) {
                auto typed = std::find_if(std::begin(kTyped), std::end(kTyped),
                                          [&](const Wrapper& w) { return w.name == name; });
                if (typed != std::end(kTyped)) {
                    code = typed->wrap(code);
                } else if (IsStub(code)) {
                    if (nextSlot == kStubSlots)
                        throw std::logic_error("more not-implemented routines than slots");
                    stubSlots[nextSlot] = {name, code};
                    code = thunks[nextSlot++];
                }
            }
            if (std::string_view(module) == "kernel32.dll")
                for (auto& [name, code] : kKernelWrapped)
                    if (auto it = exports.find(name); it != exports.end())
                        it->second = code;
            all[detail::LowerAscii(module)] = std::move(exports);
        }
        return all;
    }();
    return modules;
}

void UseCountingModules() {
    for (auto& [module, exports] : CountingModules())
        detail::SetBuiltInExports(module, exports);
}

// From the start of the program, so a test counts whatever it calls.
[[maybe_unused]] const bool countingFromTheStart = (UseCountingModules(), true);

template <class F>
void ChangeModule(const std::string& module, F change) {
    if (auto exports = detail::BuiltInExports(module)) {
        change(*exports);
        detail::SetBuiltInExports(module, std::move(*exports));
    }
}

} // namespace

ScopedModuleSet::ScopedModuleSet() = default;

ScopedModuleSet::~ScopedModuleSet() { UseCountingModules(); }

ScopedModuleSet& ScopedModuleSet::Without(const std::string& module, const std::string& routine) {
    ChangeModule(module, [&](detail::ModuleExports& exports) { exports.erase(routine); });
    return *this;
}

ScopedModuleSet& ScopedModuleSet::WithoutModule(const std::string& module) {
    detail::SetBuiltInExports(module, std::nullopt);
    return *this;
}

ScopedModuleSet& ScopedModuleSet::Replace(const std::string& module, const std::string& routine,
                                          FARPROC code) {
    ChangeModule(module, [&](detail::ModuleExports& exports) { exports[routine] = code; });
    return *this;
}

unsigned CallCount(const std::string& routine) {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    auto it = c.counts.find(routine);
    return it == c.counts.end() ? 0 : it->second;
}

void ResetCallCounts() {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.counts.clear();
}

void StartCallLog() {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.log.clear();
    c.logging = true;
}

void StopCallLog() {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.logging = false;
}

std::vector<Call> CallLog() {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    return c.log;
}

void ResetCallLog() {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.logging = false;
    c.log.clear();
}

int ModuleRefCount(const std::string& module) { return detail::ModuleRefCount(module); }

void SetReportedVersion(std::optional<OSVERSIONINFOA> version) {
    Version& v = TheVersion();
    std::lock_guard<std::mutex> lock(v.mutex);
    v.set = true;
    v.reported = version;
}

OSVERSIONINFOA MakeVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    info.dwPlatformId = platformId;
    return info;
}

WriterStart::WriterStart(std::function<void()> start)
    : previous_(detail::SetWriterStart(std::move(start))) {}

WriterStart::~WriterStart() { detail::SetWriterStart(std::move(previous_)); }

std::size_t OpenHandleCount() { return detail::FileHandleCount() + detail::DeviceInfoSetCount(); }

std::size_t UtilityWindowCount() { return detail::UtilityWindowCount(); }

void Reset() {
    UseCountingModules();
    {
        Version& v = TheVersion();
        std::lock_guard<std::mutex> lock(v.mutex);
        v.set = false;
        v.reported.reset();
    }
    ResetCallCounts();
    ResetCallLog();
}

} // namespace platform::test

using platform::test::Note;

namespace {

std::uint64_t Handle(std::uint32_t handle) { return handle; }

} // namespace

extern "C" {

HMODULE __wrap_LoadLibraryA(LPCSTR lpLibFileName) {
    Note("LoadLibraryA", 0, lpLibFileName);
    return __real_LoadLibraryA(lpLibFileName);
}

FARPROC __wrap_GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    // Values below 0x10000 are ordinals, not names.
    const bool byName = reinterpret_cast<std::uintptr_t>(lpProcName) >= 0x10000;
    Note("GetProcAddress", Handle(hModule), byName ? lpProcName : nullptr);
    return __real_GetProcAddress(hModule, lpProcName);
}

BOOL __wrap_FreeLibrary(HMODULE hLibModule) {
    Note("FreeLibrary", Handle(hLibModule));
    return __real_FreeLibrary(hLibModule);
}

HMODULE __wrap_GetModuleHandleA(LPCSTR lpModuleName) {
    Note("GetModuleHandleA", 0, lpModuleName);
    return __real_GetModuleHandleA(lpModuleName);
}

DWORD __wrap_GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    Note("GetModuleFileNameA", Handle(hModule));
    return __real_GetModuleFileNameA(hModule, lpFilename, nSize);
}

HANDLE __wrap_CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          void* lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    Note("CreateFileA", dwDesiredAccess);
    return __real_CreateFileA(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
                              dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile);
}

BOOL __wrap_WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    Note("WriteFile", nNumberOfBytesToWrite);
    return __real_WriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                            lpOverlapped);
}

BOOL __wrap_ReadFileEx(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                       LPOVERLAPPED lpOverlapped,
                       LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    Note("ReadFileEx", nNumberOfBytesToRead);
    return __real_ReadFileEx(hFile, lpBuffer, nNumberOfBytesToRead, lpOverlapped,
                             lpCompletionRoutine);
}

DWORD __wrap_SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
    Note("SleepEx", dwMilliseconds);
    return __real_SleepEx(dwMilliseconds, bAlertable);
}

BOOL __wrap_GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                                LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
    Note("GetOverlappedResult");
    return __real_GetOverlappedResult(hFile, lpOverlapped, lpNumberOfBytesTransferred, bWait);
}

BOOL __wrap_CancelIo(HANDLE hFile) {
    Note("CancelIo");
    return __real_CancelIo(hFile);
}

BOOL __wrap_CloseHandle(HANDLE hObject) {
    Note("CloseHandle", Handle(hObject));
    return __real_CloseHandle(hObject);
}

BOOL __wrap_GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    Note("GetVersionExA");
    if (!__real_GetVersionExA(lpVersionInformation))
        return FALSE;
    platform::test::Version& v = platform::test::TheVersion();
    std::lock_guard<std::mutex> lock(v.mutex);
    if (!v.set)
        return TRUE;
    if (!v.reported) {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    *lpVersionInformation = *v.reported;
    return TRUE;
}

BOOL __wrap_SetCurrentDirectoryA(LPCSTR lpPathName) {
    Note("SetCurrentDirectoryA");
    return __real_SetCurrentDirectoryA(lpPathName);
}

DWORD __wrap_GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    Note("GetCurrentDirectoryA");
    return __real_GetCurrentDirectoryA(nBufferLength, lpBuffer);
}

DWORD __wrap_FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, void* Arguments) {
    Note("FormatMessageA", dwMessageId);
    return __real_FormatMessageA(dwFlags, lpSource, dwMessageId, dwLanguageId, lpBuffer, nSize,
                                 Arguments);
}

HWND __wrap_AllocateHWnd(TWndMethod method) {
    Note("AllocateHWnd");
    return __real_AllocateHWnd(std::move(method));
}

void __wrap_DeallocateHWnd(HWND wnd) {
    Note("DeallocateHWnd", Handle(wnd));
    __real_DeallocateHWnd(wnd);
}

BOOL __wrap_PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Note("PostMessageA", Msg);
    return __real_PostMessageA(hWnd, Msg, wParam, lParam);
}

LRESULT __wrap_SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Note("SendMessageA", Msg);
    return __real_SendMessageA(hWnd, Msg, wParam, lParam);
}

LRESULT __wrap_DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Note("DefWindowProcA", Msg);
    return __real_DefWindowProcA(hWnd, Msg, wParam, lParam);
}

} // extern "C"
