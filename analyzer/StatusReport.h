#pragma once
// The payload of the analyzer's status report (the 64 bytes after the report ID).
#include <array>
#include <cstdint>

namespace analyzer {

using Payload = std::array<std::uint8_t, 64>;

// A result that has not been found yet.
inline constexpr float kUndetermined = 77.0f;

// The analyzer states the host reacts to.
enum AnalyzerState : std::uint8_t {
    kStateRest = 0,      // idle: recovering below 10 degrees, ready at 10 or above
    kStateReadyCloud = 1,
    kStateReadyCfpp = 2,
    kStateReadyAll = 3,
    kStateReadyCfppOptical = 4,
    kStateEnded = 5,
    kStateRunCloud = 20,
    kStateRunCfpp = 30,
    kStateRunAll = 40,
    kStateRunFiltration = 50, // the later phase of a CFPP determination
    kStateNotReady = 100,
};

// Mode byte: bit 0 set while the optical channel leads the run, clear while the valve
// does; bit 1 set in the filtration phase whose points the host plots.
enum ModeBits : std::uint8_t {
    kModeOptical = 0x01,
    kModeFiltration = 0x02,
};

struct StatusFields {
    std::uint8_t state = kStateRest;
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
