// Run display and state machine: Timer2 turns the last status report into chart points, the
// message line and journal records; Timer3 counts the seconds of a running determination.
#include "app/LSgraf.h"
#include "app/RunDisplay.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "runtime/SysUtils.h"

namespace {

void ClearRunCharts(TForm1& f) {
    ClearChartSeries(arChart{f.Chart1});
    ClearChartSeries(arChart{f.Chart2});
    ClearChartSeries(arChart{f.Chart3});
}

void AddPoint(ui::TLineSeries* series, const std::optional<app::PlotPoint>& p) {
    if (p)
        series->AddXY(p->x, p->y);
}

// The end of a determination: its record, then the flag. A determination that began while
// the record was taken (a tick run from an error box) keeps its flag.
void TakeRecord(TForm1& f) {
    f.FRunSeen = false;
    const std::uint64_t mark = f.FDeterminationMark;
    f.AppendRecord();
    if (f.FDeterminationMark == mark)
        f.FRecordPending = false;
}

app::RecordResults ReportedResults(const TForm1& f) {
    return {f.FCloudPoint, f.FPourPoint, f.FFilterPoint, f.FAdditive};
}

// The record of a determination that the next one's ready state follows without its end: as
// an end takes it, from the charts as they stand (its curves up to the last report it sent)
// and the measurement fields, which hold its results until the next report replaces them.
// Its end and the idle state after it went unseen: the seconds are reset as idle resets them.
void RecordCutOffDetermination(TForm1& f) {
    f.Timer3->SetEnabled(false);
    f.FRunSeconds = 0;
    const app::RecordResults r = app::CutOffResults(ReportedResults(f), f.FRunResults);
    f.FCloudPoint = r.cloudPoint;
    f.FPourPoint = r.pourPoint;
    f.FFilterPoint = r.filterPoint;
    f.FAdditive = r.additive;
    TakeRecord(f);
}

} // namespace

void TForm1::Timer2Timer(ui::TObject*) {
    const app::TTexts& texts = app::Texts();
    if (!FCurrentDevice) {
        Label4->SetCaption(texts.NotConnectedRun);
        return;
    }

    // Only a status report that came since the last tick is plotted or ends a determination:
    // while none comes (the cable out, the analyzer silent) the charts and the journal keep
    // to what was measured.
    const bool fresh = FStatusReports != FStatusReportsTicked;
    FStatusReportsTicked = FStatusReports;

    if (fresh && app::IsPlottingState(FState, FModeByte)) {
        const app::PlotOutput out = app::PlotStep(
            {FTemperature, FPrevTemperature, FSignal, FPrevSignal, FDf, FModeByte, FBaseline});
        Series1->Add(out.temperature);
        if (out.transmission)
            Series4->Add(*out.transmission);
        AddPoint(Series2, out.chart2Series0);
        AddPoint(Series3, out.chart2Series1);
        AddPoint(Series5, out.chart3Series0);
        AddPoint(Series6, out.chart3Series1);
        FBaseline = out.baseline;
        if (out.label5)
            Label5->SetCaption(*out.label5);
    }

    const std::string text = app::StateText(texts, FState, FTemperature);
    auto takeRecord = [this, fresh] {
        if (fresh && FRecordPending)
            TakeRecord(*this);
    };

    if (FState == app::Byte(app::TAnalyzerState::Idle)) {
        Timer3->SetEnabled(false);
        FRunSeconds = 0;
        Label4->SetCaption(text);
        FBaseline = 0;
        takeRecord();
    } else if (app::IsRunState(FState)) {
        ++FDeterminationMark;
        Label4->SetCaption(text);
        Timer3->SetEnabled(true);
        if (!FRecordPending)
            ClearRunCharts(*this);
        FRecordPending = true;
        if (fresh) {
            FRunSeen = true;
            FRunResults = ReportedResults(*this);
        }
    } else if (FState == app::Byte(app::TAnalyzerState::CfppValve)) {
        // Sets no flag, so it begins no determination of its own.
        Label4->SetCaption(text);
        Timer3->SetEnabled(true);
        if (fresh && FRunSeen)
            FRunResults = ReportedResults(*this);
    } else if (app::IsReadyState(FState)) {
        // A determination whose end was not seen is recorded before its charts are cleared.
        if (fresh && FRunSeen)
            RecordCutOffDetermination(*this);
        ++FDeterminationMark;
        Label4->SetCaption(text);
        ClearRunCharts(*this);
        FBaseline = FSignal;
        FRecordPending = true;
    } else if (FState == app::Byte(app::TAnalyzerState::End)) {
        Label4->SetCaption(text);
        FBaseline = 0;
        Timer3->SetEnabled(false);
        takeRecord();
    } else {
        Label4->SetCaption(text);
    }
}

void TForm1::Timer3Timer(ui::TObject*) {
    ++FRunSeconds;
    StatusBar1->Panels(1).SetText(app::Texts().RunSecondsPrefix + rt::IntToStr(FRunSeconds));
}
