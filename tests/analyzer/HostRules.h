#pragma once
// How the host reads what the analyzer sends: its float decoding and its rounding, written
// out here so the tests check the analyzer against the reader rather than against itself.
#include "analyzer/AnalyzerModel.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace analyzer::test {

inline bool HostRound(double x, int decimals, double& result) {
    const double f = std::pow(10.0, -decimals);
    const double q = x / f;
    if (!(q >= -9223372036854775808.0 && q < 9223372036854775808.0))
        return false;
    result = double(std::llrint(q)) * f; // ties to even in the default rounding mode
    return true;
}

inline double HostDecodeSingle(const std::uint8_t* b) {
    if (b[0] == 0xFF && b[1] == 0xFF && b[2] == 0xFF)
        return 0.0;
    const bool negative = (b[3] & 0x80) != 0;
    const int e = (b[3] * 2 + (b[2] >> 7)) % 256;
    const double m = (b[2] & 0x7F) * 65536.0 + b[1] * 256.0 + b[0];
    const double magnitude = std::ldexp(1.0 + m / 8388608.0, e - 127);
    double r = 0;
    if (!HostRound(magnitude, 4, r))
        return 0.0;
    return negative ? -r : r;
}

inline std::uint32_t U32(const std::uint8_t* b) {
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

// A 65-byte output report as the host builds it: report ID 0, byte 1 unused, the command
// in byte 2, its arguments from byte 3.
inline std::vector<std::uint8_t> OutputReport(std::uint8_t command,
                                              std::initializer_list<std::uint8_t> arguments = {}) {
    std::vector<std::uint8_t> r(65, 0);
    r[2] = command;
    std::size_t i = 3;
    for (std::uint8_t a : arguments)
        r[i++] = a;
    return r;
}

inline std::vector<std::uint8_t> OutputReport(Command command,
                                              std::initializer_list<std::uint8_t> arguments = {}) {
    return OutputReport(Byte(command), arguments);
}

inline std::vector<InputReport> Send(AnalyzerModel& model,
                                     const std::vector<std::uint8_t>& report) {
    return model.HandleOutputReport(report.data(), report.size());
}

// The payload of the single reply to a report.
inline Payload ReplyTo(AnalyzerModel& model, const std::vector<std::uint8_t>& report) {
    const std::vector<InputReport> replies = Send(model, report);
    Payload p{};
    if (replies.size() == 1)
        std::copy(replies[0].begin() + 1, replies[0].end(), p.begin());
    else
        p.fill(0xEE); // marks a missing or doubled reply
    return p;
}

} // namespace analyzer::test
