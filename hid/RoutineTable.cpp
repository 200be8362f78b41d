#include "hid/RoutineTable.h"

#include "hid/ModuleLoader.h"

namespace hid {

std::vector<TEntryPoint> ExpandRoutineNames(const TRoutineName* names, std::size_t count) {
    std::vector<TEntryPoint> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const TRoutineName& r = names[i];
        std::vector<std::string> own{std::string(r.Base)};
        if (r.Twice())
            own.emplace_back(r.Alias);
        if (!r.TwoForm) {
            for (const std::string& name : own)
                entries.push_back({name, std::string(r.Base)});
            continue;
        }
        const std::string ansi = std::string(r.Base) + "A";
        const std::string wide = std::string(r.Base) + "W";
        for (const std::string& name : own)
            entries.push_back({name + "A", ansi});
        for (const std::string& name : own)
            entries.push_back({name + "W", wide});
        for (const std::string& name : own)
            entries.push_back({name, ansi});
    }
    return entries;
}

bool FillRoutineTable(HMODULE module, const std::vector<TEntryPoint>& entries, FARPROC* slots) {
    bool allFound = true;
    for (std::size_t i = 0; i < entries.size(); ++i)
        slots[i] = FindModuleSymbolChecked(module, entries[i].Export, allFound);
    return allFound;
}

void ClearRoutineTable(FARPROC* slots, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        slots[i] = nullptr;
}

} // namespace hid
