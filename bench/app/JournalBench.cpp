// The journal of 10,000 records with all their curve files: start-up (LoadJournal,
// CreateGraphBoxes, AttachCurveFiles) and AppendRecord with its files and the rewrite; the
// curve files of a chart of two 50,000-point series.
// This file also holds the main of the app benchmarks: the Qt application runs offscreen.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/LSgraf.h"
#include "app/ProgramDir.h"
#include "app/Unit1.h"
#include "app/core/CurveFile.h"
#include "app/core/Journal.h"
#include "ui/Forms.h"
#include "ui/Modal.h"

namespace {

constexpr int kRecords = 10000;

// A program directory with data2.tab of kRecords records and their three curve files each.
class JournalDir {
public:
    JournalDir() {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "cp-journal-bench-XXXXXX").string();
        dir_ = std::string(::mkdtemp(pattern.data())) + "/";
        fs::create_directories(dir_ + "gr");
        std::vector<core::TJournalRow> rows;
        const std::string curve = core::EncodeCurveFile(" ", {{{-5, 98.5}, {-5.5, 97.25}}, {}});
        for (int i = 1; i <= kRecords; ++i) {
            const std::string n = std::to_string(i);
            rows.push_back(
                {n, "10.12.2026  07:45:12", "-12.3", "-20.5", "?", i % 2 ? "Присадка." : " "});
            for (const std::string& f :
                 {core::RecordCurveFileChart1(dir_, n), core::RecordCurveFileChart2(dir_, n),
                  core::RecordCurveFileChart3(dir_, n)})
                std::ofstream(f, std::ios::binary) << curve;
        }
        journal_ = core::SerializeJournal(rows);
        Reset();
        app::OverrideProgramDir(dir_);
    }
    ~JournalDir() {
        app::OverrideProgramDir("");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // data2.tab back to its kRecords records (appends leave more).
    void Reset() const {
        std::ofstream(dir_ + "data2.tab", std::ios::binary | std::ios::trunc) << journal_;
    }

private:
    std::string dir_;
    std::string journal_;
};

// The window's grid as FormCreate hands it to LoadJournal: the header and one empty row.
void FreshGrid(TForm1* f) {
    ui::TStringGrid* g = f->StringGrid1;
    g->SetRowCount(2);
    for (int c = 0; c < g->ColCount(); ++c) {
        f->FJournalCells.Release(g->Objects(c, 1));
        g->SetObjects(c, 1, nullptr);
        g->SetCells(c, 1, "");
    }
}

void StartJournal(TForm1* f) {
    f->LoadJournal();
    f->CreateGraphBoxes();
    f->AttachCurveFiles();
}

void JournalStartup(benchmark::State& state) {
    JournalDir dir;
    ui::ModalRecorder boxes;
    auto* form = new TForm1(nullptr);
    Form1 = form;
    for (auto _ : state) {
        state.PauseTiming();
        FreshGrid(form);
        state.ResumeTiming();
        StartJournal(form);
    }
    if (form->StringGrid1->RowCount() != kRecords + 1)
        state.SkipWithError("the journal did not load");
    delete form;
    Form1 = nullptr;
}
BENCHMARK(JournalStartup)->Unit(benchmark::kMillisecond);

void AppendRecordOnLargeJournal(benchmark::State& state) {
    JournalDir dir;
    ui::ModalRecorder boxes;
    auto* form = new TForm1(nullptr);
    Form1 = form;
    FreshGrid(form);
    StartJournal(form);
    // The curves of a determination of about an hour.
    for (int i = 0; i < 3600; ++i) {
        form->Series1->Add(20 - i * 0.01);
        form->Series4->Add(100 - i * 0.02);
        form->Series2->AddXY(20 - i * 0.01, 100 - i * 0.02);
        form->Series5->AddXY(20 - i * 0.01, i * 0.001);
    }
    form->FCloudPoint = -12.3f;
    form->FPourPoint = -20.5f;
    form->FFilterPoint = 77;
    for (auto _ : state) {
        ++form->FDeterminationMark;
        form->AppendRecord();
    }
    if (boxes.Count() != 0)
        state.SkipWithError("an append showed a box");
    state.counters["rows"] = form->StringGrid1->RowCount() - 1;
    delete form;
    Form1 = nullptr;
}
BENCHMARK(AppendRecordOnLargeJournal)->Unit(benchmark::kMillisecond);

// The parts of an append on the large journal, and a delete.
enum class Part { CreateGraphBoxes, AttachCurveFiles, SaveJournal, DeleteFirstRecord };

void JournalPart(benchmark::State& state, Part part) {
    JournalDir dir;
    ui::ModalRecorder boxes;
    auto* form = new TForm1(nullptr);
    Form1 = form;
    FreshGrid(form);
    StartJournal(form);
    for (auto _ : state) {
        switch (part) {
        case Part::CreateGraphBoxes: form->CreateGraphBoxes(); break;
        case Part::AttachCurveFiles: form->AttachCurveFiles(); break;
        case Part::SaveJournal: form->SaveJournal(); break;
        case Part::DeleteFirstRecord:
            // Deleting the first record moves every row below it up and saves the journal.
            form->StringGrid1->SelectCell(0, 1);
            form->ToolButton1Click(nullptr);
            state.PauseTiming();
            if (form->StringGrid1->RowCount() < kRecords / 2) {
                FreshGrid(form);
                StartJournal(form);
            }
            state.ResumeTiming();
            break;
        }
    }
    delete form;
    Form1 = nullptr;
}
BENCHMARK_CAPTURE(JournalPart, CreateGraphBoxes, Part::CreateGraphBoxes)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(JournalPart, AttachCurveFiles, Part::AttachCurveFiles)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(JournalPart, SaveJournal, Part::SaveJournal)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(JournalPart, DeleteFirstRecord, Part::DeleteFirstRecord)
    ->Unit(benchmark::kMillisecond);

// SaveChartSeries and LoadChartSeries of a chart of two series of 50,000 points each.
void ChartCurveFileSaveLoad(benchmark::State& state) {
    JournalDir dir; // for its directory only
    ui::ModalRecorder boxes;
    auto* form = new TForm1(nullptr);
    Form1 = form;
    for (int i = 0; i < 50000; ++i) {
        form->Series2->AddXY(20 - i * 0.001, 100 - i * 0.002);
        form->Series3->AddXY(20 - i * 0.001, 90 - i * 0.002);
    }
    const std::string file = app::ProgramDir() + "two.txt";
    ui::TChart target(nullptr);
    for (auto _ : state) {
        SaveChartSeries({form->Chart2}, file, " ");
        LoadChartSeries({&target}, file);
        state.PauseTiming();
        for (int i = target.SeriesCount() - 1; i >= 0; --i)
            delete target.Series(i);
        state.ResumeTiming();
    }
    if (boxes.Count() != 0)
        state.SkipWithError("a box was shown");
    delete form;
    Form1 = nullptr;
}
BENCHMARK(ChartCurveFileSaveLoad)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application->Initialize();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
