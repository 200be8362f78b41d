// Prints the reports through the browser's document to PDF files, for looking at them
// (scripts/look-reports.sh), with COLDPOINT_LOOK_DIR naming the folder of the PDF files.
#include "tests/app/JournalSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/core/Journal.h"

using namespace apptest;

namespace {

class LookReports : public JournalFixture {
protected:
    // A cooling run: temperature and transmission against the sample count, transmission
    // against temperature, and its rate of change.
    void FillRun() {
        for (auto* s : {form_->Series1, form_->Series4, form_->Series2, form_->Series3,
                        form_->Series5, form_->Series6})
            s->Clear();
        for (int i = 0; i < 300; ++i) {
            const double t = 20 - i * 0.15;
            const double f = 100 / (1 + std::exp((t + 8) * -1.5));
            form_->Series1->Add(t);
            form_->Series4->Add(f);
            form_->Series2->AddXY(t, f);
            if (i > 0) {
                const double prevT = 20 - (i - 1) * 0.15;
                const double prevF = 100 / (1 + std::exp((prevT + 8) * -1.5));
                form_->Series5->AddXY(t, (f - prevF) / 0.15);
            }
        }
        form_->Series3->AddXY(-8, 0);
        form_->Series3->AddXY(-8, 100);
        form_->Series6->AddXY(-8, 0);
    }

    void PrintTo(const std::filesystem::path& pdf) {
        form_->Web->PrintToPdf(pdf.string());
        std::cout << pdf.string() << "\n";
    }
};

TEST_F(LookReports, ToPdf) {
    const char* out = std::getenv("COLDPOINT_LOOK_DIR");
    ASSERT_NE(out, nullptr) << "COLDPOINT_LOOK_DIR names the output folder";
    const std::filesystem::path dir(out);

    std::vector<core::TJournalRow> rows;
    for (int i = 1; i <= 12; ++i)
        rows.push_back(
            {std::to_string(i),
             "0" + std::to_string(i % 10) + ".12.2026  10:1" + std::to_string(i % 10) + ":00",
             "-" + std::to_string(i) + ".4", i % 4 ? "-2" + std::to_string(i) : "?",
             "-1" + std::to_string(i), i % 3 ? "Присадка." : " "});
    rows.push_back({"", "", "", "", "", ""});
    Start(core::SerializeJournal(rows));
    FillRun();
    form_->FCloudPoint = -8.04f;
    form_->FPourPoint = 77;
    form_->FFilterPoint = -12.5f;

    form_->N3->Click();
    PrintTo(dir / "measurement-live.pdf");

    PressShowHide(2);
    FillRun(); // the record's curve files are absent here: show the run again
    form_->N3->Click();
    PrintTo(dir / "measurement-record.pdf");

    form_->ToolButton2->Click();
    PrintTo(dir / "journal.pdf");
    Drain();
    for (const auto& r : Boxes().Requests()) // previews only, no error box
        EXPECT_EQ(r.kind, ui::ModalKind::PrintPreview) << r.text;
}

} // namespace
