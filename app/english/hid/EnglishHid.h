#pragma once
// The English build's HID variant: the Russian table with four more routines, bound only on
// the platform versions that have them (the platform version is read once), the version text
// "1.0.34", a device that cannot be opened kept, and the default window procedure's answers.
#include "hid/HidVariant.h"
#include "platform/WinApi.h"

#include <string_view>

namespace hid::english {

// What the platform reports of its version; all 0 when the query fails.
struct TOsVersion {
    DWORD PlatformId = 0;
    DWORD MajorVersion = 0;
    DWORD MinorVersion = 0;
};

// Asks the platform (GetVersionExA) and keeps the answer for BindHid. The program does this
// once at start; until then the first BindHid asks.
const TOsVersion& QueryOsVersion();
// The kept answer (asked for now if nothing was asked yet). Main thread only.
const TOsVersion& OsVersion();

// Whether BindHid looks the routine up (and so requires it) on this version. The numbers are
// compared one by one: HidD_GetInputReport and HidD_SetOutputReport need NT with major 5 or
// more and minor 1 or more; HidP_GetExtendedAttributes and HidP_InitializeReportForID need NT
// with major 5 or more. Every other routine of the table is always required.
bool IsRoutineRequired(std::string_view name, const TOsVersion& version);

// What the English program hands down to the HID layer at start.
extern const THidVariant EnglishHid;

} // namespace hid::english
