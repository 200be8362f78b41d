#include "HostRules.h"

#include "analyzer/AnalyzerModel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace analyzer::test {
namespace {

double Round(double x, int n) {
    double r = 0;
    HostRound(x, n, r);
    return r;
}

// What the host sees of one status report.
struct Seen {
    std::uint8_t state = 0;
    double t = 0, f = 0, cloud = 0, pour = 0, filter = 0, df = 0;
    std::uint8_t mode = 0;
};

Seen Read(const Payload& p, bool layoutA) {
    Seen s;
    s.state = p[0];
    s.t = HostDecodeSingle(&p[1]);
    s.f = layoutA ? double(U32(&p[9])) : HostDecodeSingle(&p[9]);
    s.cloud = HostDecodeSingle(&p[13]);
    s.pour = HostDecodeSingle(&p[17]);
    s.filter = HostDecodeSingle(&p[21]);
    s.mode = p[25];
    s.df = layoutA ? double(std::int32_t(U32(&p[35]))) : HostDecodeSingle(&p[35]);
    return s;
}

// The host's once-a-second view: the polls, the "ПУСК" on a ready state, and the rules
// by which its run charts take points.
struct HostView {
    enum Series { T, Transmission, Chart2Valve, Chart2Optical, RateOptical, RateValve };

    std::vector<std::uint8_t> states; // every change of state
    std::vector<char> found;          // results in the order they appeared: c, f, p
    Seen first, last, prev;
    double cloud = 77, filter = 77, pour = 77;
    std::array<int, 6> points{};
    bool filtrationPlotted = false, filtrationQuiet = false;
    double baseline = 0;
    bool started = false;
    int polls = 0;

    void Take(const Seen& s) {
        prev = last;
        last = s;
        ++polls;
        if (states.empty() || states.back() != s.state)
            states.push_back(s.state);
        Note('c', s.cloud, cloud);
        Note('f', s.filter, filter);
        Note('p', s.pour, pour);
        Plot();
    }

    void Note(char which, double value, double& kept) {
        if (kept == 77 && value != 77)
            found.push_back(which);
        kept = value;
    }

    void Plot() {
        const Seen& s = last;
        const bool running = s.state == 20 || s.state == 30 || s.state == 40;
        if (s.state == 50)
            (s.mode >= 2 ? filtrationPlotted : filtrationQuiet) = true;
        if (running || (s.state == 50 && s.mode >= 2)) {
            ++points[T];
            if (baseline != 0)
                ++points[Transmission];
            else
                baseline = s.f;
            if (s.mode & 1) {
                if (baseline != 0)
                    ++points[Chart2Optical];
                if (s.f - prev.f < 20 && Round(s.t, 1) != Round(prev.t, 1))
                    ++points[RateOptical];
            } else {
                if (baseline != 0)
                    ++points[Chart2Valve];
                if (s.df > -50 && s.df < 50 && s.t < prev.t)
                    ++points[RateValve];
            }
        }
        if (s.state >= 1 && s.state <= 4)
            baseline = s.f;
        else if (s.state == 0 || s.state == 5)
            baseline = 0;
    }
};

Seen Poll(AnalyzerModel& model) {
    return Read(ReplyTo(model, OutputReport(Command::Poll)), model.LayoutA());
}

void PressStart(AnalyzerModel& model) {
    Send(model, OutputReport(Command::PreStart, {1}));
    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Start)}));
}

// Polls once a model second, presses "ПУСК" on the first ready state, and ends when the
// analyzer is ready again after its determination (or after `limit` seconds).
HostView RunOnce(AnalyzerModel& model, int limit = 4 * 3600) {
    HostView host;
    for (int second = 0; second < limit; ++second) {
        host.Take(Poll(model));
        const std::uint8_t state = host.last.state;
        if (state >= 1 && state <= 4) {
            if (host.started)
                break;
            PressStart(model);
            host.started = true;
        }
        model.Advance(1.0);
    }
    return host;
}

const Sample kDiesel{-5.0, -15.0, -25.0, true};

struct MethodCase {
    const char* name;
    Method method;
    std::uint16_t version;
    std::vector<std::uint8_t> states;
    std::string found;           // the results in the order they appear
    std::array<bool, 6> plotted; // which chart series get points
};

