#pragma once
// Exceptions, number conversions and the formatting helpers of the runtime.
// Texts are UTF-8; numbers use the process-wide decimal separator.
#include <concepts>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <type_traits>

namespace rt {

// ---- exceptions ----------------------------------------------------------------------------

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Text does not convert to a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    // "'<text>' is not a valid integer value"
    static EConvertError InvalidInteger(std::string_view text);
    // "'<text>' is not a valid floating point value"
    static EConvertError InvalidFloat(std::string_view text);
};

class EMathError : public Exception {
public:
    using Exception::Exception;
};
class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
    using EMathError::EMathError;
};
class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
    using EMathError::EMathError;
};
class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
    using EMathError::EMathError;
};

class EIntError : public Exception {
public:
    using Exception::Exception;
};
class ERangeError : public EIntError {
public:
    ERangeError() : EIntError("Range check error") {}
    using EIntError::EIntError;
};
class EIntOverflow : public EIntError {
public:
    EIntOverflow() : EIntError("Arithmetic overflow") {}
    using EIntError::EIntError;
};
class EDivByZero : public EIntError {
public:
    EDivByZero() : EIntError("Division by zero") {}
    using EIntError::EIntError;
};

// File access.
class EInOutError : public Exception {
public:
    // "I/O error <code>"
    explicit EInOutError(int errorCode);
    EInOutError(int errorCode, std::string message)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_ = 0;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFileStreamError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// "Cannot open file "<fileName>". <reason>"
class EFOpenError : public EFileStreamError {
public:
    EFOpenError(std::string_view fileName, std::string_view reason);
};
// "Cannot create file "<fileName>". <reason>"
class EFCreateError : public EFileStreamError {
public:
    EFCreateError(std::string_view fileName, std::string_view reason);
    // The same error with a line of what it leaves added to its message.
    EFCreateError WithLine(std::string_view line) const;

private:
    explicit EFCreateError(std::string message) : EFileStreamError(std::move(message)) {}
};

// Thread class misuse (waiting for itself, waiting for a thread never started).
class EThread : public Exception {
public:
    using Exception::Exception;
};

// The message texts, for code that builds them without raising.
std::string InvalidIntegerText(std::string_view text);
std::string InvalidFloatText(std::string_view text);
std::string FOpenErrorText(std::string_view fileName, std::string_view reason);
std::string FCreateErrorText(std::string_view fileName, std::string_view reason);

// ---- decimal separator ----------------------------------------------------------------------

// The separator used by FloatToStr and StrToFloat. Starts as the radix character of the
// environment's LC_NUMERIC ('.' when that locale is unknown); tests may set it.
char DecimalSeparator();
void SetDecimalSeparator(char separator);
// Radix character of the named locale ("" = environment); '.' when the locale is unknown.
char LocaleDecimalSeparator(const char* localeName);

// ---- number to text -------------------------------------------------------------------------

std::string IntToStr(std::int64_t value);
std::string IntToStr(std::uint64_t value);
template <std::integral T>
std::string IntToStr(T value) {
    if constexpr (std::is_signed_v<T>)
        return IntToStr(static_cast<std::int64_t>(value));
    else
        return IntToStr(static_cast<std::uint64_t>(value));
}

// Upper-case hexadecimal, at least `digits` digits (zero padded). Negative values show the
// two's complement of their own type's width (IntToHex(-1, 2) with an int gives FFFFFFFF).
std::string IntToHexBits(std::uint64_t bits, int digits);
template <std::integral T>
std::string IntToHex(T value, int digits) {
    return IntToHexBits(static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value)),
                        digits);
}

// Shortest form with up to 15 significant digits, no trailing zeros, the decimal separator;
// exponent form ("1E-5", "1,5E20") only below 0.0001 or from 1E15 up. -0 gives "0";
// NaN and infinities give "NAN", "INF", "-INF".
std::string FloatToStr(double value);

// printf formatting, except that %x gives upper-case digits like %X.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---- text to number -------------------------------------------------------------------------
// Integers: optional leading blanks, optional sign, decimal digits, nothing after them; the
// value must fit the type. Floats: blanks allowed before and after, optional sign, digits with
// at most one decimal separator (the current one), optional exponent (E or e, optional sign);
// a value beyond the double range fails. Failures raise EConvertError with the text as given.

bool TryStrToInt(std::string_view text, std::int32_t& value);
bool TryStrToInt64(std::string_view text, std::int64_t& value);
bool TryStrToFloat(std::string_view text, double& value);
// The same in extended precision, whose range (to about 1.19E4932) the text must fit.
bool TryStrToExtended(std::string_view text, long double& value);
std::int32_t StrToInt(std::string_view text);
std::int64_t StrToInt64(std::string_view text);
double StrToFloat(std::string_view text);
// A text read in extended precision and rounded to single precision: EOverflow when the value
// is beyond the single range ("1E40", "1E400"), EConvertError beyond the extended range.
float StrToSingle(std::string_view text);

} // namespace rt
