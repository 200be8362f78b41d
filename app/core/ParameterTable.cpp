#include "app/core/ParameterTable.h"

#include <algorithm>
#include <vector>

namespace core {

namespace {

constexpr auto kGroups = ParameterTable<void>();

// The controller EEPROM dump reply carries byte a of that memory in payload byte 1 + a.
constexpr std::size_t kDumpPayloadAt = 1;

std::vector<TDumpValue> MakeDumpValues() {
    std::vector<TDumpValue> values;
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        if (kGroups[g].Rule != TControllerRule::ControllerPlace)
            continue;
        for (std::size_t v = 0; v < kGroups[g].Count; ++v)
            values.push_back({{static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(v)},
                              kDumpPayloadAt + kGroups[g].Values[v].Controller});
    }
    std::sort(values.begin(), values.end(),
              [](const TDumpValue& a, const TDumpValue& b) { return a.Offset < b.Offset; });
    return values;
}

} // namespace

std::span<const TPlainGroup> ParameterGroups() { return kGroups; }

const TParameterValue<void>& ParameterValue(TParameterRef ref) {
    return kGroups.at(ref.Group).Values.at(ref.Value);
}

std::optional<std::size_t> GroupOfSelector(std::uint8_t selector) {
    for (std::size_t g = 0; g < kGroups.size(); ++g)
        if (kGroups[g].Selector == selector)
            return g;
    return std::nullopt;
}

std::size_t ValueBytes(const TPlainGroup& group) {
    return group.Type == TParameterType::Word16 ? 2 : 4;
}

std::span<const TDumpValue> ControllerDumpValues() {
    static const std::vector<TDumpValue> values = MakeDumpValues();
    return values;
}

} // namespace core
