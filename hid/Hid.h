#pragma once
// The HID binding: "HID.dll" with its 42 routine pointers, all or nothing, not counted.
#include "hid/RoutineTable.h"
#include "platform/DeviceApi.h"

#include <array>

#if defined(COLDPOINT_ENGLISH)
// The English build's table: four more routines (app/english/hid/).
#include "app/english/hid/EnglishHidRoutines.h"
#endif

namespace hid {

#if !defined(COLDPOINT_ENGLISH)
// The routines of the table in binding order; those with an alias are bound a second time
// under their button names.
inline constexpr std::array<TRoutineName, 37> HidRoutines{{
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
}};

inline constexpr std::size_t HidPointerCount = 42;
#endif

extern HMODULE HidModule;
// The pointers in table order; all nil while unbound.
extern FARPROC HidPointers[HidPointerCount];

// The 42 pointers with their names and exports, in table order.
const std::vector<TEntryPoint>& HidEntryPoints();

bool BindHid();
void UnbindHid();
bool IsHidBound();

constexpr std::size_t HidIndex(std::string_view name) {
    return PointerIndex(HidRoutines.data(), HidRoutines.size(), name, TForm::Single);
}

// The routines the system calls.
inline constexpr TRoutine<THidD_GetHidGuid> HidD_GetHidGuid{
    &HidPointers[HidIndex("HidD_GetHidGuid")]};
inline constexpr TRoutine<THidD_GetPreparsedData> HidD_GetPreparsedData{
    &HidPointers[HidIndex("HidD_GetPreparsedData")]};
inline constexpr TRoutine<THidD_FreePreparsedData> HidD_FreePreparsedData{
    &HidPointers[HidIndex("HidD_FreePreparsedData")]};
inline constexpr TRoutine<THidD_GetNumInputBuffers> HidD_GetNumInputBuffers{
    &HidPointers[HidIndex("HidD_GetNumInputBuffers")]};
inline constexpr TRoutine<THidD_SetNumInputBuffers> HidD_SetNumInputBuffers{
    &HidPointers[HidIndex("HidD_SetNumInputBuffers")]};
inline constexpr TRoutine<THidD_GetAttributes> HidD_GetAttributes{
    &HidPointers[HidIndex("HidD_GetAttributes")]};
inline constexpr TRoutine<THidD_GetProductString> HidD_GetProductString{
    &HidPointers[HidIndex("HidD_GetProductString")]};
inline constexpr TRoutine<THidD_GetSerialNumberString> HidD_GetSerialNumberString{
    &HidPointers[HidIndex("HidD_GetSerialNumberString")]};
inline constexpr TRoutine<THidD_GetIndexedString> HidD_GetIndexedString{
    &HidPointers[HidIndex("HidD_GetIndexedString")]};
inline constexpr TRoutine<THidP_GetCaps> HidP_GetCaps{&HidPointers[HidIndex("HidP_GetCaps")]};

} // namespace hid
