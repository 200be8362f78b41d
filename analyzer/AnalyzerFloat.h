#pragma once
// The analyzer's single-precision floats: four bytes, little-endian, as stored in its
// EEPROMs and sent in its reports.
#include <array>
#include <cstdint>
#include <optional>

namespace analyzer {

using FloatBytes = std::array<std::uint8_t, 4>;

// The largest magnitude sent; the host reads larger ones as 0.
inline constexpr float kLargestSingle = 9e14f;

// The bytes of a value, least significant first. Values the host cannot read back are
// never produced: a non-finite value becomes 0, a larger magnitude than kLargestSingle
// is brought down to it, and a pattern whose three low bytes are all 0xFF (the host's
// erased-memory mark) is moved one step towards zero.
FloatBytes EncodeSingle(float value);

// The value of four stored bytes; empty for an erased pattern (three low bytes 0xFF)
// and for infinities and NaNs.
std::optional<float> ReadSingle(const std::uint8_t* bytes);

void PutSingle(std::uint8_t* to, float value);
void PutUint16(std::uint8_t* to, std::uint16_t value);
void PutUint32(std::uint8_t* to, std::uint32_t value);
void PutInt32(std::uint8_t* to, std::int32_t value);

} // namespace analyzer
