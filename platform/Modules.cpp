// The built-in modules: LoadLibraryA / GetProcAddress / FreeLibrary with reference counts.
#include "platform/DeviceApi.h"
#include "platform/Internal.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <mutex>
#include <unistd.h>

namespace platform::detail {
namespace {

struct Module {
    std::string name; // as the platform spells it
    HMODULE handle;
    int refCount;
    bool permanent; // loaded with the process (kernel32): never unloaded
    bool loadable;  // LoadLibraryA finds it
    ModuleExports exports;
};

template <class F>
FARPROC Proc(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

ModuleExports Kernel32Exports() {
    return {
        {"GetLastError", Proc(&::GetLastError)},
        {"SetLastError", Proc(&::SetLastError)},
        {"LoadLibraryA", Proc(&::LoadLibraryA)},
        {"GetProcAddress", Proc(&::GetProcAddress)},
        {"FreeLibrary", Proc(&::FreeLibrary)},
        {"GetModuleHandleA", Proc(&::GetModuleHandleA)},
        {"GetModuleFileNameA", Proc(&::GetModuleFileNameA)},
        {"CreateFileA", Proc(&::CreateFileA)},
        {"WriteFile", Proc(&::WriteFile)},
        {"ReadFileEx", Proc(&::ReadFileEx)},
        {"SleepEx", Proc(&::SleepEx)},
        {"Sleep", Proc(&::Sleep)},
        {"GetOverlappedResult", Proc(&::GetOverlappedResult)},
        {"CancelIo", Proc(&::CancelIo)},
        {"CloseHandle", Proc(&::CloseHandle)},
        {"GetVersionExA", Proc(&::GetVersionExA)},
        {"SetCurrentDirectoryA", Proc(&::SetCurrentDirectoryA)},
        {"GetCurrentDirectoryA", Proc(&::GetCurrentDirectoryA)},
        {"GetTickCount", Proc(&::GetTickCount)},
        {"FormatMessageA", Proc(&::FormatMessageA)},
    };
}

ModuleExports TableOf(const std::vector<std::string>& names, const std::vector<FARPROC>& stubs,
                      std::vector<std::pair<std::string, FARPROC>> real) {
    ModuleExports table;
    for (std::size_t i = 0; i < names.size(); ++i)
        table[names[i]] = stubs[i];
    for (auto& [name, code] : real)
        table[name] = code;
    return table;
}

constexpr HMODULE kProgramModule = 0x00400000;

struct Registry {
    std::mutex mutex;
    std::vector<Module> modules;

    Registry() {
        modules.push_back({"SetupApi.dll", 0x73A00000, 0, false, true,
                           TableOf(SetupApiExportNames(), SetupApiStubs(), SetupApiRoutines())});
        modules.push_back({"HID.dll", 0x74B00000, 0, false, true,
                           TableOf(HidExportNames(), HidStubs(), HidRoutines())});
        modules.push_back({"kernel32.dll", 0x7C800000, 1, true, true, Kernel32Exports()});
    }

    Module* ByName(const std::string& lowerName) {
        for (auto& m : modules)
            if (LowerAscii(m.name) == lowerName)
                return &m;
        return nullptr;
    }
    Module* ByHandle(HMODULE handle) {
        for (auto& m : modules)
            if (m.handle == handle)
                return &m;
        return nullptr;
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// "C:\Windows\system32\HID" -> "hid.dll"
std::string ModuleKey(const std::string& fileName) {
    std::string name = fileName;
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name = name.substr(slash + 1);
    if (name.find('.') == std::string::npos)
        name += ".dll";
    return LowerAscii(name);
}

} // namespace

std::string LowerAscii(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

} // namespace platform::detail

using namespace platform::detail;

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName)
        return Fail(ERROR_INVALID_PARAMETER), 0;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const std::string key = ModuleKey(lpLibFileName);
    Module* m = r.ByName(key);
    if (!m || !m->loadable)
        return Fail(ERROR_MOD_NOT_FOUND), 0;
    ++m->refCount;
    return m->handle;
}

BOOL FreeLibrary(HMODULE hLibModule) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByHandle(hLibModule);
    if (!m || m->refCount <= 0)
        return Fail(ERROR_INVALID_HANDLE);
    if (!m->permanent || m->refCount > 1)
        --m->refCount;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    // Values below 0x10000 are ordinals, which no module here exports.
    const bool byName = reinterpret_cast<std::uintptr_t>(lpProcName) >= 0x10000;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByHandle(hModule);
    if (!m || m->refCount <= 0)
        return Fail(ERROR_MOD_NOT_FOUND), nullptr;
    if (!byName)
        return Fail(ERROR_PROC_NOT_FOUND), nullptr;
    auto it = m->exports.find(lpProcName);
    if (it == m->exports.end())
        return Fail(ERROR_PROC_NOT_FOUND), nullptr;
    return it->second;
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName)
        return kProgramModule;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByName(ModuleKey(lpModuleName));
    if (!m || m->refCount <= 0)
        return Fail(ERROR_MOD_NOT_FOUND), 0;
    return m->handle;
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    if (hModule == 0 || hModule == kProgramModule) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
        if (n <= 0)
            return Fail(ERROR_FILE_NOT_FOUND), 0;
        path.assign(buffer, static_cast<std::size_t>(n));
    } else {
        Registry& r = TheRegistry();
        std::lock_guard<std::mutex> lock(r.mutex);
        Module* m = r.ByHandle(hModule);
        if (!m || m->refCount <= 0)
            return Fail(ERROR_MOD_NOT_FOUND), 0;
        path = m->name;
    }
    if (!lpFilename || nSize == 0)
        return Fail(ERROR_INSUFFICIENT_BUFFER), 0;
    // As the platform does: a path that does not fit is cut and the count is the buffer size.
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(path.size(), nSize - 1));
    std::copy_n(path.data(), n, lpFilename);
    lpFilename[n] = '\0';
    if (path.size() >= nSize) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return n;
}

namespace platform::detail {

std::optional<ModuleExports> BuiltInExports(const std::string& module) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByName(ModuleKey(module));
    if (!m || !m->loadable)
        return std::nullopt;
    return m->exports;
}

void SetBuiltInExports(const std::string& module, std::optional<ModuleExports> exports) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByName(ModuleKey(module));
    if (!m)
        return;
    m->loadable = exports.has_value();
    if (exports)
        m->exports = std::move(*exports);
}

int ModuleRefCount(const std::string& module) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByName(ModuleKey(module));
    return m ? m->refCount : 0;
}

} // namespace platform::detail
