// The English build's HID variant: the Russian table's rule (all or nothing), with the
// routines the running version does not have left unbound.
#include "app/english/hid/EnglishHid.h"

#include "hid/HidRoutineList.h"

#include <array>
#include <optional>

namespace hid::english {

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

namespace {

// The Russian table's routines with the four extra ones in their places
// (HidD_GetInputReport and HidD_SetOutputReport after HidD_GetIndexedString,
// HidP_GetExtendedAttributes and HidP_InitializeReportForID at the end).
#define COLDPOINT_HID_ONCE(name) TRoutineName{name},
#define COLDPOINT_HID_TWICE(name, alias) TRoutineName{name, false, alias},
constexpr auto EnglishRoutines = std::to_array<TRoutineName>(
    {COLDPOINT_HID_ROUTINES(COLDPOINT_HID_ONCE, COLDPOINT_HID_TWICE, COLDPOINT_HID_ONCE)});
#undef COLDPOINT_HID_ONCE
#undef COLDPOINT_HID_TWICE
static_assert(EnglishRoutines.size() == 41);

bool IsRequiredOnThisVersion(std::string_view name) { return IsRoutineRequired(name, OsVersion()); }

} // namespace

constexpr THidVariant EnglishHid{EnglishRoutines, IsRequiredOnThisVersion, "1.0.34", true, true};
static_assert(EnglishHid.PointerCount() == 46 && EnglishHid.PointerCount() <= HidPointerCapacity);

} // namespace hid::english
