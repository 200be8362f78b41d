#include "runtime/SysUtils.h"

#include "runtime/Math.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <langinfo.h>
#include <limits>
#include <locale.h>
#include <vector>

namespace rt {

// ---- exceptions ----------------------------------------------------------------------------

std::string InvalidIntegerText(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}

std::string InvalidFloatText(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid floating point value";
}

std::string FOpenErrorText(std::string_view fileName, std::string_view reason) {
    return "Cannot open file \"" + std::string(fileName) + "\". " + std::string(reason);
}

std::string FCreateErrorText(std::string_view fileName, std::string_view reason) {
    return "Cannot create file \"" + std::string(fileName) + "\". " + std::string(reason);
}

EConvertError EConvertError::InvalidInteger(std::string_view text) {
    return EConvertError(InvalidIntegerText(text));
}

EConvertError EConvertError::InvalidFloat(std::string_view text) {
    return EConvertError(InvalidFloatText(text));
}

EInOutError::EInOutError(int errorCode)
    : Exception("I/O error " + std::to_string(errorCode)), errorCode_(errorCode) {}

EFOpenError::EFOpenError(std::string_view fileName, std::string_view reason)
    : EFileStreamError(FOpenErrorText(fileName, reason)) {}

EFCreateError::EFCreateError(std::string_view fileName, std::string_view reason)
    : EFileStreamError(FCreateErrorText(fileName, reason)) {}

EFCreateError EFCreateError::WithLine(std::string_view line) const {
    return EFCreateError(Message() + "\n" + std::string(line));
}

// ---- decimal separator ----------------------------------------------------------------------

char LocaleDecimalSeparator(const char* localeName) {
    locale_t loc = newlocale(LC_NUMERIC_MASK, localeName ? localeName : "", locale_t(0));
    if (loc == locale_t(0))
        return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    // Only single-byte separators are used; anything else keeps the point.
    char sep = (radix && radix[0] && !radix[1]) ? radix[0] : '.';
    freelocale(loc);
    return sep;
}

namespace {

std::atomic<char>& Separator() {
    static std::atomic<char> separator{LocaleDecimalSeparator("")};
    return separator;
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return loc;
}

} // namespace

char DecimalSeparator() { return Separator().load(); }

void SetDecimalSeparator(char separator) { Separator().store(separator); }

// ---- number to text -------------------------------------------------------------------------

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string IntToStr(std::uint64_t value) { return std::to_string(value); }

std::string IntToHexBits(std::uint64_t bits, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    if (digits > static_cast<int>(out.size()))
        out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
    return out;
}

std::string FloatToStr(double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    char buf[64];
    // %.15g picks fixed or exponent form by the same bounds and drops trailing zeros.
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string text = buf;
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        // 1.5e+20 -> 1.5E20, 1e-05 -> 1E-5
        std::string mantissa = text.substr(0, e);
        const char sign = text[e + 1];
        std::string exponent = text.substr(e + 2);
        exponent.erase(0, exponent.find_first_not_of('0'));
        text = mantissa + "E" + (sign == '-' ? "-" : "") + exponent;
    }
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text[point] = DecimalSeparator();
    return text;
}

std::string Format(const char* format, ...) {
    // %x and its length variants become %X.
    std::string fmt = format;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%')
            continue;
        std::size_t j = i + 1;
        if (j < fmt.size() && fmt[j] == '%') {
            i = j;
            continue;
        }
        while (j < fmt.size() &&
               std::string_view("-+ #0123456789.*hljztL").find(fmt[j]) != std::string_view::npos)
            ++j;
        if (j < fmt.size() && fmt[j] == 'x')
            fmt[j] = 'X';
        i = j;
    }
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, fmt.c_str(), copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        std::vector<char> buf(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buf.data(), buf.size(), fmt.c_str(), args);
        out.assign(buf.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    return out;
}

// ---- text to number -------------------------------------------------------------------------

namespace {

bool IsBlank(char c) { return c == ' '; }

// Leading blanks, sign, decimal digits to the end; the magnitude is checked against the
// range [-(max+1), max] of a signed type with the given maximum.
bool ParseInteger(std::string_view text, std::uint64_t maxPositive, bool& negative,
                  std::uint64_t& magnitude) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    const std::uint64_t limit = negative ? maxPositive + 1 : maxPositive;
    magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (magnitude > (limit - digit) / 10)
            return false;
        magnitude = magnitude * 10 + digit;
    }
    return true;
}

} // namespace

bool TryStrToInt64(std::string_view text, std::int64_t& value) {
    bool negative;
    std::uint64_t magnitude;
    if (!ParseInteger(text, static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()),
                      negative, magnitude))
        return false;
    value =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool TryStrToInt(std::string_view text, std::int32_t& value) {
    bool negative;
    std::uint64_t magnitude;
    if (!ParseInteger(text, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()),
                      negative, magnitude))
        return false;
    const std::int64_t wide =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    value = static_cast<std::int32_t>(wide);
    return true;
}

namespace {

// The text in the C form ("-1.5e3") when it has the shape of a float, else empty.
std::string FloatShape(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    const char separator = DecimalSeparator();
    std::string c;
    std::size_t i = begin;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        c += text[i++];
    std::size_t digits = 0;
    bool point = false;
    for (; i < end; ++i) {
        const char ch = text[i];
        if (ch >= '0' && ch <= '9') {
            c += ch;
            ++digits;
        } else if (ch == separator && !point) {
            c += '.';
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return {};
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-'))
            c += text[i++];
        std::size_t expDigits = 0;
        for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits)
            c += text[i];
        if (expDigits == 0)
            return {};
    }
    if (i != end)
        return {};
    return c;
}

// The number in the text's float shape, read by parse in the C locale; false where the text
// has no such shape, holds more than the number or overflows the type.
template <class T, class Parse>
bool TryParseFloat(std::string_view text, T& value, Parse parse) {
    const std::string c = FloatShape(text);
    if (c.empty())
        return false;
    errno = 0;
    char* stop = nullptr;
    const T parsed = parse(c.c_str(), &stop, CLocale());
    if (stop != c.c_str() + c.size())
        return false;
    if (errno == ERANGE && std::isinf(parsed))
        return false;
    value = parsed;
    return true;
}

} // namespace

bool TryStrToFloat(std::string_view text, double& value) {
    return TryParseFloat(text, value, strtod_l);
}

bool TryStrToExtended(std::string_view text, long double& value) {
    return TryParseFloat(text, value, strtold_l);
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t value;
    if (!TryStrToInt(text, value))
        throw EConvertError::InvalidInteger(text);
    return value;
}

std::int64_t StrToInt64(std::string_view text) {
    std::int64_t value;
    if (!TryStrToInt64(text, value))
        throw EConvertError::InvalidInteger(text);
    return value;
}

double StrToFloat(std::string_view text) {
    double value;
    if (!TryStrToFloat(text, value))
        throw EConvertError::InvalidFloat(text);
    return value;
}

float StrToSingle(std::string_view text) {
    long double value;
    if (!TryStrToExtended(text, value))
        throw EConvertError::InvalidFloat(text);
    return ToSingle(value);
}

} // namespace rt
