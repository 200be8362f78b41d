#include "analyzer/AnalyzerModel.h"

#include <algorithm>

namespace analyzer {

namespace {

// Report bytes a command needs (report ID, the unused byte, the command, its arguments).
std::size_t NeededLength(std::uint8_t command) {
    switch (static_cast<Command>(command)) {
    case Command::Poll:
    case Command::DumpController:
    case Command::Apply:
    case Command::Reset: return 3;
    case Command::RunControl:
    case Command::PreStart:
    case Command::Ccpr1l: return 4;
    case Command::WriteControllerByte: return 5;
    case Command::ReadEeprom:
    case Command::WriteEepromByte:
    case Command::ReadEepromByte: return 7;
    case Command::WriteEepromPage: return 6 + ExternalEeprom::kPage;
    default: return 0; // unknown
    }
}

InputReport WithPayload(const Payload& payload) {
    InputReport report{};
    std::copy(payload.begin(), payload.end(), report.begin() + 1);
    return report;
}

} // namespace

AnalyzerModel::AnalyzerModel(std::uint16_t versionNumber) : versionNumber_(versionNumber) {
    LoadWorkingFromExternal();
}

void AnalyzerModel::LoadWorkingFromExternal() {
    WorkingParameters working;
    working.Load(external_.Image(), false);
    determination_.SetParameters(working);
}

std::vector<InputReport> AnalyzerModel::HandleOutputReport(const std::uint8_t* data,
                                                           std::size_t length) {
    std::vector<InputReport> out;
    if (data == nullptr || length < 3 || data[0] != 0)
        return out;
    const std::size_t needed = NeededLength(data[2]);
    if (needed == 0 || length < needed)
        return out;
    std::lock_guard lock(mutex_);
    Dispatch(data, length, out);
    return out;
}

void AnalyzerModel::Dispatch(const std::uint8_t* r, std::size_t, std::vector<InputReport>& out) {
    switch (static_cast<Command>(r[2])) {
    case Command::Poll:
        out.push_back(WithPayload(StatusLocked()));
        determination_.NoteReported();
        break;
    case Command::RunControl:
        switch (static_cast<RunControl>(r[3])) {
        case RunControl::Start: determination_.Start(); break;
        case RunControl::Stop: determination_.Stop(); break;
        case RunControl::Drain: determination_.SetDrain(true); break;
        case RunControl::EndDrain: determination_.SetDrain(false); break;
        default: break;
        }
        break;
    case Command::PreStart:
        ++prepareCount_; // the start itself comes with 0x08
        break;
    case Command::WriteControllerByte: controller_.Write(r[3], r[4]); break;
    case Command::DumpController: {
        Payload p{};
        p[0] = Byte(Reply::ControllerDump);
        for (std::size_t a = 0; a + 1 < p.size(); ++a)
            p[1 + a] = controller_.Read(static_cast<std::uint8_t>(a));
        out.push_back(WithPayload(p));
        break;
    }
    case Command::Apply: {
        WorkingParameters working = determination_.Parameters();
        working.Load(controller_.Image(), true);
        determination_.SetParameters(working);
        break;
    }
    case Command::Reset:
        determination_.Reset();
        ccpr1l_ = kFactoryCcpr1l;
        LoadWorkingFromExternal();
        break;
    case Command::Ccpr1l: ccpr1l_ = r[3]; break;
    case Command::ReadEeprom: {
        const auto address = static_cast<std::uint16_t>(r[3] << 8 | r[4]);
        const std::uint8_t control = r[5];
        Payload p{};
        p[0] = Byte(Reply::EepromRead);
        p[1] = r[3];
        p[2] = r[4];
        p[3] = control;
        p[4] = r[6]; // selector
        const auto page = external_.ReadPage(control, address);
        std::copy(page.begin(), page.end(), p.begin() + 6);
        out.push_back(WithPayload(p));
        break;
    }
    case Command::WriteEepromByte:
        external_.Write(r[3], static_cast<std::uint16_t>(r[4] << 8 | r[5]), r[6]);
        break;
    case Command::ReadEepromByte: {
        Payload p{};
        p[0] = Byte(Reply::EepromByte);
        p[1] = r[3];
        p[2] = r[4];
        p[3] = r[5];
        p[4] = r[6]; // 0 in every request of the host: the byte read follows
        p[5] = external_.Read(r[3], static_cast<std::uint16_t>(r[4] << 8 | r[5]));
        out.push_back(WithPayload(p));
        break;
    }
    case Command::WriteEepromPage:
        external_.WritePage(r[3], static_cast<std::uint16_t>(r[4] << 8 | r[5]), r + 6);
        break;
    default: break;
    }
}

void AnalyzerModel::Advance(double seconds) {
    std::lock_guard lock(mutex_);
    determination_.Advance(seconds);
}

void AnalyzerModel::AdvanceReal(double realSeconds) {
    std::lock_guard lock(mutex_);
    determination_.Advance(realSeconds * determination_.DemoSpeedUp());
}

void AnalyzerModel::SetByte39(std::uint8_t value) {
    std::lock_guard lock(mutex_);
    byte39_ = value;
}

bool AnalyzerModel::LayoutA() const {
    std::lock_guard lock(mutex_);
    return UsesLayoutA(versionNumber_, byte39_);
}

void AnalyzerModel::SetSample(const Sample& sample) {
    std::lock_guard lock(mutex_);
    determination_.SetSample(sample);
}

void AnalyzerModel::SetMethod(Method method) {
    std::lock_guard lock(mutex_);
    determination_.SetMethod(method);
}

void AnalyzerModel::SetDemo(const DemoSettings& demo) {
    std::lock_guard lock(mutex_);
    determination_.SetDemo(demo);
}

void AnalyzerModel::SetOwnClock(bool on) {
    std::lock_guard lock(mutex_);
    determination_.SetOwnClock(on);
}

double AnalyzerModel::DemoSpeedUp() const {
    std::lock_guard lock(mutex_);
    return determination_.DemoSpeedUp();
}

std::uint8_t AnalyzerModel::State() const {
    std::lock_guard lock(mutex_);
    return determination_.State();
}

StatusFields AnalyzerModel::Fields() const {
    std::lock_guard lock(mutex_);
    StatusFields f = determination_.Fields();
    f.auxByte = ccpr1l_;
    return f;
}

Payload AnalyzerModel::StatusPayload() const {
    std::lock_guard lock(mutex_);
    return StatusLocked();
}

Payload AnalyzerModel::StatusLocked() const {
    StatusFields f = determination_.Fields();
    f.auxByte = ccpr1l_;
    return BuildStatusPayload(f, UsesLayoutA(versionNumber_, byte39_), byte39_);
}

std::uint8_t AnalyzerModel::Ccpr1l() const {
    std::lock_guard lock(mutex_);
    return ccpr1l_;
}

WorkingParameters AnalyzerModel::Working() const {
    std::lock_guard lock(mutex_);
    return determination_.Parameters();
}

std::uint8_t AnalyzerModel::ExternalByte(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return external_.Read(ExternalEeprom::kControlByte, address);
}

std::uint8_t AnalyzerModel::ControllerByte(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    return controller_.Read(address);
}

int AnalyzerModel::PrepareCount() const {
    std::lock_guard lock(mutex_);
    return prepareCount_;
}

} // namespace analyzer
