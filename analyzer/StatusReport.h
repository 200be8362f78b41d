#pragma once
// The payload of the analyzer's status report (the 64 bytes after the report ID).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

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

// How a layout carries a field.
enum class StatusType : std::uint8_t {
    Byte,       // one byte
    Single,     // an analyzer float
    Unsigned32, // little-endian, the value rounded to a whole number within the type's range
    Signed32,   // likewise, signed
};

// One field of the status report: where it is and how each layout carries it.
struct StatusPlace {
    std::string_view name;
    std::variant<std::uint8_t StatusFields::*, float StatusFields::*> field;
    std::size_t offset;
    StatusType layoutA = StatusType::Single;
    StatusType layoutB = StatusType::Single;
};

// Every field the report carries, by offset.
std::span<const StatusPlace> StatusMap();

// Byte 39 = 2 says the report is in layout A, whatever the device's version number; a
// version-3 analyzer sends layout A.
inline constexpr std::size_t kLayoutSwitchByte = 39;
inline constexpr std::uint8_t kLayoutASwitch = 2;
inline constexpr std::uint16_t kLayoutAVersion = 3;
bool UsesLayoutA(std::uint16_t versionNumber, std::uint8_t byte39);

// The fields in the layout, every other byte 0; byte 39 as given.
Payload BuildStatusPayload(const StatusFields& fields, bool layoutA, std::uint8_t byte39);

} // namespace analyzer
