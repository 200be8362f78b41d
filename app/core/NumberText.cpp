#include "app/core/NumberText.h"

#include "runtime/Math.h"
#include "runtime/SysUtils.h"

namespace core {

double Rounded(double x, int decimals) {
    double r = x;
    rt::TryRoundTo(x, decimals, r);
    return r;
}

std::string RoundedText(double x, int decimals) { return rt::FloatToStr(Rounded(x, decimals)); }

std::string ResultText(float value) {
    return value == kNotDetermined ? std::string("?") : RoundedText(value, 1);
}

} // namespace core
