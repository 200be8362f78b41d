#include "hid/HidVariant.h"

#include "hid/HidRoutineList.h"

#include <array>

namespace hid {

namespace {

// The Russian table leaves the four extra routines out; those with an alias are bound a
// second time under their button names.
#define COLDPOINT_HID_ONCE(name) TRoutineName{name},
#define COLDPOINT_HID_TWICE(name, alias) TRoutineName{name, false, alias},
#define COLDPOINT_HID_SKIP(name)
constexpr auto RussianRoutines = std::to_array<TRoutineName>(
    {COLDPOINT_HID_ROUTINES(COLDPOINT_HID_ONCE, COLDPOINT_HID_TWICE, COLDPOINT_HID_SKIP)});
#undef COLDPOINT_HID_ONCE
#undef COLDPOINT_HID_TWICE
#undef COLDPOINT_HID_SKIP
static_assert(RussianRoutines.size() == 37);

} // namespace

constexpr THidVariant RussianHid{RussianRoutines, nullptr, "1.0.32", false, false};
static_assert(RussianHid.PointerCount() == 42);

} // namespace hid