class DeterminationRunTest : public ::testing::TestWithParam<MethodCase> {};

TEST_P(DeterminationRunTest, WalksItsStatesAndFindsItsResultsInOrder) {
    const MethodCase& c = GetParam();
    AnalyzerModel model(c.version);
    model.SetSample(kDiesel);
    model.SetMethod(c.method);
    const HostView host = RunOnce(model);

    EXPECT_EQ(host.states, c.states);
    EXPECT_EQ(std::string(host.found.begin(), host.found.end()), c.found);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(host.points[i] > 0, c.plotted[i]) << "series " << i << ": " << host.points[i];

    // the results stand near the sample's; the ready state that follows has cleared them
    EXPECT_EQ(host.last.cloud, 77);
    EXPECT_EQ(host.last.filter, 77);
    EXPECT_EQ(host.last.pour, 77);
    if (c.method == Method::Cfpp) {
        EXPECT_TRUE(host.filtrationPlotted && !host.filtrationQuiet);
    }
    if (c.method == Method::CfppOptical) {
        EXPECT_TRUE(host.filtrationQuiet && !host.filtrationPlotted);
    }
}

constexpr bool X = true, o = false;

INSTANTIATE_TEST_SUITE_P(
    Methods, DeterminationRunTest,
    ::testing::Values(
        //                                                         T  pct  C2v C2o Rop Rva
        MethodCase{
            "CloudPoint", Method::CloudPoint, 1, {0, 1, 20, 5, 0, 1}, "c", {X, X, o, X, X, o}},
        MethodCase{"Cfpp", Method::Cfpp, 1, {0, 2, 30, 50, 5, 0, 2}, "f", {X, X, X, o, o, X}},
        MethodCase{"AllThree", Method::AllThree, 1, {0, 3, 40, 5, 0, 3}, "cfp", {X, X, X, X, X, X}},
        MethodCase{"CfppOptical",
                   Method::CfppOptical,
                   1,
                   {0, 4, 30, 50, 5, 0, 4},
                   "f",
                   {X, X, o, X, X, o}},
        MethodCase{"AllThreeLayoutA",
                   Method::AllThree,
                   3,
                   {0, 3, 40, 5, 0, 3},
                   "cfp",
                   {X, X, X, X, X, X}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeterminationTest, ResultsRead77UntilFoundThenTheTemperatureOfTheFinding) {
    AnalyzerModel model;
    model.SetSample(kDiesel);
    model.SetMethod(Method::AllThree);
    HostView host;
    double cloudAt = 77, filterAt = 77, pourAt = 77;
    for (int second = 0; second < 4 * 3600 && host.last.state != 5; ++second) {
        const Seen before = host.last;
        host.Take(Poll(model));
        const Seen& s = host.last;
        if (before.cloud == 77 && s.cloud != 77)
            cloudAt = s.t;
        if (before.filter == 77 && s.filter != 77)
            filterAt = s.t;
        if (before.pour == 77 && s.pour != 77)
            pourAt = s.t;
        if (s.state == 3 && !host.started) {
            PressStart(model);
            host.started = true;
        }
        model.Advance(1.0);
    }
    ASSERT_EQ(host.last.state, 5);
    // each found where the sample shows it, and reported from the report that found it
    EXPECT_GE(host.last.cloud, -5.5);
    EXPECT_LE(host.last.cloud, -5.0);
    EXPECT_GE(host.last.filter, -15.6);
    EXPECT_LE(host.last.filter, -15.0);
    EXPECT_GE(host.last.pour, -25.5); // the valve opens every 30 s, half a degree apart
    EXPECT_LE(host.last.pour, -24.5);
    EXPECT_NEAR(host.last.cloud, cloudAt, 0.05);
    EXPECT_NEAR(host.last.filter, filterAt, 0.05);
    EXPECT_NEAR(host.last.pour, pourAt, 0.05);
    // the run cools past the last result by the reverse margin (2 degrees)
    EXPECT_LE(host.last.t, host.last.pour - 1.9);
}

TEST(DeterminationTest, StopAbortsWithResultsUndetermined) {
    AnalyzerModel model;
    model.SetSample(kDiesel);
    model.Advance(10);
    PressStart(model);
    ASSERT_EQ(model.State(), Byte(AnalyzerState::RunAll));
    for (int i = 0; i < 3600 && Poll(model).cloud == 77; ++i)
        model.Advance(1);
    ASSERT_NE(Poll(model).cloud, 77);

    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Stop)}));
    const Seen s = Poll(model);
    EXPECT_EQ(s.state, Byte(AnalyzerState::Rest));
    EXPECT_EQ(s.cloud, 77);
    EXPECT_EQ(s.filter, 77);
    EXPECT_EQ(s.pour, 77);
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.df, 0);

    // it warms back and gets ready for the next determination
    for (int i = 0; i < 3600 && model.State() == Byte(AnalyzerState::Rest); ++i)
        model.Advance(1);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::ReadyAll));
}

