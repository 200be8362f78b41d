// The sending side of the analyzer protocol: every command goes through WriteReport; the
// poll runs once a second from Timer1 (with an end of drain still owed); the three run
// buttons.
#include "app/Unit1.h"

#include "app/Texts.h"
#include "platform/Language.h"

#include <algorithm>

namespace {

struct TWriteResult {
    bool Ok = false;
    DWORD Written = 0; // bytes written (0 when nothing was)
    std::string Error; // the error text of a failure
};

// The system's text for an error code in the user's language; empty when it has none.
// Room for 256 characters of UTF-8 and the line break.
std::string ErrorMessageText(DWORD code) {
    char buffer[4 * 256 + 3] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                                        MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), buffer,
                                        sizeof buffer - 1, nullptr);
    return std::string(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
}

// Writes the report with the device's output report length. A length the 65-byte buffer
// cannot be written with (0 when the capabilities cannot be read, or more than 65) writes
// nothing and fails with our own text.
TWriteResult Send(hid::THidDevice* device, core::TOutputReport report) {
    HIDP_CAPS caps{};
    device->GetCaps(caps);
    const std::size_t length = caps.OutputReportByteLength;
    TWriteResult result;
    if (!core::ReportLengthSupported(length)) {
        result.Error =
            core::UnsupportedReportLengthMessage(app::Texts().UnsupportedReportLength, length);
        return result;
    }
    report[0] = 0;
    DWORD written = 0;
    if (device->SyncWrite(report.data(), static_cast<DWORD>(length), written)) {
        result.Ok = true;
        result.Written = written;
        return result;
    }
    const DWORD code = GetLastError();
    result.Written = written;
    result.Error = core::WriteErrorText(ErrorMessageText(code), code);
    return result;
}

// WriteReport's steps; true when the command was written.
bool WriteCommand(TForm1& f, const core::TOutputReport& report) {
    if (!f.FCurrentDevice) {
        f.StatusBar1->Panels(0).SetText(app::Texts().NotConnectedCommand);
        return false;
    }
    const TWriteResult result = Send(f.FCurrentDevice, report);
    if (result.Ok)
        return true;
    // The box runs its own message loop: polls and reports go on behind it.
    ui::Application->MessageBox(core::WriteErrorBoxText(result.Written, result.Error), "",
                                ui::MB_OK);
    return false;
}

} // namespace

void TForm1::WriteReport(const core::TOutputReport& Report) { WriteCommand(*this, Report); }

void TForm1::ShowStatus(const std::string& Text) { StatusBar1->Panels(0).SetText(Text); }

void TForm1::Timer1Timer(ui::TObject*) {
    if (!FCurrentDevice) {
        Label4->SetCaption(app::Texts().NotConnectedPoll);
        return;
    }
    // An end of drain that could not be written goes first, without a box, until one is.
    if (FDrainEndOwed && !FDrainHeld &&
        Send(FCurrentDevice, core::RunControlReport(core::TRunControl::EndDrain)).Ok)
        FDrainEndOwed = false;
    const TWriteResult result = Send(FCurrentDevice, core::PollReport());
    if (result.Ok)
        Timer2->SetEnabled(true);
    else
        ShowStatus(result.Error);
}

void TForm1::BitBtn1Click(ui::TObject*) {
    WriteReport(core::PreStartReport());
    WriteReport(core::RunControlReport(core::TRunControl::Start));
}

void TForm1::BitBtn2Click(ui::TObject*) {
    WriteReport(core::RunControlReport(core::TRunControl::Stop));
}

// A drain that may have reached the analyzer (one that timed out still goes in later) is owed
// its end until an end is written. The button counts as held only once its drain is written:
// the box of one that is not takes the button's release, which the window then never gets.
void TForm1::BitBtn3MouseDown(ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) {
    if (FCurrentDevice)
        FDrainEndOwed = true;
    FDrainHeld = false;
    FDrainHeld = WriteCommand(*this, core::RunControlReport(core::TRunControl::Drain));
}

void TForm1::BitBtn3MouseUp(ui::TObject*, ui::TMouseButton, ui::TShiftState, int, int) {
    FDrainHeld = false;
    if (WriteCommand(*this, core::RunControlReport(core::TRunControl::EndDrain)))
        FDrainEndOwed = false;
}

// The drain runs only while a mouse button holds it: a click (Space, Enter) sends nothing.
void TForm1::BitBtn3Click(ui::TObject*) {}
