#include "analyzer/AnalyzerFloat.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace analyzer {

FloatBytes EncodeSingle(float value) {
    if (!std::isfinite(value))
        value = 0.0f;
    // the host's decoding gives 0 from about 9.22e14 up
    value = std::clamp(value, -kLargestSingle, kLargestSingle);
    std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    if ((bits & 0x00FFFFFFu) == 0x00FFFFFFu)
        --bits; // the mantissa ends in all ones: one step towards zero, same sign
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::optional<float> ReadSingle(const std::uint8_t* bytes) {
    if (bytes[0] == 0xFF && bytes[1] == 0xFF && bytes[2] == 0xFF)
        return std::nullopt;
    const std::uint32_t bits = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                               std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    const float value = std::bit_cast<float>(bits);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

void PutSingle(std::uint8_t* to, float value) {
    const FloatBytes b = EncodeSingle(value);
    for (std::size_t i = 0; i < b.size(); ++i)
        to[i] = b[i];
}

void PutUint16(std::uint8_t* to, std::uint16_t value) {
    to[0] = static_cast<std::uint8_t>(value);
    to[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutUint32(std::uint8_t* to, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        to[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutInt32(std::uint8_t* to, std::int32_t value) {
    PutUint32(to, static_cast<std::uint32_t>(value));
}

} // namespace analyzer
