// What one plotting tick adds to the run charts, without widgets.
#include <gtest/gtest.h>

#include <optional>

#include "app/RunDisplay.h"
#include "runtime/SysUtils.h"

namespace {

using app::PlotInput;
using app::PlotOutput;
using app::PlotPoint;
using app::PlotStep;

class RunDisplayRules : public ::testing::Test {
protected:
    void SetUp() override {
        separator_ = rt::DecimalSeparator();
        rt::SetDecimalSeparator('.');
    }
    void TearDown() override { rt::SetDecimalSeparator(separator_); }

private:
    char separator_ = '.';
};

TEST_F(RunDisplayRules, PlottingStates) {
    for (int s = 0; s < 256; ++s) {
        const auto state = static_cast<std::uint8_t>(s);
        const bool run = s == 20 || s == 30 || s == 40;
        for (std::uint8_t mode : {0, 1, 2, 3, 200}) {
            const bool plots = run || (s == 50 && mode >= 2);
            EXPECT_EQ(app::IsPlottingState(state, mode), plots) << s << " mode " << int(mode);
        }
    }
}

TEST_F(RunDisplayRules, RoundingOfEachSeries) {
    PlotInput in;
    in.temperature = -3.14159f;
    in.prevTemperature = -2.5f;
    in.signal = 123.0f;
    in.prevSignal = 130.0f;
    in.df = -1.23456f;
    in.baseline = 700; // the transmission is 17.5714... %

    in.mode = 0;
    PlotOutput clear = PlotStep(in);
    EXPECT_DOUBLE_EQ(clear.temperature, -3.1);
    EXPECT_DOUBLE_EQ(*clear.transmission, 17.6);
    ASSERT_TRUE(clear.chart2Series0);
    EXPECT_DOUBLE_EQ(clear.chart2Series0->x, -3.1);
    EXPECT_DOUBLE_EQ(clear.chart2Series0->y, 17.571);
    EXPECT_FALSE(clear.chart2Series1);
    ASSERT_TRUE(clear.chart3Series1);
    EXPECT_DOUBLE_EQ(clear.chart3Series1->x, -3.14);
    EXPECT_DOUBLE_EQ(clear.chart3Series1->y, 1.235);
    EXPECT_FALSE(clear.chart3Series0);
    EXPECT_EQ(*clear.label5, "17.6");
    EXPECT_DOUBLE_EQ(clear.baseline, 700);

    in.mode = 1;
    PlotOutput set = PlotStep(in);
    ASSERT_TRUE(set.chart2Series1);
    EXPECT_DOUBLE_EQ(set.chart2Series1->x, -3.1);
    EXPECT_DOUBLE_EQ(set.chart2Series1->y, 17.6);
    EXPECT_FALSE(set.chart2Series0);
    ASSERT_TRUE(set.chart3Series0);
    EXPECT_DOUBLE_EQ(set.chart3Series0->x, -3.14);
    EXPECT_DOUBLE_EQ(set.chart3Series0->y, 1.235);
    EXPECT_FALSE(set.chart3Series1);
    EXPECT_DOUBLE_EQ(*set.transmission, 17.6);
    EXPECT_EQ(*set.label5, "17.6");
}

TEST_F(RunDisplayRules, BaselineZeroIsTakenAndTheSameTickPlotsAtHundred) {
    for (std::uint8_t mode : {0, 1}) {
        PlotInput in;
        in.temperature = 12.0f;
        in.signal = 850.0f;
        in.mode = mode;
        in.baseline = 0;
        const PlotOutput out = PlotStep(in);
        EXPECT_DOUBLE_EQ(out.temperature, 12.0);
        EXPECT_FALSE(out.transmission) << "no transmission point while the baseline is taken";
        EXPECT_DOUBLE_EQ(out.baseline, 850);
        const std::optional<PlotPoint>& chart2 = mode ? out.chart2Series1 : out.chart2Series0;
        ASSERT_TRUE(chart2);
        EXPECT_EQ(*chart2, (PlotPoint{12.0, 100.0}));
        EXPECT_EQ(*out.label5, "100");
    }
}

TEST_F(RunDisplayRules, ZeroSignalLeavesTheBaselineZeroAndPlotsOnlyTheTemperature) {
    PlotInput in;
    in.temperature = 5.0f;
    in.prevTemperature = 5.5f;
    in.signal = 0;
    in.mode = 0;
    const PlotOutput out = PlotStep(in);
    EXPECT_DOUBLE_EQ(out.baseline, 0);
    EXPECT_FALSE(out.transmission);
    EXPECT_FALSE(out.chart2Series0);
    EXPECT_FALSE(out.label5);
    EXPECT_TRUE(out.chart3Series1); // the rate curve does not need the baseline
}

struct RateCase {
    const char* name;
    std::uint8_t mode;
    float t, prevT, f, prevF, df;
    bool point;
    double y; // the point's Y when there is one: -df at 3 decimals
};

TEST_F(RunDisplayRules, RateCurveThresholds) {
    const RateCase cases[] = {
        // mode bit 0 set: Chart3 series 0 wants f - prev f below 20 and a new round1(T)
        {"rise just below 20", 1, -4.0f, -3.5f, 119.5f, 100.0f, 2.0f, true, -2},
        {"rise of exactly 20", 1, -4.0f, -3.5f, 120.0f, 100.0f, 2.0f, false, 0},
        {"rise above 20", 1, -4.0f, -3.5f, 150.0f, 100.0f, 2.0f, false, 0},
        {"fall is fine", 1, -4.0f, -3.5f, 10.0f, 100.0f, 2.0f, true, -2},
        {"same round1(T)", 1, -5.04f, -4.96f, 100.0f, 100.0f, 2.0f, false, 0},
        {"rising T still plots", 1, -4.0f, -4.5f, 100.0f, 100.0f, 2.0f, true, -2},
        {"huge df is fine with bit 0", 1, -4.0f, -3.5f, 100.0f, 100.0f, 500.0f, true, -500},
        // mode bit 0 clear: Chart3 series 1 wants -50 < df < 50 and T below the previous T
        {"df 49.9", 0, -4.0f, -3.9f, 100.0f, 100.0f, 49.9f, true, -49.9},
        {"df exactly 50", 0, -4.0f, -3.9f, 100.0f, 100.0f, 50.0f, false, 0},
        {"df exactly -50", 0, -4.0f, -3.9f, 100.0f, 100.0f, -50.0f, false, 0},
        {"df -49.9", 0, -4.0f, -3.9f, 100.0f, 100.0f, -49.9f, true, 49.9},
        {"T equal to the previous", 0, -4.0f, -4.0f, 100.0f, 100.0f, 1.0f, false, 0},
        {"T above the previous", 0, -4.0f, -4.01f, 100.0f, 100.0f, 1.0f, false, 0},
        {"T a hair below, same round1", 0, -4.001f, -4.0f, 100.0f, 100.0f, 1.0f, true, -1},
        {"big rise is fine without bit 0", 0, -4.0f, -3.9f, 500.0f, 100.0f, 1.0f, true, -1},
        // mode 2 and 3 select by bit 0 like 0 and 1
        {"mode 2 as 0", 2, -4.0f, -3.9f, 100.0f, 100.0f, 50.0f, false, 0},
        {"mode 3 as 1", 3, -4.0f, -3.5f, 120.0f, 100.0f, 2.0f, false, 0},
    };
    for (const RateCase& c : cases) {
        PlotInput in{c.t, c.prevT, c.f, c.prevF, c.df, c.mode, 1000.0};
        const PlotOutput out = PlotStep(in);
        const bool bit0 = c.mode & 1;
        const std::optional<PlotPoint>& mine = bit0 ? out.chart3Series0 : out.chart3Series1;
        const std::optional<PlotPoint>& other = bit0 ? out.chart3Series1 : out.chart3Series0;
        EXPECT_EQ(mine.has_value(), c.point) << c.name;
        EXPECT_FALSE(other) << c.name;
        if (mine) {
            EXPECT_DOUBLE_EQ(mine->x, -4.0) << c.name;
            EXPECT_DOUBLE_EQ(mine->y, c.y) << c.name;
        }
    }
}

TEST_F(RunDisplayRules, ValuesTheRoundingCannotTakeArePlottedAsTheyAre) {
    PlotInput in;
    in.temperature = 3e38f;
    in.prevTemperature = 3.4e38f;
    in.signal = 3e38f;
    in.df = 1;
    in.baseline = 1e-30;
    const PlotOutput out = PlotStep(in); // does not raise
    EXPECT_FLOAT_EQ(static_cast<float>(out.temperature), 3e38f);
    ASSERT_TRUE(out.transmission);
    EXPECT_GT(*out.transmission, 1e60);
}

// A determination cut off by the next one's ready state takes each result from the present
// report where it has one, else from the report of its run; the additive from its run.
TEST_F(RunDisplayRules, ResultsOfADeterminationWhoseEndWasNotSeen) {
    using R = app::RecordResults;
    const struct {
        R now, run, recorded;
    } cases[] = {
        {{77, 77, 77, 0}, {-5, 77, -15, 1}, {-5, 77, -15, 1}},
        {{-5.5f, -25, 77, 0}, {-5, 77, -15, 1}, {-5.5f, -25, -15, 1}},
        {{77, 77, 77, 1}, {77, 77, 77, 0}, {77, 77, 77, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::CutOffResults(c.now, c.run), c.recorded);
}

TEST_F(RunDisplayRules, StateTexts) {
    struct Case {
        std::uint8_t state;
        float temperature;
        const char* text;
    };
    const Case cases[] = {
        {0, 9.99f, "Измерение закончено . Идет восстановление температуры !"},
        {0, -30.0f, "Измерение закончено . Идет восстановление температуры !"},
        {0, 10.0f, "Прибор готов к работе !"},
        {1, 20.0f, "Для запуска определения температуры помутнения нажмите \"ПУСК\" !"},
        {2, 20.0f,
         "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !"},
        {3, 20.0f,
         "Для запуска определения температуры помутнения,застывания,ПТФ нажмите \"ПУСК\" !"},
        {4, 20.0f,
         "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !"},
        {5, 20.0f, "Измерение закончено !"},
        {20, 20.0f, "Определение температуры помутнения..."},
        {30, 20.0f, "Определение предельной температуры фильтруемости..."},
        {40, 20.0f, "Определение температуры помутнения, застывания, ПТФ."},
        {50, 20.0f, "Определение предельной температуры фильтруемости..."},
        {100, 20.0f, "Прибор не готов !!!"},
        {6, 20.0f, ""},
        {255, 20.0f, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::StateText(app::RussianTexts, c.state, c.temperature), c.text)
            << int(c.state) << " at " << c.temperature;
}

} // namespace
