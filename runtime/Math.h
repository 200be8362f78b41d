#pragma once
// Rounding rules shared by every shown, plotted and stored number.
#include <cstdint>

namespace rt {

// x rounded to n decimals: q = x / 10^-n, brought to the nearest 64-bit integer (ties to
// even), multiplied back by 10^-n. A q outside the 64-bit range (or NaN) raises EInvalidOp.
// n may be negative (rounding to tens, hundreds, ...).
double RoundTo(double x, int n);
// The same without raising: false (and result untouched) where RoundTo raises.
bool TryRoundTo(double x, int n, double& result);

// Nearest 64-bit integer, ties to even; EInvalidOp outside the range or for NaN.
std::int64_t Round(double x);

// Store a value into single precision: EOverflow when the value is beyond the single range
// (after rounding to the nearest single); NaN and infinities pass as they are.
float ToSingle(long double x);

} // namespace rt
