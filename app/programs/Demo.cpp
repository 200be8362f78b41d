// The demo: the Russian build on the virtual bus with the stand-in analyzer plugged in at
// start. The analyzer's clock runs accelerated, so one determination takes about three
// minutes, and in its demo setting the analyzer starts the next determination by itself a
// few seconds after it reports a ready state (the operator may press "ПУСК" sooner).
#include <chrono>
#include <memory>
#include <string>

#include "app/programs/Demo.h"

#include "analyzer/AnalyzerDevice.h"
#include "app/Program.h"
#include "app/RunDisplay.h"
#include "app/Unit1.h"
#include "app/core/NumberText.h"
#include "platform/sim/VirtualBus.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grab.h"

namespace app {

namespace {

constexpr unsigned kClockInterval = 100; // ms between clock steps
constexpr int kPictureWidth = 1280;
constexpr int kPictureHeight = 800;

// Journal rows that hold a record (a fresh journal's empty row does not).
int RecordRows(TForm1* f) {
    int n = 0;
    for (int r = 1; r < f->StringGrid1->RowCount(); ++r) {
        const std::string date = f->StringGrid1->Cells(1, r);
        if (!date.empty() && date != " ")
            ++n;
    }
    return n;
}

// The middle of a determination of all three: two results found, the third still open,
// curves on all three charts.
bool MidDetermination(TForm1* f) {
    return f->FState == Byte(TAnalyzerState::RunAll) && f->FCloudPoint != core::kNotDetermined &&
           f->FFilterPoint != core::kNotDetermined && f->FPourPoint == core::kNotDetermined &&
           f->Series1->Count() >= 20 && f->Series3->Count() + f->Series2->Count() >= 20 &&
           f->Series5->Count() + f->Series6->Count() >= 5;
}

class DemoClock {
public:
    DemoClock(std::shared_ptr<analyzer::AnalyzerDevice> analyzer, DemoHooks hooks)
        : analyzer_(std::move(analyzer)),
          hooks_(std::move(hooks)),
          last_(std::chrono::steady_clock::now()) {
        timer_ = new ui::TTimer(ui::Application);
        timer_->SetInterval(kClockInterval);
        timer_->OnTimer = [this](ui::TObject*) { Tick(); };
        timer_->SetEnabled(true);
    }

private:
    void Tick() {
        const auto now = std::chrono::steady_clock::now();
        analyzer_->AdvanceReal(std::chrono::duration<double>(now - last_).count());
        last_ = now;
        if (!Form1)
            return;
        if (startRecords_ < 0)
            startRecords_ = RecordRows(Form1);
        if (!hooks_.picture.empty() && MidDetermination(Form1)) {
            Picture(hooks_.picture);
            hooks_.picture.clear();
            Form1->Close();
            return;
        }
        if (hooks_.quitAfter > 0 && RecordRows(Form1) - startRecords_ >= hooks_.quitAfter) {
            hooks_.quitAfter = 0;
            Form1->Close();
        }
    }

    // The window as it is (the rate chart's page), then the pages of the two other run
    // charts as <name>-chart1.png and <name>-chart2.png.
    static void Picture(const std::string& path) {
        ui::GrabToPng(Form1, path, kPictureWidth, kPictureHeight);
        std::string stem = path;
        if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".png") == 0)
            stem.resize(stem.size() - 4);
        ui::TTabSheet* shown = Form1->PageControl1->ActivePage();
        Form1->PageControl1->SetActivePage(Form1->TabSheet1);
        ui::GrabToPng(Form1, stem + "-chart1.png", kPictureWidth, kPictureHeight);
        Form1->PageControl1->SetActivePage(Form1->TabSheet2);
        ui::GrabToPng(Form1, stem + "-chart2.png", kPictureWidth, kPictureHeight);
        Form1->PageControl1->SetActivePage(shown);
    }

    std::shared_ptr<analyzer::AnalyzerDevice> analyzer_;
    DemoHooks hooks_;
    std::chrono::steady_clock::time_point last_;
    ui::TTimer* timer_ = nullptr;
    int startRecords_ = -1;
};

} // namespace

int DemoMain(const DemoHooks& hooks) {
    auto analyzer = std::make_shared<analyzer::AnalyzerDevice>(1);
    std::unique_ptr<DemoClock> clock;
    const int rc = app::ProgramEntry([&] {
        sim::VirtualBus::Choose();
        analyzer->Model().SetDemo(
            {.enabled = true, .seed = 1, .realSecondsPerRun = hooks.runSeconds});
        sim::VirtualBus::Instance().Plug(analyzer);
        clock = std::make_unique<DemoClock>(analyzer, hooks);
    });
    sim::VirtualBus::Instance().Reset();
    return rc;
}

} // namespace app