TEST(DeterminationTest, DrainValveHeldGivesNotReady) {
    AnalyzerModel model;
    model.Advance(10);
    ASSERT_EQ(model.State(), Byte(AnalyzerState::ReadyAll));
    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Drain)}));
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(Poll(model).state, Byte(AnalyzerState::NotReady));
        model.Advance(1);
    }
    PressStart(model);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::NotReady)) << "no start while draining";

    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::EndDrain)}));
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Rest));
    model.Advance(Determination::kSettleSeconds);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::ReadyAll));

    // the valve stays shut while a determination runs
    PressStart(model);
    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Drain)}));
    EXPECT_EQ(model.State(), Byte(AnalyzerState::RunAll));
    EXPECT_FALSE(model.WithDetermination([](Determination& d) { return d.DrainOpen(); }));
}

TEST(DeterminationTest, StartIsTakenOnlyWhenTheSampleIsWarmAndAtRest) {
    AnalyzerModel model;
    model.SetSample(kDiesel);
    model.Advance(1); // state 0, 20 degrees, not yet ready: a start is taken
    ASSERT_EQ(model.State(), Byte(AnalyzerState::Rest));
    PressStart(model);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::RunAll));

    // a second start while running changes nothing
    for (int i = 0; i < 3600 && Poll(model).cloud == 77; ++i)
        model.Advance(1);
    const double cloud = Poll(model).cloud;
    PressStart(model);
    EXPECT_EQ(Poll(model).cloud, cloud);

    // after a stop below 10 degrees the sample must recover first
    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Stop)}));
    ASSERT_LT(model.WithDetermination([](Determination& d) { return d.SampleTemperature(); }),
              10.0);
    PressStart(model);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Rest));
}

// A cloud-point determination of the diesel sample, started and run until it has ended.
void RunACloudPointToItsEnd(AnalyzerModel& model) {
    model.SetSample(kDiesel);
    model.SetMethod(Method::CloudPoint);
    model.Advance(10);
    PressStart(model);
    for (int i = 0; i < 4 * 3600 && model.State() != Byte(AnalyzerState::Ended); ++i)
        model.Advance(1);
    ASSERT_EQ(model.State(), Byte(AnalyzerState::Ended));
}

TEST(DeterminationTest, EndStateLastsUntilTheHostHasSeenIt) {
    AnalyzerModel model;
    ASSERT_NO_FATAL_FAILURE(RunACloudPointToItsEnd(model));

    model.Advance(600); // nobody polls
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Ended));
    EXPECT_EQ(Poll(model).state, Byte(AnalyzerState::Ended));
    EXPECT_EQ(Poll(model).state, Byte(AnalyzerState::Ended));
    model.Advance(0.25);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Rest));
    EXPECT_NE(Poll(model).cloud, 77) << "the results stay until the next ready state";
}

// On its own clock the analyzer goes on while nobody polls: the end lasts its hold time, the
// sample warms and the next determination is prepared; its results go with the ready state.
TEST(DeterminationTest, OnItsOwnClockTheEndPassesWhileNobodyPolls) {
    AnalyzerModel model;
    model.SetOwnClock(true);
    ASSERT_NO_FATAL_FAILURE(RunACloudPointToItsEnd(model));

    std::vector<std::uint8_t> states{model.State()};
    for (int i = 0; i < 3600; ++i) { // nobody polls
        model.Advance(1);
        if (states.back() != model.State())
            states.push_back(model.State());
    }
    EXPECT_EQ(states, (std::vector<std::uint8_t>{5, 0, 1}));
    EXPECT_EQ(Poll(model).cloud, 77) << "a ready state prepares a new determination";
}

