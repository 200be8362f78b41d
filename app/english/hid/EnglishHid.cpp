// The English build's BindHid: the Russian table's rule (all or nothing), with the routines
// the running version does not have left unbound.
#include "app/english/hid/EnglishHid.h"

#include "hid/Hid.h"
#include "hid/ModuleLoader.h"

#include <optional>

namespace hid {

static_assert([] {
    std::size_t n = 0;
    for (const TRoutineName& r : HidRoutines)
        n += r.PointerCount();
    return n;
}() == HidPointerCount);

namespace english {

namespace {

std::optional<TOsVersion> kept;

bool IsNt5(const TOsVersion& v) {
    return v.PlatformId == VER_PLATFORM_WIN32_NT && v.MajorVersion >= 5;
}

} // namespace

const TOsVersion& QueryOsVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    TOsVersion v;
    if (::GetVersionExA(&info)) {
        v.PlatformId = info.dwPlatformId;
        v.MajorVersion = info.dwMajorVersion;
        v.MinorVersion = info.dwMinorVersion;
    }
    kept = v;
    return *kept;
}

const TOsVersion& OsVersion() {
    if (!kept)
        return QueryOsVersion();
    return *kept;
}

bool IsRoutineRequired(std::string_view name, const TOsVersion& version) {
    if (name == "HidD_GetInputReport" || name == "HidD_SetOutputReport")
        return IsNt5(version) && version.MinorVersion >= 1;
    if (name == "HidP_GetExtendedAttributes" || name == "HidP_InitializeReportForID")
        return IsNt5(version);
    return true;
}

} // namespace english

bool BindHid() {
    if (!LoadModuleHandle(HidModule, "HID.dll"))
        return false;
    const english::TOsVersion& version = english::OsVersion();
    const std::vector<TEntryPoint>& entries = HidEntryPoints();
    bool allFound = true;
    for (std::size_t i = 0; i < entries.size(); ++i)
        HidPointers[i] = english::IsRoutineRequired(entries[i].Name, version)
                             ? FindModuleSymbolChecked(HidModule, entries[i].Export, allFound)
                             : nullptr;
    if (!allFound) {
        UnbindHid();
        return false;
    }
    return true;
}

} // namespace hid
