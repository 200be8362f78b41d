#pragma once
// Where the analyzer keeps its working parameters in its two EEPROMs, and the values it
// works with.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace analyzer {

enum class ParameterType { Single, Uint16 };

enum class Parameter {
    CloudK,               // cloud point correction, factor
    CloudB,               // cloud point correction, offset
    ThermocoupleK,        // sample temperature correction, factor
    ThermocoupleB,        // sample temperature correction, offset
    PourCorrection,       // added to the pour point found
    Reverse,              // degrees cooled past the last result before the run ends
    ValveOpeningTime,     // seconds between two valve openings
    CoolingSpeed,         // degrees per minute
    CloudThreshold,       // transmission drop in percent that marks the cloud point
    DfThreshold,          // flow signal below which the sample no longer pours
    MinimumSpeed,         // degrees per minute below which cooling has given out
    CondenserTemperature, // the coldest the cooler reaches
    HeatingTemperature,   // what the cell warms the sample back to
    PidP,
    PidI,
    PidD,
};

struct ParameterPlace {
    Parameter parameter;
    std::string_view name;
    ParameterType type;
    std::uint16_t externalAddress; // in the external EEPROM (control byte 160)
    int controllerAddress;         // in the controller EEPROM; -1: none
    double factory;                // the value stored at creation
    double low, high;              // the range the analyzer accepts to work with
};

// Every parameter, in the order of the host's parameter groups.
std::span<const ParameterPlace> ParameterMap();
const ParameterPlace& PlaceOf(Parameter parameter);

// The parameters the analyzer works with; every value within its place's range.
class WorkingParameters {
public:
    WorkingParameters(); // the factory values

    double Get(Parameter parameter) const;
    // Takes a value when it lies in the parameter's range; otherwise keeps the old one.
    bool Set(Parameter parameter, double value);

    // Loads every parameter stored in a memory image; a value that is erased, not a
    // number, or out of range keeps the present one. `controller` reads the controller
    // places (parameters without one are left alone), otherwise the external places.
    void Load(std::span<const std::uint8_t> image, bool controller);

private:
    static constexpr std::size_t kCount = 16;
    std::array<double, kCount> values_{};
};

} // namespace analyzer
