#pragma once
// The HID binding: "HID.dll" with its 42 routine pointers, all or nothing, not counted.
#include "hid/HidRoutineList.h"
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
#define COLDPOINT_HID_ONCE(name) TRoutineName{name},
#define COLDPOINT_HID_TWICE(name, alias) TRoutineName{name, false, alias},
#define COLDPOINT_HID_SKIP(name)
inline constexpr auto HidRoutines = std::to_array<TRoutineName>(
    {COLDPOINT_HID_ROUTINES(COLDPOINT_HID_ONCE, COLDPOINT_HID_TWICE, COLDPOINT_HID_SKIP)});
#undef COLDPOINT_HID_ONCE
#undef COLDPOINT_HID_TWICE
#undef COLDPOINT_HID_SKIP
static_assert(HidRoutines.size() == 37);

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
