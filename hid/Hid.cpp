#include "hid/Hid.h"

#include "hid/ModuleLoader.h"

namespace hid {

namespace {

// The chosen variant with its table expanded to pointers.
struct TChosenTable {
    explicit TChosenTable(const THidVariant& variant)
        : Variant(&variant),
          Entries(ExpandRoutineNames(variant.Routines.data(), variant.Routines.size())) {}

    const THidVariant* Variant;
    std::vector<TEntryPoint> Entries;
};

TChosenTable& Chosen() {
    static TChosenTable chosen(RussianHid);
    return chosen;
}

std::size_t ChosenPointerCount = RussianHid.PointerCount();

bool IsRequired(const THidVariant& variant, const std::string& name) {
    return variant.IsRequired == nullptr || variant.IsRequired(name);
}

} // namespace

HMODULE HidModule = 0;
FARPROC HidPointers[HidPointerCapacity] = {};
const std::size_t& HidPointerCount = ChosenPointerCount;

bool UseHidVariant(const THidVariant& Variant) {
    if (IsHidBound() || Variant.PointerCount() > HidPointerCapacity)
        return false;
    Chosen() = TChosenTable(Variant);
    ChosenPointerCount = Chosen().Entries.size();
    return true;
}

const THidVariant& HidVariant() { return *Chosen().Variant; }

const std::vector<TEntryPoint>& HidEntryPoints() { return Chosen().Entries; }

std::size_t HidIndex(std::string_view name) {
    const auto& routines = HidVariant().Routines;
    return PointerIndex(routines.data(), routines.size(), name, TForm::Single);
}

// Every pointer the variant requires is looked up, in table order and also after a miss; the
// others stay nil.
bool BindHid() {
    if (!LoadModuleHandle(HidModule, "HID.dll"))
        return false;
    const THidVariant& variant = HidVariant();
    const std::vector<TEntryPoint>& entries = HidEntryPoints();
    bool allFound = true;
    for (std::size_t i = 0; i < entries.size(); ++i)
        HidPointers[i] = IsRequired(variant, entries[i].Name)
                             ? FindModuleSymbolChecked(HidModule, entries[i].Export, allFound)
                             : nullptr;
    if (!allFound) {
        UnbindHid();
        return false;
    }
    return true;
}

void UnbindHid() {
    FreeModuleHandle(HidModule);
    ClearRoutineTable(HidPointers, HidPointerCapacity);
}

bool IsHidBound() { return HidModule != 0; }

} // namespace hid
