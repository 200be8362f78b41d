#pragma once
// The English build's HID table: the routines of the Russian build's table in the same order,
// with HidD_GetInputReport and HidD_SetOutputReport after HidD_GetIndexedString, and
// HidP_GetExtendedAttributes and HidP_InitializeReportForID at the end. The four are looked
// up only on the platform versions that have them (EnglishHid.h).
#include "hid/RoutineTable.h"

#include <array>

namespace hid {

inline constexpr std::array<TRoutineName, 41> HidRoutines{{
    {"HidD_Hello"},
    {"HidD_GetHidGuid"},
    {"HidD_GetPreparsedData"},
    {"HidD_FreePreparsedData"},
    {"HidD_GetConfiguration"},
    {"HidD_SetConfiguration"},
    {"HidD_FlushQueue"},
    {"HidD_GetFeature"},
    {"HidD_SetFeature"},
    {"HidD_GetNumInputBuffers"},
    {"HidD_SetNumInputBuffers"},
    {"HidD_GetAttributes"},
    {"HidD_GetManufacturerString"},
    {"HidD_GetProductString"},
    {"HidD_GetSerialNumberString"},
    {"HidD_GetPhysicalDescriptor"},
    {"HidD_GetIndexedString"},
    {"HidD_GetInputReport"},
    {"HidD_SetOutputReport"},
    {"HidP_GetCaps"},
    {"HidP_GetLinkCollectionNodes"},
    {"HidP_GetSpecificButtonCaps"},
    {"HidP_GetSpecificValueCaps"},
    {"HidP_GetData"},
    {"HidP_SetData"},
    {"HidP_MaxDataListLength"},
    {"HidP_GetUsages", false, "HidP_GetButtons"},
    {"HidP_GetUsagesEx", false, "HidP_GetButtonsEx"},
    {"HidP_SetUsages", false, "HidP_SetButtons"},
    {"HidP_UnsetUsages", false, "HidP_UnsetButtons"},
    {"HidP_MaxUsageListLength", false, "HidP_MaxButtonListLength"},
    {"HidP_GetUsageValue"},
    {"HidP_GetScaledUsageValue"},
    {"HidP_GetUsageValueArray"},
    {"HidP_SetUsageValue"},
    {"HidP_SetScaledUsageValue"},
    {"HidP_SetUsageValueArray"},
    {"HidP_UsageListDifference"},
    {"HidP_TranslateUsagesToI8042ScanCodes"},
    {"HidP_GetExtendedAttributes"},
    {"HidP_InitializeReportForID"},
}};

inline constexpr std::size_t HidPointerCount = 46;

} // namespace hid
