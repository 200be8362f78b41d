#include "analyzer/AnalyzerModel.h"

#include <algorithm>

namespace analyzer {

namespace {

// Report bytes a command needs (report ID, the unused byte, the command, its arguments).
std::size_t NeededLength(std::uint8_t command)
{
    switch (command) {
    case kPoll:
    case kDumpController:
    case kApply:
    case kReset: return 3;
    case kRunControl:
    case kPrepareStart:
    case kCcpr1l: return 4;
    case kWriteControllerByte: return 5;
    case kReadBlock:
    case kWriteByte:
    case kReadByte: return 7;
    case kWritePage: return 6 + ExternalEeprom::kPage;
    default: return 0; // unknown
    }
}

InputReport WithPayload(const Payload& payload)
{
    InputReport report{};
    std::copy(payload.begin(), payload.end(), report.begin() + 1);
    return report;
}

} // namespace

AnalyzerModel::AnalyzerModel(std::uint16_t versionNumber) : versionNumber_(versionNumber)
{
    LoadWorkingFromExternal();
}

void AnalyzerModel::LoadWorkingFromExternal()
{
    WorkingParameters working;
    working.Load(external_.Image(), false);
    determination_.SetParameters(working);
}

std::vector<InputReport> AnalyzerModel::HandleOutputReport(const std::uint8_t* data,
                                                           std::size_t length)
{
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

void AnalyzerModel::Dispatch(const std::uint8_t* r, std::size_t, std::vector<InputReport>& out)
{
    switch (r[2]) {
    case kPoll:
        out.push_back(WithPayload(StatusLocked()));
        determination_.NoteReported();
        break;
    case kRunControl:
        switch (r[3]) {
        case kStart: determination_.Start(); break;
        case kStopRun: determination_.Stop(); break;
        case kDrainOpen: determination_.SetDrain(true); break;
        case kDrainClosed: determination_.SetDrain(false); break;
        default: break;
        }
        break;
    case kPrepareStart:
        ++prepareCount_; // the start itself comes with 0x08
        break;
    case kWriteControllerByte:
        controller_.Write(r[3], r[4]);
        break;
    case kDumpController: {
        Payload p{};
        p[0] = kReplyController;
        for (std::size_t a = 0; a + 1 < p.size(); ++a)
            p[1 + a] = controller_.Read(static_cast<std::uint8_t>(a));
        out.push_back(WithPayload(p));
        break;
    }
    case kApply: {
        WorkingParameters working = determination_.Parameters();
        working.Load(controller_.Image(), true);
        determination_.SetParameters(working);
        break;
    }
    case kReset:
        determination_.Reset();
        ccpr1l_ = kFactoryCcpr1l;
        LoadWorkingFromExternal();
        break;
    case kCcpr1l:
        ccpr1l_ = r[3];
        break;
    case kReadBlock: {
        const auto address = static_cast<std::uint16_t>(r[3] << 8 | r[4]);
        const std::uint8_t control = r[5];
        Payload p{};
        p[0] = kReplyBlock;
        p[1] = r[3];
        p[2] = r[4];
        p[3] = control;
        p[4] = r[6]; // selector
        const auto page = external_.ReadPage(control, address);
        std::copy(page.begin(), page.end(), p.begin() + 6);
        out.push_back(WithPayload(p));
        break;
    }
    case kWriteByte:
        external_.Write(r[3], static_cast<std::uint16_t>(r[4] << 8 | r[5]), r[6]);
        break;
    case kReadByte: {
        Payload p{};
        p[0] = kReplyByte;
        p[1] = r[3];
        p[2] = r[4];
        p[3] = r[5];
        p[4] = r[6]; // 0 in every request of the host: the byte read follows
        p[5] = external_.Read(r[3], static_cast<std::uint16_t>(r[4] << 8 | r[5]));
        out.push_back(WithPayload(p));
        break;
    }
    case kWritePage:
        external_.WritePage(r[3], static_cast<std::uint16_t>(r[4] << 8 | r[5]), r + 6);
        break;
    default:
        break;
    }
}

void AnalyzerModel::Advance(double seconds)
{
    std::lock_guard lock(mutex_);
    determination_.Advance(seconds);
}

void AnalyzerModel::AdvanceReal(double realSeconds)
{
    std::lock_guard lock(mutex_);
    determination_.Advance(realSeconds * determination_.DemoSpeedUp());
}

void AnalyzerModel::SetByte39(std::uint8_t value)
{
    std::lock_guard lock(mutex_);
    byte39_ = value;
}

bool AnalyzerModel::LayoutA() const
{
    std::lock_guard lock(mutex_);
    return UsesLayoutA(versionNumber_, byte39_);
}

void AnalyzerModel::SetSample(const Sample& sample)
{
    std::lock_guard lock(mutex_);
    determination_.SetSample(sample);
}

void AnalyzerModel::SetMethod(Method method)
{
    std::lock_guard lock(mutex_);
    determination_.SetMethod(method);
}

void AnalyzerModel::SetDemo(const DemoSettings& demo)
{
    std::lock_guard lock(mutex_);
    determination_.SetDemo(demo);
}

double AnalyzerModel::DemoSpeedUp() const
{
    std::lock_guard lock(mutex_);
    return determination_.DemoSpeedUp();
}

std::uint8_t AnalyzerModel::State() const
{
    std::lock_guard lock(mutex_);
    return determination_.State();
}

StatusFields AnalyzerModel::Fields() const
{
    std::lock_guard lock(mutex_);
    StatusFields f = determination_.Fields();
    f.auxByte = ccpr1l_;
    return f;
}

Payload AnalyzerModel::StatusPayload() const
{
    std::lock_guard lock(mutex_);
    return StatusLocked();
}

Payload AnalyzerModel::StatusLocked() const
{
    StatusFields f = determination_.Fields();
    f.auxByte = ccpr1l_;
    return BuildStatusPayload(f, UsesLayoutA(versionNumber_, byte39_), byte39_);
}

std::uint8_t AnalyzerModel::Ccpr1l() const
{
    std::lock_guard lock(mutex_);
    return ccpr1l_;
}

WorkingParameters AnalyzerModel::Working() const
{
    std::lock_guard lock(mutex_);
    return determination_.Parameters();
}

std::uint8_t AnalyzerModel::ExternalByte(std::uint16_t address) const
{
    std::lock_guard lock(mutex_);
    return external_.Read(ExternalEeprom::kControlByte, address);
}

std::uint8_t AnalyzerModel::ControllerByte(std::uint8_t address) const
{
    std::lock_guard lock(mutex_);
    return controller_.Read(address);
}

int AnalyzerModel::PrepareCount() const
{
    std::lock_guard lock(mutex_);
    return prepareCount_;
}

} // namespace analyzer
