#include "analyzer/StatusReport.h"

#include "analyzer/AnalyzerFloat.h"

#include <cmath>
#include <limits>

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

} // namespace

bool UsesLayoutA(std::uint16_t versionNumber, std::uint8_t byte39) {
    return versionNumber == 3 || byte39 == 2;
}

Payload BuildStatusPayload(const StatusFields& f, bool layoutA, std::uint8_t byte39) {
    Payload p{};
    p[0] = f.state;
    PutSingle(&p[1], f.temperature);
    PutSingle(&p[5], f.th);
    if (layoutA)
        PutUint32(&p[9], ToUnsigned(f.signal));
    else
        PutSingle(&p[9], f.signal);
    PutSingle(&p[13], f.cloudPoint);
    PutSingle(&p[17], f.pourPoint);
    PutSingle(&p[21], f.filterPoint);
    p[25] = f.modeByte;
    p[30] = f.additive;
    PutSingle(&p[31], f.dt);
    if (layoutA)
        PutInt32(&p[35], ToSigned(f.df));
    else
        PutSingle(&p[35], f.df);
    p[39] = byte39;
    p[40] = f.auxByte;
    return p;
}

} // namespace analyzer
