#include "analyzer/Determination.h"

#include <algorithm>
#include <cmath>

namespace analyzer {

namespace {

bool IsReadyState(AnalyzerState state) {
    return state >= AnalyzerState::ReadyCloud && state <= AnalyzerState::ReadyCfppOptical;
}

AnalyzerState RunState(Method method) {
    switch (method) {
    case Method::CloudPoint: return AnalyzerState::RunCloud;
    case Method::AllThree: return AnalyzerState::RunAll;
    case Method::Cfpp:
    case Method::CfppOptical: break;
    }
    return AnalyzerState::RunCfpp;
}

// Share of the clear signal lost at `below` degrees under the cloud point: a smooth step
// that reaches 60 % a few degrees down.
double Clouding(double below) { return 0.6 / (1.0 + std::exp(-(below - 1.5) / 0.5)); }

} // namespace

Determination::Determination() : temperature_(parameters_.Get(Parameter::HeatingTemperature)) {}

void Determination::SetMethod(Method method) {
    method_ = method;
    if (IsReadyState(state_))
        state_ = static_cast<AnalyzerState>(method_);
}

void Determination::SetDemo(const DemoSettings& demo) {
    demo_ = demo;
    random_.seed(demo.seed);
    demoRuns_ = 0;
    if (demo_.enabled)
        PickDemoRun();
}

void Determination::Advance(double seconds) {
    if (!(seconds > 0))
        return;
    pending_ += std::min(seconds, kMaxAdvance);
    while (pending_ >= kStep) {
        pending_ -= kStep;
        Step();
    }
}

bool Determination::Running() const {
    return state_ == AnalyzerState::RunCloud || state_ == AnalyzerState::RunCfpp ||
           state_ == AnalyzerState::RunAll || state_ == AnalyzerState::RunFiltration;
}

bool Determination::Start() {
    const bool warmAtRest = state_ == AnalyzerState::Rest && temperature_ >= kReadyTemperature;
    if (drain_ || !(warmAtRest || IsReadyState(state_)))
        return false;
    runMethod_ = method_;
    ClearResults();
    runSeconds_ = 0;
    onsetSeen_ = false;
    valveRunning_ = false;
    dfValve_ = 0;
    state_ = RunState(runMethod_);
    rate_ = CoolingRate();
    // the valve channel works from the start where it leads or checks the filter
    if (runMethod_ == Method::Cfpp || runMethod_ == Method::CfppOptical)
        ValveTest();
    lastMode_ = RunMode();
    return true;
}

void Determination::Stop() {
    if (!Running())
        return;
    ClearResults();
    state_ = AnalyzerState::Rest;
    settle_ = 0;
}

bool Determination::SetDrain(bool open) {
    if (open && Running())
        return false;
    if (open == drain_)
        return true;
    drain_ = open;
    state_ = open ? AnalyzerState::NotReady : AnalyzerState::Rest;
    settle_ = 0;
    return true;
}

void Determination::Reset() {
    ClearResults();
    drain_ = false;
    state_ = AnalyzerState::Rest;
    settle_ = 0;
    rate_ = 0;
    lastMode_ = 0;
}

void Determination::NoteReported() {
    if (state_ == AnalyzerState::Ended)
        ++endReports_;
    else if (IsReadyState(state_))
        ++readyReports_;
}

void Determination::ClearResults() {
    cloudFound_ = filterFound_ = pourFound_ = false;
    cloudPoint_ = pourPoint_ = filterPoint_ = kUndetermined;
}

void Determination::Step() {
    if (Running())
        StepRun();
    else
        StepRest();
}

void Determination::StepRest() {
    rate_ = 0;
    const double target = parameters_.Get(Parameter::HeatingTemperature);
    const double change = kWarmingSpeed * kStep / 60.0;
    if (temperature_ < target)
        temperature_ = std::min(target, temperature_ + change);
    else
        temperature_ = std::max(target, temperature_ - change);

    switch (state_) {
    case AnalyzerState::Ended:
        endHold_ += kStep;
        if (endHold_ >= kEndHoldSeconds && (ownClock_ || endReports_ >= kEndReports)) {
            state_ = AnalyzerState::Rest;
            settle_ = 0;
        }
        break;
    case AnalyzerState::Rest:
        if (temperature_ < kReadyTemperature) {
            settle_ = 0;
            break;
        }
        settle_ += kStep;
        if (settle_ >= kSettleSeconds)
            EnterReady();
        break;
    case AnalyzerState::NotReady: break;
    default: // a ready state
        if (temperature_ < kReadyTemperature) {
            state_ = AnalyzerState::Rest;
            settle_ = 0;
            break;
        }
        readyTime_ += kStep;
        if (demo_.enabled && readyTime_ >= kSettleSeconds && readyReports_ >= 3)
            Start();
        break;
    }
}

void Determination::EnterReady() {
    if (demo_.enabled && demoRuns_ > 0)
        PickDemoRun();
    ++demoRuns_;
    ClearResults(); // a new determination is prepared: the last one's results are done with
    state_ = static_cast<AnalyzerState>(method_);
    readyTime_ = 0;
    readyReports_ = 0;
}

void Determination::StepRun() {
    runSeconds_ += kStep;
    rate_ = CoolingRate();
    temperature_ -= rate_ * kStep / 60.0;

    const double drop = 100.0 * (1.0 - Transmission(temperature_));
    const bool dropped = drop >= parameters_.Get(Parameter::CloudThreshold);

    switch (runMethod_) {
    case Method::CloudPoint:
    case Method::AllThree:
        if (!cloudFound_ && dropped) {
            cloudFound_ = true;
            const double measured = Measured(temperature_);
            cloudPoint_ = static_cast<float>(parameters_.Get(Parameter::CloudK) * measured +
                                             parameters_.Get(Parameter::CloudB));
            lastFoundAt_ = temperature_;
            if (runMethod_ == Method::AllThree)
                ValveTest(); // the valve channel takes over
        }
        break;
    case Method::Cfpp:
    case Method::CfppOptical:
        if (!onsetSeen_ && dropped) {
            onsetSeen_ = true;
            if (!filterFound_)
                state_ = AnalyzerState::RunFiltration;
        }
        break;
    }

    if (valveRunning_) {
        valveTimer_ += kStep;
        if (valveTimer_ >= parameters_.Get(Parameter::ValveOpeningTime))
            ValveTest();
    }
    lastMode_ = RunMode();

    const double reverse = parameters_.Get(Parameter::Reverse);
    if (AllFound() && temperature_ <= lastFoundAt_ - reverse)
        EndRun();
    else if (rate_ < parameters_.Get(Parameter::MinimumSpeed) || runSeconds_ >= kMaxRunSeconds)
        EndRun(); // the cooler has given out: what is not found stays undetermined
}

void Determination::ValveTest() {
    valveRunning_ = true;
    valveTimer_ = 0;
    dfValve_ = -Flow(temperature_);
    if (!filterFound_ && runMethod_ != Method::CloudPoint && temperature_ <= sample_.filterPoint) {
        filterFound_ = true;
        filterPoint_ = static_cast<float>(Measured(temperature_));
        lastFoundAt_ = temperature_;
    }
    if (!pourFound_ && runMethod_ == Method::AllThree &&
        std::fabs(dfValve_) < parameters_.Get(Parameter::DfThreshold)) {
        pourFound_ = true;
        pourPoint_ =
            static_cast<float>(Measured(temperature_) + parameters_.Get(Parameter::PourCorrection));
        lastFoundAt_ = temperature_;
    }
}

void Determination::EndRun() {
    state_ = AnalyzerState::Ended;
    rate_ = 0;
    endHold_ = 0;
    endReports_ = 0;
}

bool Determination::AllFound() const {
    switch (runMethod_) {
    case Method::CloudPoint: return cloudFound_;
    case Method::AllThree: return cloudFound_ && filterFound_ && pourFound_;
    case Method::Cfpp:
    case Method::CfppOptical: break;
    }
    return filterFound_;
}

bool Determination::OpticalLeads() const {
    switch (runMethod_) {
    case Method::CloudPoint:
    case Method::CfppOptical: return true;
    case Method::AllThree: return !cloudFound_;
    case Method::Cfpp: break;
    }
    return false;
}

std::uint8_t Determination::RunMode() const {
    std::uint8_t mode = OpticalLeads() ? Byte(ModeBits::Optical) : 0;
    if (runMethod_ == Method::Cfpp && state_ == AnalyzerState::RunFiltration)
        mode |= Byte(ModeBits::Filtration);
    return mode;
}

double Determination::CoolingRate() const {
    // the cooler loses strength over the last 15 degrees above the condenser temperature
    const double room = temperature_ - parameters_.Get(Parameter::CondenserTemperature);
    return parameters_.Get(Parameter::CoolingSpeed) * std::clamp(room / 15.0, 0.0, 1.0);
}

double Determination::Measured(double temperature) const {
    return parameters_.Get(Parameter::ThermocoupleK) * temperature +
           parameters_.Get(Parameter::ThermocoupleB);
}

double Determination::Transmission(double temperature) const {
    return 1.0 - Clouding(sample_.cloudPoint - temperature);
}

double Determination::OpticalDf() const {
    // signal change per minute at the present cooling rate
    const double below = sample_.cloudPoint - temperature_;
    const double s = Clouding(below) / 0.6;
    const double slope = 0.6 * s * (1.0 - s) / 0.5; // clouding per degree
    return -kClearSignal * slope * rate_;
}

double Determination::Flow(double temperature) const {
    // what the valve lets through: full well above the pour point, none at it
    const double above = temperature - sample_.pourPoint;
    return above <= 0 ? 0.0 : 40.0 * (1.0 - std::exp(-above / 1.5));
}

StatusFields Determination::Fields() const {
    StatusFields f;
    f.state = Byte(state_);
    f.temperature = static_cast<float>(Measured(temperature_));
    const bool warming =
        !Running() && temperature_ < parameters_.Get(Parameter::HeatingTemperature);
    f.th = static_cast<float>(Measured(temperature_ + (Running() ? -3.0 : warming ? 3.0 : 0.0)));
    f.signal = static_cast<float>(kClearSignal * Transmission(temperature_));
    f.cloudPoint = cloudPoint_;
    f.pourPoint = pourPoint_;
    f.filterPoint = filterPoint_;
    f.additive = sample_.additive ? 1 : 0;
    if (Running()) {
        f.modeByte = lastMode_;
        f.dt = static_cast<float>(rate_);
        f.df = static_cast<float>((lastMode_ & Byte(ModeBits::Optical)) ? OpticalDf() : dfValve_);
    } else if (state_ == AnalyzerState::Ended) {
        f.modeByte = lastMode_;
    } else if (IsReadyState(state_)) {
        f.modeByte = (method_ == Method::Cfpp) ? 0 : Byte(ModeBits::Optical);
    }
    return f;
}

void Determination::PickDemoRun() {
    // a plausible diesel: cloud near -5, CFPP near -15, pour near -25
    std::uniform_real_distribution<double> spread(-2.0, 2.0);
    Sample s;
    s.cloudPoint = -5.0 + spread(random_);
    s.filterPoint = std::min(-15.0 + spread(random_), s.cloudPoint - 3.0);
    s.pourPoint = std::min(-25.0 + spread(random_), s.filterPoint - 3.0);
    s.additive = std::uniform_int_distribution<int>(0, 2)(random_) == 0;
    sample_ = s;

    static constexpr Method kCycle[] = {Method::AllThree, Method::CloudPoint, Method::Cfpp,
                                        Method::CfppOptical};
    SetMethod(kCycle[demoRuns_ % 4]);

    double lowest = sample_.cloudPoint;
    if (method_ == Method::Cfpp || method_ == Method::CfppOptical)
        lowest = sample_.filterPoint;
    else if (method_ == Method::AllThree)
        lowest = sample_.pourPoint;
    // the run starts about where the sample is now: warm enough to be ready
    const double from = std::max(temperature_, kReadyTemperature);
    const double span = std::max(from - lowest + parameters_.Get(Parameter::Reverse), 1.0);
    const double modelSeconds = span / parameters_.Get(Parameter::CoolingSpeed) * 60.0;
    demoSpeedUp_ = std::clamp(modelSeconds / std::max(demo_.realSecondsPerRun, 1.0), 1.0, 1000.0);
}

} // namespace analyzer
