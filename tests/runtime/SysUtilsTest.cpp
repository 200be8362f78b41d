#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace rt;

class DecimalSeparatorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = DecimalSeparator();
        SetDecimalSeparator('.');
    }
    void TearDown() override { SetDecimalSeparator(saved_); }
    char saved_ = '.';
};

using FloatToStrTest = DecimalSeparatorFixture;

TEST_F(FloatToStrTest, ShortestFormUpTo15Digits) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {-12.3, "-12.3"},
        {-12.0, "-12"},
        {0.1 + 0.2, "0.3"},
        {100.0, "100"},
        {0.0, "0"},
        {-0.0, "0"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {123456789012345.0, "123456789012345"},
        {0.0001, "0.0001"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {0.00001, "1E-5"},
        {-2.5e-7, "-2.5E-7"},
        {static_cast<double>(12.3f), "12.3000001907349"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
}

TEST_F(FloatToStrTest, UsesTheDecimalSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToStr(-12.3), "-12,3");
    EXPECT_EQ(FloatToStr(-12.0), "-12");
    EXPECT_EQ(FloatToStr(1.5e20), "1,5E20");
}

TEST(DecimalSeparator, ComesFromTheLocale) {
    EXPECT_EQ(LocaleDecimalSeparator("C"), '.');
    EXPECT_EQ(LocaleDecimalSeparator("xx_NOWHERE.UTF-8"), '.');
    const char ru = LocaleDecimalSeparator("ru_RU.UTF-8");
    if (ru == '.')
        GTEST_SKIP() << "ru_RU.UTF-8 is not installed";
    EXPECT_EQ(ru, ',');
}

TEST(IntToHex, UpperCaseZeroPadded) {
    EXPECT_EQ(IntToHex(255, 2), "FF");
    EXPECT_EQ(IntToHex(10, 4), "000A");
    EXPECT_EQ(IntToHex(0, 0), "0");
    EXPECT_EQ(IntToHex(0xABCDEF, 2), "ABCDEF");
    EXPECT_EQ(IntToHex(std::uint8_t{0x0B}, 2), "0B");
    EXPECT_EQ(IntToHex(std::int8_t{-1}, 2), "FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::int64_t{-2}, 1), "FFFFFFFFFFFFFFFE");
}

TEST(IntToStr, WholeRange) {
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToStr(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(IntToStr(std::uint8_t{200}), "200");
}

TEST(StrToInt, AcceptsDecimalWithLeadingBlanks) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {"12", 12},
        {"  12", 12},
        {"-12", -12},
        {"+7", 7},
        {"007", 7},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
}

TEST(StrToInt, RejectsWithTheExactMessage) {
    const char* bad[] = {"",  " ", "12 ", "1 2", "12a",        "0x10",        "$10",
                         "-", "+", "1.5", "--1", "2147483648", "-2147483649", "\xD0\xB0\xD0\xB1"};
    for (const char* text : bad) {
        std::int32_t value = 99;
        EXPECT_FALSE(TryStrToInt(text, value)) << text;
        EXPECT_EQ(value, 99);
        try {
            StrToInt(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid integer value");
        }
    }
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_THROW(StrToInt64("-9223372036854775809"), EConvertError);
}

using StrToFloatTest = DecimalSeparatorFixture;

TEST_F(StrToFloatTest, AcceptsDecimalForms) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"-12.3", -12.3}, {" 1.5 ", 1.5}, {"1e3", 1000.0}, {"1E-2", 0.01},   {".5", 0.5},
        {"5.", 5.0},      {"+2", 2.0},    {"-0", -0.0},    {"007.25", 7.25}, {"1e-400", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StrToFloat(c.text), c.value) << c.text;
}

TEST_F(StrToFloatTest, TakesOnlyTheCurrentSeparator) {
    EXPECT_THROW(StrToFloat("1,5"), EConvertError);
    SetDecimalSeparator(',');
    EXPECT_EQ(StrToFloat("-12,3"), -12.3);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
}

TEST_F(StrToFloatTest, RejectsWithTheExactMessage) {
    const char* bad[] = {"",      " ",     ".",     "1e",     "e5",
                         "1.2.3", "abc",   "1e999", "-1e999", "inf",
                         "nan",   "0x1p3", "1 000", "1e+",    "\xD0\xB0\xD0\xB1\xD0\xB2"};
    for (const char* text : bad) {
        try {
            StrToFloat(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

// Single precision from extended precision: beyond the single range is an overflow, beyond
// the extended range the text is not a valid value.
TEST_F(StrToFloatTest, StrToSingleReadsInExtendedPrecision) {
    const std::pair<const char*, float> values[] = {
        {"1.5", 1.5f}, {"-2.5", -2.5f}, {"1e-50", 0.0f}, {"1e-400", 0.0f}, {"3.4e38", 3.4e38f},
    };
    for (const auto& [text, value] : values)
        EXPECT_EQ(StrToSingle(text), value) << text;
    for (const char* text : {"1e39", "-1e39", "1e400", "-1e4000", "1e4900"})
        EXPECT_THROW(StrToSingle(text), EOverflow) << text;
    for (const char* text : {"1e5000", "-1e5000", "abc", "", "1,5"}) {
        try {
            StrToSingle(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(),
                      std::string("'") + text + "' is not a valid floating point value");
        }
    }
    SetDecimalSeparator(',');
    EXPECT_EQ(StrToSingle("1,5"), 1.5f);
}

TEST(Exceptions, MessagesAndKinds) {
    EXPECT_EQ(EOverflow().Message(), "Floating point overflow");
    EXPECT_EQ(EFOpenError("data2.tab", "No such file or directory").Message(),
              "Cannot open file \"data2.tab\". No such file or directory");
    EXPECT_EQ(EFCreateError("gr/gr1.txt", "Permission denied").Message(),
              "Cannot create file \"gr/gr1.txt\". Permission denied");
    EXPECT_EQ(EFCreateError("data2.tab", "No space left on device").WithLine("left").Message(),
              "Cannot create file \"data2.tab\". No space left on device\nleft");
    EXPECT_EQ(EInOutError(2).Message(), "I/O error 2");
    EXPECT_EQ(EInOutError(2).ErrorCode(), 2);

    try {
        throw EFOpenError("a", "b");
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Cannot open file \"a\". b");
    }
    try {
        throw EOverflow();
    } catch (const EMathError& e) {
        EXPECT_EQ(e.Message(), "Floating point overflow");
    }
    try {
        throw ERangeError();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Range check error");
    }
}

TEST(Format, HexIsUpperCase) {
    EXPECT_EQ(Format("WRITE ERROR: %s (%x)", "Device not ready", 0x1fu),
              "WRITE ERROR: Device not ready (1F)");
    EXPECT_EQ(Format("%.2x ", 10u), "0A ");
    EXPECT_EQ(Format("%lx|%%x|%d", 0xabcUL, -3), "ABC|%x|-3");
    EXPECT_EQ(Format("%s", ""), "");
}

} // namespace
