#pragma once
// The number texts shown, stored and printed: rounded to n decimals, then the general number
// form with the locale's decimal separator.
#include <string>

namespace core {

// The analyzer's value for a result that is not determined.
constexpr float kNotDetermined = 77.0f;

// x rounded to n decimals; x itself where the rounding fails.
double Rounded(double x, int decimals);
// Rounded(x, n) in the general number form.
std::string RoundedText(double x, int decimals);
// "?" for 77 (exact single-precision comparison), else the value at 1 decimal.
std::string ResultText(float value);

} // namespace core
