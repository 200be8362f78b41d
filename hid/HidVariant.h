#pragma once
// What a build makes different in the HID layer, handed down by the program at start: the
// HID table's routines and which of them the binding requires, the controller's version text,
// whether a device that cannot be opened is kept, and the hidden window's answers.
#include "hid/RoutineTable.h"

#include <span>
#include <string_view>

namespace hid {

struct THidVariant {
    // The HID table's routines in binding order.
    std::span<const TRoutineName> Routines;
    // Whether BindHid looks the named pointer up (and so requires it); null: every pointer.
    bool (*IsRequired)(std::string_view Name);
    // THidDeviceController.Version.
    const char* Version;
    // The device constructor keeps an interface it cannot open, unidentified (attributes all
    // zero), instead of raising.
    bool KeepsUnopenedDevice;
    // The hidden window answers every message with the default window procedure's result
    // (otherwise 0, and 1 to the end of the session).
    bool DefaultAnswers;

    constexpr std::size_t PointerCount() const {
        std::size_t n = 0;
        for (const TRoutineName& r : Routines)
            n += r.PointerCount();
        return n;
    }
};

// The most pointers a HID table may hold.
inline constexpr std::size_t HidPointerCapacity = 46;

// The Russian build's: the 37 routines, every one required, "1.0.32".
extern const THidVariant RussianHid;

// The variant in use (RussianHid until a program chooses). Chosen on the main thread while
// the HID table is unbound, before any controller exists; false (and nothing changes) when the
// table is bound or too large.
bool UseHidVariant(const THidVariant& Variant);
const THidVariant& HidVariant();

} // namespace hid
