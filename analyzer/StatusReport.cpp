#include "analyzer/StatusReport.h"

#include "analyzer/AnalyzerFloat.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace analyzer {

namespace {

std::uint32_t ToUnsigned(float value) {
    if (!(value > 0.0f))
        return 0;
    const double rounded = std::nearbyint(double(value));
    if (rounded >= double(std::numeric_limits<std::uint32_t>::max()))
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(rounded);
}

std::int32_t ToSigned(float value) {
    if (!std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(double(value));
    if (rounded >= double(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (rounded <= double(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

using F = StatusFields;
using T = StatusType;

constexpr StatusPlace kStatusMap[] = {
    {"state", &F::state, 0, T::Byte, T::Byte},
    {"temperature", &F::temperature, 1},
    {"th", &F::th, 5},
    {"signal", &F::signal, 9, T::Unsigned32},
    {"cloud point", &F::cloudPoint, 13},
    {"pour point", &F::pourPoint, 17},
    {"filter point", &F::filterPoint, 21},
    {"mode byte", &F::modeByte, 25, T::Byte, T::Byte},
    {"additive", &F::additive, 30, T::Byte, T::Byte},
    {"dt", &F::dt, 31},
    {"df", &F::df, 35, T::Signed32},
    {"aux byte", &F::auxByte, 40, T::Byte, T::Byte},
};

void Put(std::uint8_t* at, StatusType type, float value) {
    switch (type) {
    case T::Single: PutSingle(at, value); break;
    case T::Unsigned32: PutUint32(at, ToUnsigned(value)); break;
    case T::Signed32: PutInt32(at, ToSigned(value)); break;
    case T::Byte: break;
    }
}

} // namespace

std::span<const StatusPlace> StatusMap() { return kStatusMap; }

bool UsesLayoutA(std::uint16_t versionNumber, std::uint8_t byte39) {
    return versionNumber == kLayoutAVersion || byte39 == kLayoutASwitch;
}

Payload BuildStatusPayload(const StatusFields& f, bool layoutA, std::uint8_t byte39) {
    Payload p{};
    for (const StatusPlace& place : kStatusMap) {
        const StatusType type = layoutA ? place.layoutA : place.layoutB;
        std::visit(
            [&](auto member) {
                if constexpr (std::is_same_v<decltype(f.*member), const std::uint8_t&>)
                    p[place.offset] = f.*member;
                else
                    Put(&p[place.offset], type, f.*member);
            },
            place.field);
    }
    p[kLayoutSwitchByte] = byte39;
    return p;
}

} // namespace analyzer
