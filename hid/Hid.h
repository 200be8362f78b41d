#pragma once
// The HID binding: "HID.dll" with the chosen variant's routine pointers (42 in the Russian
// build), all or nothing, not counted.
#include "hid/HidVariant.h"
#include "hid/RoutineTable.h"
#include "platform/DeviceApi.h"

namespace hid {

extern HMODULE HidModule;
// The pointers in the chosen table's order; all nil while unbound.
extern FARPROC HidPointers[HidPointerCapacity];
// How many of them the chosen table has.
extern const std::size_t& HidPointerCount;

// The chosen table's pointers with their names and exports, in table order.
const std::vector<TEntryPoint>& HidEntryPoints();

bool BindHid();
void UnbindHid();
bool IsHidBound();

// Position of a routine's pointer in the chosen table; -1 when the table lacks it.
std::size_t HidIndex(std::string_view name);

// A typed view of one pointer of the HID table, found by name in the chosen table. Calling
// it while unbound is not allowed; test it.
template <class F>
class THidRoutine {
public:
    constexpr explicit THidRoutine(std::string_view name) : name_(name) {}
    F get() const { return reinterpret_cast<F>(Pointer()); }
    explicit operator bool() const { return Pointer() != nullptr; }
    template <class... A>
    decltype(auto) operator()(A&&... args) const {
        return get()(std::forward<A>(args)...);
    }

private:
    FARPROC Pointer() const {
        const std::size_t index = HidIndex(name_);
        return index < HidPointerCount ? HidPointers[index] : nullptr;
    }

    std::string_view name_;
};

// The routines the system calls.
inline constexpr THidRoutine<THidD_GetHidGuid> HidD_GetHidGuid{"HidD_GetHidGuid"};
inline constexpr THidRoutine<THidD_GetPreparsedData> HidD_GetPreparsedData{"HidD_GetPreparsedData"};
inline constexpr THidRoutine<THidD_FreePreparsedData> HidD_FreePreparsedData{
    "HidD_FreePreparsedData"};
inline constexpr THidRoutine<THidD_GetNumInputBuffers> HidD_GetNumInputBuffers{
    "HidD_GetNumInputBuffers"};
inline constexpr THidRoutine<THidD_SetNumInputBuffers> HidD_SetNumInputBuffers{
    "HidD_SetNumInputBuffers"};
inline constexpr THidRoutine<THidD_GetAttributes> HidD_GetAttributes{"HidD_GetAttributes"};
inline constexpr THidRoutine<THidD_GetProductString> HidD_GetProductString{"HidD_GetProductString"};
inline constexpr THidRoutine<THidD_GetSerialNumberString> HidD_GetSerialNumberString{
    "HidD_GetSerialNumberString"};
inline constexpr THidRoutine<THidD_GetIndexedString> HidD_GetIndexedString{"HidD_GetIndexedString"};
inline constexpr THidRoutine<THidP_GetCaps> HidP_GetCaps{"HidP_GetCaps"};

} // namespace hid
