#pragma once
// The payload of the analyzer's status report (the 64 bytes after the report ID).
#include <array>
#include <cstdint>

namespace analyzer {

using Payload = std::array<std::uint8_t, 64>;

// A result that has not been found yet.
inline constexpr float kUndetermined = 77.0f;

// The analyzer states the host reacts to.
enum class AnalyzerState : std::uint8_t {
    Rest = 0, // idle: recovering below 10 degrees, ready at 10 or above
    ReadyCloud = 1,
    ReadyCfpp = 2,
    ReadyAll = 3,
    ReadyCfppOptical = 4,
    Ended = 5,
    RunCloud = 20,
    RunCfpp = 30,
    RunAll = 40,
    RunFiltration = 50, // the later phase of a CFPP determination
    NotReady = 100,
};

// Mode byte: bit 0 set while the optical channel leads the run, clear while the valve
// does; bit 1 set in the filtration phase whose points the host plots.
enum class ModeBits : std::uint8_t {
    Optical = 0x01,
    Filtration = 0x02,
};

// The byte a code travels as.
constexpr std::uint8_t Byte(AnalyzerState code) { return static_cast<std::uint8_t>(code); }
constexpr std::uint8_t Byte(ModeBits code) { return static_cast<std::uint8_t>(code); }

struct StatusFields {
    std::uint8_t state = Byte(AnalyzerState::Rest);
    float temperature = 0;
    float th = 0;
    float signal = 0;
    float cloudPoint = kUndetermined;
    float pourPoint = kUndetermined;
    float filterPoint = kUndetermined;
    std::uint8_t modeByte = 0;
    std::uint8_t additive = 0;
    float dt = 0;
    float df = 0;
    std::uint8_t auxByte = 0;
};

// Layout A carries the signal as an unsigned and df as a signed 32-bit integer (both
// rounded to the nearest whole number), layout B both as floats. Byte 39 is written as
// given: 2 tells the host to read layout A whatever the device's version number.
Payload BuildStatusPayload(const StatusFields& fields, bool layoutA, std::uint8_t byte39);

// Layout A for version number 3 or byte 39 = 2, the host's own rule.
bool UsesLayoutA(std::uint16_t versionNumber, std::uint8_t byte39);

} // namespace analyzer