TEST(DeterminationTest, RunEndsWhenTheCoolerGivesOut) {
    AnalyzerModel model;
    model.SetSample({-5.0, -15.0, -60.0, false}); // pours below what the cooler reaches
    model.SetMethod(Method::AllThree);
    model.Advance(10);
    PressStart(model);
    int seconds = 0;
    for (; seconds < 24 * 3600 && model.State() == Byte(AnalyzerState::RunAll); ++seconds)
        model.Advance(1);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Ended));
    EXPECT_LT(seconds, 2 * 3600);
    const Seen s = Poll(model);
    EXPECT_NE(s.cloud, 77);
    EXPECT_NE(s.filter, 77);
    EXPECT_EQ(s.pour, 77);
}

TEST(DeterminationTest, ClockKeepsFractionsAndRefusesBadSteps) {
    Determination whole, parts;
    whole.SetSample(kDiesel);
    parts.SetSample(kDiesel);
    whole.Advance(6);
    ASSERT_TRUE(whole.Start());
    ASSERT_TRUE((parts.Advance(6), parts.Start()));
    whole.Advance(600);
    for (int i = 0; i < 6000; ++i)
        parts.Advance(0.1);
    parts.Advance(0.01); // less than a step: kept for later
    EXPECT_NEAR(whole.SampleTemperature(), parts.SampleTemperature(), 1e-9);

    const double t = whole.SampleTemperature();
    whole.Advance(-5);
    whole.Advance(std::nan(""));
    whole.Advance(0);
    EXPECT_EQ(whole.SampleTemperature(), t);
    whole.Advance(1e300); // bounded: at most a day is stepped
    EXPECT_EQ(whole.State(), Byte(AnalyzerState::Ended));
}

TEST(DeterminationTest, MethodChangeShowsAtOnceInTheReadyState) {
    AnalyzerModel model;
    model.Advance(10);
    ASSERT_EQ(model.State(), Byte(AnalyzerState::ReadyAll));
    model.SetMethod(Method::Cfpp);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::ReadyCfpp));
    PressStart(model);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::RunCfpp));
    model.SetMethod(Method::CloudPoint);
    EXPECT_EQ(model.State(), Byte(AnalyzerState::RunCfpp))
        << "the running determination keeps its method";
}

TEST(DeterminationTest, DemoRepeatsDeterminationsOfPlausibleSamples) {
    AnalyzerModel model;
    DemoSettings demo;
    demo.enabled = true;
    demo.seed = 7;
    model.SetDemo(demo);

    std::vector<std::uint8_t> runStates;
    std::vector<double> realRunSeconds;
    double runReal = 0;
    bool inRun = false;
    for (int real = 0; real < 3600 && realRunSeconds.size() < 5; ++real) {
        const Seen s = Poll(model); // the host polls once a real second, never presses "ПУСК"
        const bool running = s.state == 20 || s.state == 30 || s.state == 40 || s.state == 50;
        if (running && !inRun) {
            runStates.push_back(s.state);
            const Sample sample =
                model.WithDetermination([](Determination& d) { return d.CurrentSample(); });
            EXPECT_NEAR(sample.cloudPoint, -5, 2.01);
            EXPECT_LE(sample.filterPoint, sample.cloudPoint - 3);
            EXPECT_NEAR(sample.filterPoint, -15, 3.01);
            EXPECT_LE(sample.pourPoint, sample.filterPoint - 3);
            EXPECT_NEAR(sample.pourPoint, -25, 3.01);
            runReal = 0;
        }
        if (!running && inRun)
            realRunSeconds.push_back(runReal);
        inRun = running;
        runReal += 1;
        model.AdvanceReal(1);
    }
    ASSERT_EQ(realRunSeconds.size(), 5u);
    EXPECT_EQ(runStates, (std::vector<std::uint8_t>{40, 20, 30, 30, 40}));
    for (double seconds : realRunSeconds) {
        EXPECT_GE(seconds, 120);
        EXPECT_LE(seconds, 240);
    }
}

} // namespace
} // namespace analyzer::test
