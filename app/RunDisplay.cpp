#include "app/RunDisplay.h"

#include "app/core/NumberText.h"

namespace app {

namespace {

// Plotted numbers never raise: a value the rounding cannot take is plotted as it is, so a
// wild report cannot open an error box on every tick.
double Round(double x, int decimals) { return core::Rounded(x, decimals); }

} // namespace

bool IsPlottingState(std::uint8_t state, std::uint8_t mode) {
    return IsRunState(state) || (state == Byte(TAnalyzerState::CfppValve) && mode >= 2);
}

std::string StateText(const TTexts& texts, std::uint8_t state, float temperature) {
    switch (state) {
    case Byte(TAnalyzerState::Idle):
        return temperature < 10 ? texts.StateRecovering : texts.StateReady;
    case Byte(TAnalyzerState::ReadyCloud): return texts.State1;
    case Byte(TAnalyzerState::ReadyCfpp): return texts.State2;
    case Byte(TAnalyzerState::ReadyAll): return texts.State3;
    case Byte(TAnalyzerState::ReadyCfppOptical): return texts.State4;
    case Byte(TAnalyzerState::End): return texts.State5;
    case Byte(TAnalyzerState::RunCloud): return texts.State20;
    case Byte(TAnalyzerState::RunCfpp): return texts.State30;
    case Byte(TAnalyzerState::RunAll): return texts.State40;
    case Byte(TAnalyzerState::CfppValve): return texts.State50;
    case Byte(TAnalyzerState::NotReady): return texts.State100;
    default: return {};
    }
}

PlotOutput PlotStep(const PlotInput& in) {
    PlotOutput out;
    double baseline = in.baseline;
    const double t = in.temperature;
    const double f = in.signal;
    auto pct = [&] { return f * 100.0 / baseline; };

    out.temperature = Round(t, 1);
    if (baseline != 0)
        out.transmission = Round(pct(), 1);
    else
        baseline = f;

    if (in.mode & 1) {
        if (baseline != 0)
            out.chart2Series1 = PlotPoint{Round(t, 1), Round(pct(), 1)};
        else
            baseline = f;
        if (f - static_cast<double>(in.prevSignal) < 20 &&
            Round(t, 1) != Round(in.prevTemperature, 1))
            out.chart3Series0 = PlotPoint{Round(t, 2), Round(-static_cast<double>(in.df), 3)};
    } else {
        if (baseline != 0)
            out.chart2Series0 = PlotPoint{Round(t, 1), Round(pct(), 3)};
        else
            baseline = f;
        if (in.df > -50 && in.df < 50 && in.temperature < in.prevTemperature)
            out.chart3Series1 = PlotPoint{Round(t, 2), Round(-static_cast<double>(in.df), 3)};
    }

    if (baseline != 0)
        out.label5 = core::RoundedText(pct(), 1);
    out.baseline = baseline;
    return out;
}

RecordResults CutOffResults(const RecordResults& now, const RecordResults& run) {
    auto pick = [](float reported, float ran) {
        return reported != core::kNotDetermined ? reported : ran;
    };
    return {pick(now.cloudPoint, run.cloudPoint), pick(now.pourPoint, run.pourPoint),
            pick(now.filterPoint, run.filterPoint), run.additive};
}

} // namespace app
