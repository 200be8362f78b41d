#pragma once
// The English build's HID table: the Russian build's list with its four extra routines
// (HidD_GetInputReport and HidD_SetOutputReport after HidD_GetIndexedString,
// HidP_GetExtendedAttributes and HidP_InitializeReportForID at the end). The four are looked
// up only on the platform versions that have them (EnglishHid.h).
#include "hid/HidRoutineList.h"
#include "hid/RoutineTable.h"

#include <array>

namespace hid {

#define COLDPOINT_HID_ONCE(name) TRoutineName{name},
#define COLDPOINT_HID_TWICE(name, alias) TRoutineName{name, false, alias},
inline constexpr auto HidRoutines = std::to_array<TRoutineName>(
    {COLDPOINT_HID_ROUTINES(COLDPOINT_HID_ONCE, COLDPOINT_HID_TWICE, COLDPOINT_HID_ONCE)});
#undef COLDPOINT_HID_ONCE
#undef COLDPOINT_HID_TWICE
static_assert(HidRoutines.size() == 41);

inline constexpr std::size_t HidPointerCount = 46;

} // namespace hid
