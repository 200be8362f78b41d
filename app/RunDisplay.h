#pragma once
// The rules of the run display without widgets: which states plot, what one plotting tick
// adds to the three run charts, and the message line's text for a state.
#include <cstdint>
#include <optional>
#include <string>

#include "app/Texts.h"
#include "app/core/NumberText.h"

namespace app {

// States the analyzer reports.
enum class TAnalyzerState : std::uint8_t {
    Idle = 0,
    ReadyCloud = 1,
    ReadyCfpp = 2,
    ReadyAll = 3,
    ReadyCfppOptical = 4,
    End = 5,
    RunCloud = 20,
    RunCfpp = 30,
    RunAll = 40,
    CfppValve = 50,
    NotReady = 100,
};

// The byte a state is reported as.
constexpr std::uint8_t Byte(TAnalyzerState state) { return static_cast<std::uint8_t>(state); }

inline bool IsReadyState(std::uint8_t state) {
    return state >= Byte(TAnalyzerState::ReadyCloud) &&
           state <= Byte(TAnalyzerState::ReadyCfppOptical);
}
inline bool IsRunState(std::uint8_t state) {
    return state == Byte(TAnalyzerState::RunCloud) || state == Byte(TAnalyzerState::RunCfpp) ||
           state == Byte(TAnalyzerState::RunAll);
}

// The plotting step runs in 20, 30 and 40, and in 50 when the mode byte is 2 or more.
bool IsPlottingState(std::uint8_t state, std::uint8_t mode);

// The message line for a state (T decides between the two texts of state 0); "" for a
// state outside the table.
std::string StateText(const TTexts& texts, std::uint8_t state, float temperature);

// What one plotting tick sees.
struct PlotInput {
    float temperature = 0;     // T
    float prevTemperature = 0; // T of the report before
    float signal = 0;          // f
    float prevSignal = 0;      // f of the report before
    float df = 0;
    std::uint8_t mode = 0;
    double baseline = 0; // the signal taken as 100 %, 0 = none
};

struct PlotPoint {
    double x = 0;
    double y = 0;
    bool operator==(const PlotPoint&) const = default;
};

// What it adds: Chart1's two series take a Y alone, the others X and Y.
struct PlotOutput {
    double temperature = 0;                 // Chart1 series 0
    std::optional<double> transmission;     // Chart1 series 1
    std::optional<PlotPoint> chart2Series0; // mode bit 0 clear
    std::optional<PlotPoint> chart2Series1; // mode bit 0 set
    std::optional<PlotPoint> chart3Series0; // mode bit 0 set
    std::optional<PlotPoint> chart3Series1; // mode bit 0 clear
    std::optional<std::string> label5;      // the transmission text
    double baseline = 0;                    // the baseline after the tick
};

PlotOutput PlotStep(const PlotInput& in);

// The results a journal record takes.
struct RecordResults {
    float cloudPoint = core::kNotDetermined;
    float pourPoint = core::kNotDetermined;
    float filterPoint = core::kNotDetermined;
    float additive = 0;
    bool operator==(const RecordResults&) const = default;
};

// A determination that the next one's ready state follows before its end was seen (it ended
// while the cable was out) is recorded with each result as the analyzer reports it now where
// it has one, else as it reported it while the determination ran; the additive as it ran.
RecordResults CutOffResults(const RecordResults& now, const RecordResults& run);

} // namespace app
