#include "analyzer/ParameterMap.h"

#include "analyzer/AnalyzerFloat.h"

#include <array>
#include <cmath>

namespace analyzer {

namespace {

constexpr std::array<ParameterPlace, 16> kMap{{
    {Parameter::CloudK, "cloud K", ParameterType::Single, 14, 24, 1.0, 0.5, 2.0},
    {Parameter::CloudB, "cloud B", ParameterType::Single, 18, 28, 0.0, -20.0, 20.0},
    {Parameter::ThermocoupleK, "thermocouple K", ParameterType::Single, 22, 32, 1.0, 0.5, 2.0},
    {Parameter::ThermocoupleB, "thermocouple B", ParameterType::Single, 26, 36, 0.0, -20.0, 20.0},
    {Parameter::PourCorrection, "pour correction", ParameterType::Single, 46, 12, 0.0, -20.0, 20.0},
    {Parameter::Reverse, "reverse", ParameterType::Single, 38, 16, 2.0, 0.0, 20.0},
    {Parameter::ValveOpeningTime, "valve opening time", ParameterType::Uint16, 54, 40, 30.0, 1.0,
     3600.0},
    {Parameter::CoolingSpeed, "cooling speed", ParameterType::Single, 42, 20, 1.0, 0.05, 10.0},
    {Parameter::CloudThreshold, "cloud threshold", ParameterType::Single, 50, 42, 3.0, 0.1, 50.0},
    {Parameter::DfThreshold, "df threshold", ParameterType::Single, 56, 46, 5.0, 0.1, 1000.0},
    {Parameter::MinimumSpeed, "minimum speed", ParameterType::Single, 60, -1, 0.2, 0.01, 10.0},
    {Parameter::CondenserTemperature, "condenser temperature", ParameterType::Single, 71, -1, -40.0,
     -80.0, 0.0},
    {Parameter::HeatingTemperature, "heating temperature", ParameterType::Single, 66, -1, 20.0,
     10.0, 60.0},
    {Parameter::PidP, "PID 1", ParameterType::Single, 75, -1, 2.0, -1e6, 1e6},
    {Parameter::PidI, "PID 2", ParameterType::Single, 79, -1, 0.5, -1e6, 1e6},
    {Parameter::PidD, "PID 3", ParameterType::Single, 83, -1, 0.1, -1e6, 1e6},
}};

constexpr std::size_t IndexOf(Parameter parameter) { return static_cast<std::size_t>(parameter); }

// the map lists every parameter once, in the order of the enumeration
constexpr bool InOrder() {
    for (std::size_t i = 0; i < kMap.size(); ++i)
        if (IndexOf(kMap[i].parameter) != i)
            return false;
    return true;
}
static_assert(InOrder());

} // namespace

std::span<const ParameterPlace> ParameterMap() { return kMap; }

const ParameterPlace& PlaceOf(Parameter parameter) { return kMap[IndexOf(parameter)]; }

WorkingParameters::WorkingParameters() {
    static_assert(kMap.size() == kCount);
    for (const ParameterPlace& place : kMap)
        values_[IndexOf(place.parameter)] = place.factory;
}

double WorkingParameters::Get(Parameter parameter) const { return values_[IndexOf(parameter)]; }

bool WorkingParameters::Set(Parameter parameter, double value) {
    const ParameterPlace& place = PlaceOf(parameter);
    if (!std::isfinite(value) || value < place.low || value > place.high)
        return false;
    values_[IndexOf(parameter)] = value;
    return true;
}

void WorkingParameters::Load(std::span<const std::uint8_t> image, bool controller) {
    for (const ParameterPlace& place : kMap) {
        const int address = controller ? place.controllerAddress : place.externalAddress;
        const std::size_t size = place.type == ParameterType::Single ? 4 : 2;
        if (address < 0 || std::size_t(address) + size > image.size())
            continue;
        const std::uint8_t* at = image.data() + address;
        if (place.type == ParameterType::Uint16) {
            if (at[0] == 0xFF && at[1] == 0xFF)
                continue; // erased
            Set(place.parameter, at[0] | at[1] << 8);
        } else if (const std::optional<float> value = ReadSingle(at)) {
            Set(place.parameter, *value);
        }
    }
}

} // namespace analyzer
