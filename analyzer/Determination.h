#pragma once
// The analyzer's determination: the sample in its cell, the cooling, the optical and the
// valve channels, and the states the host follows. It runs on a clock that its owner
// steps; nothing here reads real time.
#include "analyzer/ParameterMap.h"
#include "analyzer/StatusReport.h"

#include <cstdint>
#include <random>

namespace analyzer {

// The method chosen on the instrument; its number is the ready state it shows.
enum class Method : std::uint8_t {
    CloudPoint = 1,  // cloud point alone (run state 20)
    Cfpp = 2,        // CFPP by the valve channel (run state 30, then 50)
    AllThree = 3,    // cloud point, CFPP and pour point (run state 40)
    CfppOptical = 4, // CFPP led by the optical channel (run state 30, then 50)
};

struct Sample {
    double cloudPoint = -5.0;
    double filterPoint = -15.0; // CFPP
    double pourPoint = -25.0;
    bool additive = false;
};

// Repeats determinations by itself, a new sample and the next method each time.
struct DemoSettings {
    bool enabled = false;
    std::uint32_t seed = 1;
    double realSecondsPerRun = 180.0; // one determination in about this much real time
};

class Determination {
public:
    static constexpr double kStep = 0.25;          // seconds of one model step
    static constexpr double kMaxAdvance = 86400.0; // longest single advance
    static constexpr double kReadyTemperature = 10.0;
    static constexpr double kSettleSeconds = 5.0;   // at rest and warm before ready
    static constexpr double kEndHoldSeconds = 10.0; // state 5 lasts at least this long
    static constexpr int kEndReports = 2;           // ... and is reported this often
    static constexpr double kWarmingSpeed = 3.0;    // degrees per minute at rest
    static constexpr double kMaxRunSeconds = 12 * 3600.0;
    static constexpr double kClearSignal = 2000.0; // optical signal through a clear sample

    Determination();

    void SetParameters(const WorkingParameters& parameters) { parameters_ = parameters; }
    const WorkingParameters& Parameters() const { return parameters_; }

    void SetSample(const Sample& sample) { sample_ = sample; }
    const Sample& CurrentSample() const { return sample_; }
    // The method the next run uses; a ready state shows the new one at once.
    void SetMethod(Method method);
    // The true sample temperature (tests place the sample where they need it).
    double SampleTemperature() const { return temperature_; }

    void SetDemo(const DemoSettings& demo);
    // Model seconds per real second that make one demo determination last its real time.
    double DemoSpeedUp() const { return demoSpeedUp_; }

    // Steps the clock by `seconds` (at most kMaxAdvance a call; fractions of a step are
    // kept for the next call).
    void Advance(double seconds);

    // "ПУСК": accepted at rest when warm (state 0 at 10 degrees or above) and in a ready
    // state, with the drain valve closed.
    bool Start();
    // Aborts a running determination to state 0, its results undetermined.
    void Stop();
    // The drain valve; it does not open while a determination runs.
    bool SetDrain(bool open);
    // The controller's reset: no run, valve closed, results undetermined, at rest.
    void Reset();

    // Called for every status report sent: state 5 and the demo's ready wait last until
    // the host has seen them.
    void NoteReported();
    // On its own clock the end state lasts its hold time whether or not the host has seen
    // it, as an analyzer does whose cable is out (off at the start). The demo's ready wait
    // still waits for the host.
    void SetOwnClock(bool on) { ownClock_ = on; }

    StatusFields Fields() const;
    std::uint8_t State() const { return Byte(state_); }
    bool Running() const;
    bool DrainOpen() const { return drain_; }

private:
    void Step();
    void StepRest();
    void StepRun();
    void EnterReady();
    void EndRun();
    void ClearResults();
    void ValveTest();
    double CoolingRate() const;
    double Measured(double temperature) const;
    double Transmission(double temperature) const;
    double OpticalDf() const;
    double Flow(double temperature) const;
    bool AllFound() const;
    bool OpticalLeads() const;
    std::uint8_t RunMode() const;
    void PickDemoRun();

    WorkingParameters parameters_;
    Sample sample_;
    Method method_ = Method::AllThree;
    Method runMethod_ = Method::AllThree;
    AnalyzerState state_ = AnalyzerState::Rest;
    double temperature_;
    bool drain_ = false;
    bool ownClock_ = false;
    double pending_ = 0;

    // the run
    double runSeconds_ = 0;
    double rate_ = 0;
    bool cloudFound_ = false, filterFound_ = false, pourFound_ = false;
    bool onsetSeen_ = false; // the optical drop that starts the filtration phase
    bool valveRunning_ = false;
    double valveTimer_ = 0;
    double dfValve_ = 0;
    double lastFoundAt_ = 0; // true temperature of the last result found
    float cloudPoint_ = kUndetermined, pourPoint_ = kUndetermined, filterPoint_ = kUndetermined;
    std::uint8_t lastMode_ = 0;

    // at rest
    double settle_ = 0;
    double endHold_ = 0;
    int endReports_ = 0;
    double readyTime_ = 0;
    int readyReports_ = 0;

    DemoSettings demo_;
    std::mt19937 random_;
    int demoRuns_ = 0;
    double demoSpeedUp_ = 1.0;
};

} // namespace analyzer
