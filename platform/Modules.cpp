// The built-in modules: LoadLibraryA / GetProcAddress / FreeLibrary with reference counts,
// the module sets tests shape, and the call counts.
#include "platform/DeviceApi.h"
#include "platform/Internal.h"
#include "platform/PlatformTest.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <unistd.h>
#include <unordered_map>

namespace platform::detail {
namespace {

struct Module {
    std::string name;       // as the platform spells it
    HMODULE handle;
    int refCount;
    bool permanent;         // loaded with the process (kernel32): never unloaded
    std::unordered_map<std::string, FARPROC> exports;
};

template <class F>
FARPROC Proc(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

std::unordered_map<std::string, FARPROC> Kernel32Exports() {
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

std::unordered_map<std::string, FARPROC> TableOf(const std::vector<std::string>& names,
                                                 const std::vector<FARPROC>& stubs,
                                                 std::vector<std::pair<std::string, FARPROC>> real) {
    std::unordered_map<std::string, FARPROC> table;
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
    // Test changes, by lower-case module name.
    std::set<std::string> missingModules;
    std::set<std::pair<std::string, std::string>> missingExports;
    std::map<std::pair<std::string, std::string>, FARPROC> replaced;

    Registry() {
        modules.push_back({"SetupApi.dll", 0x73A00000, 0, false,
                           TableOf(SetupApiExportNames(), SetupApiStubs(), SetupApiRoutines())});
        modules.push_back(
            {"HID.dll", 0x74B00000, 0, false, TableOf(HidExportNames(), HidStubs(), HidRoutines())});
        modules.push_back({"kernel32.dll", 0x7C800000, 1, true, Kernel32Exports()});
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

struct Counts {
    std::mutex mutex;
    std::map<std::string, unsigned, std::less<>> counts;  // looked up without a copy
    bool logging = false;
    std::vector<platform::test::Call> log;
};

Counts& TheCounts() {
    static Counts counts;
    return counts;
}

void Record(const char* routine, std::uint64_t argument, const char* text) {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    const std::string_view name(routine);
    auto it = c.counts.find(name);
    if (it == c.counts.end())
        it = c.counts.emplace(std::string(name), 0).first;
    ++it->second;
    if (c.logging)
        c.log.push_back({routine, argument, text ? text : ""});
}

} // namespace

void CountCall(const char* routine, std::uint64_t argument) {
    Record(routine, argument, nullptr);
}

std::string LowerAscii(std::string text) {
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

} // namespace platform::detail

using namespace platform::detail;

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    Record("LoadLibraryA", 0, lpLibFileName);
    if (!lpLibFileName)
        return Fail(ERROR_INVALID_PARAMETER), 0;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const std::string key = ModuleKey(lpLibFileName);
    Module* m = r.ByName(key);
    if (!m || r.missingModules.count(key))
        return Fail(ERROR_MOD_NOT_FOUND), 0;
    ++m->refCount;
    return m->handle;
}

BOOL FreeLibrary(HMODULE hLibModule) {
    CountCall("FreeLibrary", static_cast<std::uint32_t>(hLibModule));
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
    Record("GetProcAddress", static_cast<std::uint32_t>(hModule), byName ? lpProcName : nullptr);
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByHandle(hModule);
    if (!m || m->refCount <= 0)
        return Fail(ERROR_MOD_NOT_FOUND), nullptr;
    if (!byName)
        return Fail(ERROR_PROC_NOT_FOUND), nullptr;
    const auto key = std::make_pair(LowerAscii(m->name), std::string(lpProcName));
    if (auto it = r.replaced.find(key); it != r.replaced.end())
        return it->second;
    if (r.missingExports.count(key))
        return Fail(ERROR_PROC_NOT_FOUND), nullptr;
    auto it = m->exports.find(lpProcName);
    if (it == m->exports.end())
        return Fail(ERROR_PROC_NOT_FOUND), nullptr;
    return it->second;
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    Record("GetModuleHandleA", 0, lpModuleName);
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
    CountCall("GetModuleFileNameA", static_cast<std::uint32_t>(hModule));
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

namespace platform {

const std::vector<std::string>& Kernel32ExportNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (auto& [name, code] : detail::Kernel32Exports())
            v.push_back(name);
        std::sort(v.begin(), v.end());
        return v;
    }();
    return names;
}

} // namespace platform

namespace platform::test {

ScopedModuleSet::ScopedModuleSet() = default;

ScopedModuleSet::~ScopedModuleSet() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.missingModules.clear();
    r.missingExports.clear();
    r.replaced.clear();
}

ScopedModuleSet& ScopedModuleSet::Without(const std::string& module, const std::string& routine) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.missingExports.insert({ModuleKey(module), routine});
    return *this;
}

ScopedModuleSet& ScopedModuleSet::WithoutModule(const std::string& module) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.missingModules.insert(ModuleKey(module));
    return *this;
}

ScopedModuleSet& ScopedModuleSet::Replace(const std::string& module, const std::string& routine,
                                          FARPROC code) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.replaced[{ModuleKey(module), routine}] = code;
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

void ResetCallLog() {
    Counts& c = TheCounts();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.logging = false;
    c.log.clear();
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

int ModuleRefCount(const std::string& module) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Module* m = r.ByName(ModuleKey(module));
    return m ? m->refCount : 0;
}

} // namespace platform::test
