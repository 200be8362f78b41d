#include "runtime/Math.h"

#include <cfloat>
#include <cmath>

#include "runtime/SysUtils.h"

namespace rt {
namespace {

// 10^-n as a double: 1 / 10^n for n >= 0 (10^n is exact up to 10^22), 10^-n otherwise.
double Factor(int n) {
    if (n >= 0)
        return 1.0 / std::pow(10.0, n);
    return std::pow(10.0, -n);
}

bool TryRound(double x, std::int64_t& result) {
    // nearbyint follows the default rounding mode: nearest, ties to even.
    const double r = std::nearbyint(x);
    // [-2^63, 2^63): both bounds are exact doubles.
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
        return false;
    result = static_cast<std::int64_t>(r);
    return true;
}

} // namespace

std::int64_t Round(double x) {
    std::int64_t r;
    if (!TryRound(x, r))
        throw EInvalidOp();
    return r;
}

bool TryRoundTo(double x, int n, double& result) {
    const double f = Factor(n);
    std::int64_t r;
    if (!TryRound(x / f, r))
        return false;
    result = static_cast<double>(r) * f;
    return true;
}

double RoundTo(double x, int n) {
    double result;
    if (!TryRoundTo(x, n, result))
        throw EInvalidOp();
    return result;
}

float ToSingle(long double x) {
    const float f = static_cast<float>(x);
    if (std::isinf(f) && std::isfinite(x))
        throw EOverflow();
    return f;
}

} // namespace rt
