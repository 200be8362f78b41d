#pragma once
// The English build's HID binding: the platform version read once, and which of the four
// version-bound routines it requires.
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

} // namespace hid::english
