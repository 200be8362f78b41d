#pragma once
// Run-time binding tables: named routine pointers filled by name lookup in a module.
#include "platform/WinApi.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hid {

// One routine of a table, as written in its list: the base name, whether it has an ANSI and
// a wide form (exports Base+"A" and Base+"W", neutral pointer Base bound to the ANSI one),
// and the alias name of a routine bound a second time into the following pointer(s).
struct TRoutineName {
    constexpr TRoutineName(std::string_view base, bool twoForm = false, std::string_view alias = {})
        : Base(base), TwoForm(twoForm), Alias(alias) {}

    std::string_view Base;
    bool TwoForm;
    std::string_view Alias; // empty: bound once

    constexpr bool Twice() const { return !Alias.empty(); }
    // Pointers the routine takes: 1 or 3, doubled when bound twice.
    constexpr std::size_t PointerCount() const { return (TwoForm ? 3 : 1) * (Twice() ? 2 : 1); }
};

// Which pointer of a routine.
enum class TForm { Single, Ansi, Wide, Neutral };

// One pointer: its own name and the export it is bound to.
struct TEntryPoint {
    std::string Name;
    std::string Export;
};

// Expands routines to pointers in table order:
//   single: Base                       | twice: Base, Alias
//   two-form: BaseA, BaseW, Base(->A)  | twice: BaseA, AliasA, BaseW, AliasW, Base, Alias
std::vector<TEntryPoint> ExpandRoutineNames(const TRoutineName* names, std::size_t count);

// Position of a routine's pointer in the expanded table (its first place when bound twice).
constexpr std::size_t PointerIndex(const TRoutineName* names, std::size_t count,
                                   std::string_view base, TForm form) {
    std::size_t index = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (names[i].Base == base) {
            const std::size_t step = names[i].Twice() ? 2 : 1;
            switch (form) {
            case TForm::Single:
            case TForm::Ansi: return index;
            case TForm::Wide: return index + step;
            case TForm::Neutral: return index + 2 * step;
            }
        }
        index += names[i].PointerCount();
    }
    return static_cast<std::size_t>(-1);
}

// A typed view of one pointer of a table. Calling it while unbound is not allowed; test it.
template <class F>
class TRoutine {
public:
    constexpr explicit TRoutine(FARPROC const* slot) : slot_(slot) {}
    F get() const { return reinterpret_cast<F>(*slot_); }
    explicit operator bool() const { return *slot_ != nullptr; }
    template <class... A>
    decltype(auto) operator()(A&&... args) const {
        return get()(std::forward<A>(args)...);
    }

private:
    FARPROC const* slot_;
};

// Fills every pointer with its export from the module, in table order, looking up each name
// even after a miss. Returns whether every name was found.
bool FillRoutineTable(HMODULE module, const std::vector<TEntryPoint>& entries, FARPROC* slots);
void ClearRoutineTable(FARPROC* slots, std::size_t count);

} // namespace hid
