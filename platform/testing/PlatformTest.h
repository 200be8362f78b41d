#pragma once
// What tests use to shape and watch the platform: module sets without chosen names, call
// counts and a call log, module reference counts, the reported version. Linked only into test
// programs: it stands in for the platform's routines at link time (see CMakeLists.txt) and
// for the built-in modules' exports, and counts each call before handing it on.
#include "platform/WinApi.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::test {

// While it lives, the built-in modules are changed as told; its destructor restores them.
// Module names compare without case, routine names with case.
class ScopedModuleSet {
public:
    ScopedModuleSet();
    ~ScopedModuleSet();
    ScopedModuleSet(const ScopedModuleSet&) = delete;
    ScopedModuleSet& operator=(const ScopedModuleSet&) = delete;

    // The module does not export the name.
    ScopedModuleSet& Without(const std::string& module, const std::string& routine);
    // The module cannot be loaded.
    ScopedModuleSet& WithoutModule(const std::string& module);
    // The module exports the name with this routine instead (also a name it lacked).
    ScopedModuleSet& Replace(const std::string& module, const std::string& routine, FARPROC code);
};

// How often a platform routine has run (by its export name, e.g. "FreeLibrary",
// "HidD_GetNumInputBuffers"; not-implemented exports count too).
unsigned CallCount(const std::string& routine);
void ResetCallCounts();

struct Call {
    std::string routine;
    std::uint64_t argument; // the property code, the module handle, ... or 0
    std::string text;       // the module or routine name of LoadLibraryA / GetProcAddress
};
// Records calls while enabled (off at start); starting clears the log.
void StartCallLog();
void StopCallLog();
std::vector<Call> CallLog();
// Stops the log and clears it.
void ResetCallLog();

// The module's reference count as the platform keeps it (0: not loaded).
int ModuleRefCount(const std::string& module);

// What GetVersionExA reports; nullopt makes it fail. Reset() restores the default.
void SetReportedVersion(std::optional<OSVERSIONINFOA> version);
OSVERSIONINFOA MakeVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build = 0);

// While it lives, the writer thread that a handle's first write starts runs start() before it
// takes its first report: a thread that a loaded machine runs late, or not at all.
class WriterStart {
public:
    explicit WriterStart(std::function<void()> start);
    ~WriterStart();
    WriterStart(const WriterStart&) = delete;
    WriterStart& operator=(const WriterStart&) = delete;

private:
    std::function<void()> previous_;
};

// Count of open file handles, device-information sets and utility windows (leak checks).
std::size_t OpenHandleCount();
std::size_t UtilityWindowCount();

// Restores the default module set and version, clears counts and the log. Open handles and
// windows are left alone.
void Reset();

} // namespace platform::test
