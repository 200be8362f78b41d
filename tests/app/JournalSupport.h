#pragma once
// The main window with the journal started on a data2.tab of the test's choosing, charts
// filled with known curves, and records appended as finished determinations.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "app/core/CurveFile.h"
#include "app/core/Journal.h"

namespace apptest {

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// Every series of the chart as the curve file holds it.
inline std::vector<core::TCurveSeries> SeriesOf(const ui::TChart* chart) {
    std::vector<core::TCurveSeries> all;
    for (int i = 0; i < chart->SeriesCount(); ++i) {
        const ui::TLineSeries* s = chart->Series(i);
        core::TCurveSeries points;
        for (int k = 0; k < s->Count(); ++k)
            points.push_back({s->XValues()[k], s->YValues()[k]});
        all.push_back(points);
    }
    return all;
}

// The series of the chart that hold points.
inline std::vector<core::TCurveSeries> NonEmptySeriesOf(const ui::TChart* chart) {
    std::vector<core::TCurveSeries> out;
    for (auto& s : SeriesOf(chart))
        if (!s.empty())
            out.push_back(s);
    return out;
}

inline int PointsOn(const ui::TChart* chart) {
    int n = 0;
    for (int i = 0; i < chart->SeriesCount(); ++i)
        n += chart->Series(i)->Count();
    return n;
}

class JournalFixture : public AppFixture {
protected:
    // The window on the given data2.tab (none: the file is removed), with the journal's
    // start-up steps run on a fresh grid: load, graph boxes, curve-file references.
    TForm1* Start(std::optional<std::string> journal = std::string()) {
        if (journal)
            WriteBytes(JournalFile(), *journal);
        else
            std::filesystem::remove(JournalFile());
        CreateWindow();
        Boxes().Clear();
        ui::TStringGrid* g = form_->StringGrid1;
        g->SetRowCount(2);
        for (int c = 0; c < g->ColCount(); ++c) {
            form_->FJournalCells.Release(g->Objects(c, 1));
            g->SetObjects(c, 1, nullptr);
            g->SetCells(c, 1, "");
        }
        if (journal)
            form_->LoadJournal();
        form_->CreateGraphBoxes();
        form_->AttachCurveFiles();
        return form_;
    }

    std::filesystem::path JournalFile() const { return Dir() / "data2.tab"; }
    std::filesystem::path Gr(const std::string& name) const { return Dir() / "gr" / name; }
    std::string Prog() const { return Dir().string() + "/"; }

    // Known curves in the three run charts, different for every k.
    void FillCharts(double k) {
        form_->Series1->Clear();
        form_->Series4->Clear();
        form_->Series2->Clear();
        form_->Series3->Clear();
        form_->Series5->Clear();
        form_->Series6->Clear();
        form_->Series1->Add(k);
        form_->Series1->Add(k + 1);
        form_->Series4->Add(10 * k);
        form_->Series2->AddXY(k, 50);
        form_->Series3->AddXY(-k, 60);
        form_->Series3->AddXY(-k + 0.5, 61);
        form_->Series5->AddXY(k, 1);
        // Series6 stays empty: a zero count between the others.
    }

    // A finished determination with these results (a new one each call).
    void Append(float cloud, float pour = -20, float filter = -15, float additive = 0) {
        form_->FCloudPoint = cloud;
        form_->FPourPoint = pour;
        form_->FFilterPoint = filter;
        form_->FAdditive = additive;
        ++form_->FDeterminationMark;
        form_->AppendRecord();
    }

    int Rows() const { return form_->StringGrid1->RowCount(); }
    std::string Cell(int c, int r) const { return form_->StringGrid1->Cells(c, r); }
    std::vector<std::string> Numbers() const {
        std::vector<std::string> n;
        for (int r = 1; r < Rows(); ++r)
            n.push_back(Cell(0, r));
        return n;
    }
    app::TGraphBox* Box(int r) const { return app::GraphBoxOf(form_->StringGrid1->Objects(5, r)); }
    std::string Ref(int c, int r) const {
        app::TCurveFileRef* f = app::CurveFileRefOf(form_->StringGrid1->Objects(c, r));
        return f ? f->Caption() : std::string();
    }
    void Select(int c, int r) { form_->StringGrid1->SelectCell(c, r); }
    void PressShowHide(int r) {
        Select(0, r);
        form_->ToolButton4->Click();
    }
    void PressDelete(int r) {
        Select(0, r);
        form_->ToolButton1->Click();
    }

    std::string JournalOf(int records) const {
        std::vector<core::TJournalRow> rows;
        for (int i = 1; i <= records; ++i)
            rows.push_back({std::to_string(i), "01.02.2026  10:0" + std::to_string(i) + ":00", "-5",
                            "-20", "-15", " "});
        return core::SerializeJournal(rows);
    }
};

} // namespace apptest
