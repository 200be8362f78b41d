#include "runtime/Math.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

using namespace rt;

TEST(RoundTo, TiesGoToEven) {
    // Each x / 10^-n is an exact tie k + 0.5.
    struct Case {
        double x;
        int n;
        std::int64_t k;
        double f;
    };
    const Case cases[] = {
        {0.5, 0, 0, 1.0},        {1.5, 0, 2, 1.0},          {2.5, 0, 2, 1.0},
        {-2.5, 0, -2, 1.0},      {3.5, 0, 4, 1.0},          {0.25, 1, 2, 0.1},
        {0.45, 1, 4, 0.1},       {-0.25, 1, -2, 0.1},       {0.05, 1, 0, 0.1},
        {0.015, 2, 2, 0.01},     {0.025, 2, 2, 0.01},       {-0.015, 2, -2, 0.01},
        {0.0015, 3, 2, 0.001},   {0.0025, 3, 2, 0.001},     {0.00015000000000000001, 4, 2, 0.0001},
        {0.00025, 4, 2, 0.0001}, {-0.00035, 4, -4, 0.0001},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoundTo(c.x, c.n), static_cast<double>(c.k) * c.f) << c.x << " to " << c.n;
}

TEST(RoundTo, NearestOffTies) {
    EXPECT_EQ(RoundTo(-12.34, 1), -12.3);
    EXPECT_EQ(RoundTo(-12.36, 1), -12.4);
    EXPECT_EQ(RoundTo(2.71828, 3), 2718 * 0.001);
    EXPECT_EQ(RoundTo(1250.0, -2), 1200.0);
    EXPECT_EQ(RoundTo(1350.0, -2), 1400.0);
    SetDecimalSeparator('.');
    EXPECT_EQ(FloatToStr(RoundTo(-12.34, 1)), "-12.3");
    EXPECT_EQ(FloatToStr(RoundTo(36.6049999, 2)), "36.6");
}

TEST(RoundTo, QuotientOutsideInt64Fails) {
    const double two63 = 9223372036854775808.0;
    struct Case {
        double x;
        int n;
        bool ok;
    };
    const Case cases[] = {
        {-two63, 0, true},
        {9.2e18, 0, true},
        {two63, 0, false},
        {-1e19, 0, false},
        {1e15, 4, false},
        {9e14, 4, true},
        {std::numeric_limits<double>::quiet_NaN(), 1, false},
        {std::numeric_limits<double>::infinity(), 1, false},
    };
    for (const Case& c : cases) {
        double result = 123.0;
        EXPECT_EQ(TryRoundTo(c.x, c.n, result), c.ok) << c.x << " to " << c.n;
        if (c.ok) {
            EXPECT_NO_THROW(RoundTo(c.x, c.n));
        } else {
            EXPECT_EQ(result, 123.0);
            EXPECT_THROW(RoundTo(c.x, c.n), EInvalidOp);
        }
    }
    EXPECT_EQ(Round(-two63), std::numeric_limits<std::int64_t>::min());
    EXPECT_THROW(Round(two63), EInvalidOp);
}

TEST(ToSingle, OverflowRaises) {
    EXPECT_EQ(ToSingle(1.5), 1.5f);
    EXPECT_EQ(ToSingle(FLT_MAX), FLT_MAX);
    EXPECT_TRUE(std::isinf(ToSingle(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(ToSingle(std::numeric_limits<double>::quiet_NaN())));
    for (double big : {1e39, -1e39, 3.5e38}) {
        try {
            ToSingle(big);
            ADD_FAILURE() << big;
        } catch (const EOverflow& e) {
            EXPECT_EQ(e.Message(), "Floating point overflow");
        }
    }
}

} // namespace
