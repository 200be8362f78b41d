// Number texts: any text converts or is refused (with its message), and what converts is
// written and read back to the same value. Byte 0 picks the decimal separator; with eight
// bytes or more the first eight are also taken as a double for the text forms.
#include "app/core/NumberText.h"
#include "fuzz/Check.h"
#include "runtime/Math.h"
#include "runtime/SysUtils.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

void Shown(double x) {
    const std::string text = rt::FloatToStr(x);
    FUZZ_CHECK(!text.empty());
    for (int n = 0; n <= 4; ++n) {
        double r = 0;
        if (rt::TryRoundTo(x, n, r))
            FUZZ_CHECK(std::isfinite(r));
        core::RoundedText(x, n);
    }
    core::ResultText(static_cast<float>(x));
    if (!std::isfinite(x) || std::fabs(x) > 1e300)
        return;
    // The shown text is a number again, within its 15 digits.
    double back = 0;
    FUZZ_CHECK(rt::TryStrToFloat(text, back));
    FUZZ_CHECK(std::fabs(back - x) <= 1e-14 * std::fabs(x));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    rt::SetDecimalSeparator(data[0] & 1 ? ',' : '.');
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::int64_t wide = 0;
    if (rt::TryStrToInt64(text, wide)) {
        std::int64_t back = 0;
        FUZZ_CHECK(rt::TryStrToInt64(rt::IntToStr(wide), back) && back == wide);
    }
    std::int32_t narrow = 0;
    if (rt::TryStrToInt(text, narrow)) {
        std::int32_t back = 0;
        FUZZ_CHECK(rt::TryStrToInt(rt::IntToStr(narrow), back) && back == narrow);
        FUZZ_CHECK(rt::TryStrToInt64(text, wide) && wide == narrow);
    }
    double value = 0;
    if (rt::TryStrToFloat(text, value)) {
        FUZZ_CHECK(std::isfinite(value));
        Shown(value);
    }
    try {
        rt::StrToFloat(text);
    } catch (const rt::EConvertError& e) {
        FUZZ_CHECK(e.Message().find("is not a valid floating point value") != std::string::npos);
    }
    // The parameter edits' conversion: a finite single, refused with its message, or too
    // large for a single.
    try {
        FUZZ_CHECK(std::isfinite(rt::StrToSingle(text)));
    } catch (const rt::EConvertError& e) {
        FUZZ_CHECK(e.Message().find("is not a valid floating point value") != std::string::npos);
    } catch (const rt::EOverflow& e) {
        FUZZ_CHECK(e.Message() == "Floating point overflow");
    }

    if (size >= 8) {
        double bits = 0;
        std::memcpy(&bits, data, sizeof bits);
        Shown(bits);
    }
    return 0;
}
