// Input reports of the analyzer: the hex log, the replies that fill the service tabs and the
// status report that fills the measurement fields and the live displays.
#include "app/Unit1.h"

void TForm1::ParseDeviceReport(hid::THidDevice* HidDev, std::uint8_t, const void* Data,
                               std::uint16_t Size) {
    const auto* data = static_cast<const std::uint8_t*>(Data);
    const std::size_t size = data ? Size : 0;
    const std::string hex = core::HexLogLine(data, size);
    Memo1->Lines().Add(hex);
    // A report shorter than its kind uses is only logged.
    if (core::IsShortReport(data, size, FParseRules))
        return;

    switch (core::ClassifyReport(data, size)) {
    case core::TReportKind::ControllerDump:
        Memo1->Lines().Add(hex);
        if (auto edits = core::ControllerDumpEdits(data, size))
            for (const core::TEditText& e : *edits)
                if (ui::TEdit* edit = ParameterEdit(e.Ref))
                    edit->SetText(e.Text);
        break;
    case core::TReportKind::EepromRead:
        Memo1->Lines().Add(hex);
        if (auto reply = core::DecodeEepromReply(data, size, FParseRules))
            ShowEepromReply(*reply);
        break;
    case core::TReportKind::EepromByte:
        if (auto text = core::EepromByteText(data, size))
            data_one_byte->SetText(*text);
        break;
    case core::TReportKind::Status:
        // The layout follows the bound analyzer's version number; the device that delivers
        // the report is that analyzer (also while it is being given back).
        ShowStatusReport(data, size, HidDev ? HidDev : FCurrentDevice);
        break;
    }
}

void TForm1::ShowEepromReply(const core::TEepromReply& Reply) {
    for (const core::TEditText& e : Reply.Edits)
        if (ui::TEdit* edit = ParameterEdit(e.Ref))
            edit->SetText(e.Text);
    for (const core::TDumpRow& row : Reply.Dump) {
        if (row.Row < 1 || row.Row >= StringGrid2->RowCount())
            continue;
        for (int col = 0; col < core::kDumpGridColumns; ++col)
            StringGrid2->SetCells(col, row.Row, row.Cells[static_cast<std::size_t>(col)]);
    }
}

void TForm1::ShowStatusReport(const std::uint8_t* Data, std::size_t Size,
                              const hid::THidDevice* Device) {
    // The English rules choose the layout by the report alone.
    const std::uint16_t version =
        FParseRules.VersionSelectsLayout && Device ? Device->Attributes().VersionNumber : 0;
    core::TMeasurement& m = *this;
    if (!core::ApplyStatusReport(m, Data, Size, version, FParseRules))
        return;
    ++FStatusReports;

    const core::TStatusDisplays t = core::StatusDisplayTexts(m);
    StatusBar1->Panels(3).SetText(t.AdditivePanel);
    Memo1->Lines().Add(t.MemoLine);
    Label1->SetCaption(t.TemperatureLabel);
    Label2->SetCaption(t.CloudLabel);
    Label3->SetCaption(t.PourLabel);
    Label6->SetCaption(t.FilterLabel);
    ShowStatus(t.StatusLine);
    if (FParseRules.AuxByte)
        StatusBar1->Panels(2).SetText(t.AuxPanel);
    Memo1->Lines().Add(t.MemoLine);
}
