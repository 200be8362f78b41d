// One determination from end to end with the stand-in analyzer on the virtual bus: the
// polls, the analyzer's reports through the read thread, the run display, "ПУСК", the
// journal record with its curve files, and the record shown again in a new window. The
// test steps the analyzer's clock and drives every tick.
#include "AppFixture.h"
#include "JournalSupport.h"

#include <filesystem>

#include "app/Texts.h"
#include "app/core/Journal.h"
#include "app/core/NumberText.h"

namespace {

using apptest::AnalyzerFixture;

class EndToEnd : public AnalyzerFixture {
protected:
    void SetUp() override {
        AnalyzerFixture::SetUp();
        StartWithANewAnalyzer();
    }

    // Seconds until the window has seen the state on a Timer2 tick (bounded).
    bool RunUntilState(std::uint8_t state, double step, int bound) {
        for (int i = 0; i < bound; ++i) {
            Second(step);
            if (HasFatalFailure())
                return false;
            if (form_->FState == state)
                return true;
            if (form_->FState != 40 && form_->FState != 3 && form_->FState != 0)
                seenOther_ = true;
        }
        return false;
    }

    std::filesystem::path Gr(const char* name) const { return Dir() / "gr" / name; }

    bool seenOther_ = false;
};

TEST_F(EndToEnd, ReadyStartPlotEndRecordThenShownInANewWindow) {
    const app::TTexts& t = app::RussianTexts;

    // the analyzer settles and reports the ready state of "all three"
    ASSERT_TRUE(RunUntilState(3, 2, 60));
    EXPECT_EQ(form_->Label4->Caption(), t.State3);
    EXPECT_TRUE(form_->FRecordPending);
    EXPECT_GT(form_->FBaseline, 0);
    EXPECT_EQ(apptest::PointsOn(form_->Chart1), 0);

    form_->BitBtn1->Click(); // "ПУСК"
    EXPECT_EQ(Boxes().Count(), 0);
    EXPECT_EQ(analyzer_->Model().PrepareCount(), 1);
    EXPECT_EQ(analyzer_->Model().State(), 40);

    ASSERT_TRUE(RunUntilState(40, 1, 5));
    EXPECT_EQ(form_->Label4->Caption(), t.State40);
    EXPECT_TRUE(form_->Timer3->Enabled());

    ASSERT_TRUE(RunUntilState(5, 10, 2000));
    EXPECT_FALSE(seenOther_);
    EXPECT_EQ(form_->Label4->Caption(), "Измерение закончено !");
    EXPECT_FALSE(form_->Timer3->Enabled());
    EXPECT_GT(form_->FRunSeconds, 100);
    EXPECT_FALSE(form_->FRecordPending);
    EXPECT_EQ(Boxes().Count(), 0);
    ASSERT_EQ(JournalRecords(), 1);
    ASSERT_NE(form_->FCloudPoint, core::kNotDetermined);

    // the charts were plotted through the run: temperature, transmission, rate
    const int chart1 = apptest::PointsOn(form_->Chart1);
    const int chart2 = apptest::PointsOn(form_->Chart2);
    const int chart3 = apptest::PointsOn(form_->Chart3);
    EXPECT_GT(form_->Series1->Count(), 100);
    EXPECT_EQ(form_->Series4->Count(), form_->Series1->Count());
    EXPECT_GT(form_->Series3->Count(), 100); // "all three" plots with mode bit 0 set
    EXPECT_GT(form_->Series5->Count(), 10);

    // the record, its curve files and data2.tab
    const auto rows = core::ParseJournal(apptest::ReadBytes(Dir() / "data2.tab"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][2], core::ResultText(form_->FCloudPoint));
    EXPECT_EQ(rows[0][3], core::ResultText(form_->FPourPoint));
    EXPECT_EQ(rows[0][4], core::ResultText(form_->FFilterPoint));
    EXPECT_EQ(rows[0][2], form_->StringGrid1->Cells(2, 1));
    for (const char* name : {"gr1.txt", "gr1_.txt", "gr1__.txt"})
        EXPECT_TRUE(std::filesystem::exists(Gr(name))) << name;

    // back to rest: no second record, the seconds start again at 0
    ASSERT_TRUE(RunUntilState(0, 10, 100));
    EXPECT_EQ(form_->FRunSeconds, 0);
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_EQ(core::ParseJournal(apptest::ReadBytes(Dir() / "data2.tab")).size(), 1u);

    // a new window on the same directory loads it and shows the record's curves
    DestroyWindow();
    sim::VirtualBus::Instance().Reset();
    TForm1* f = CreateWindow();
    EXPECT_EQ(Boxes().Count(), 0);
    ASSERT_EQ(f->StringGrid1->RowCount(), 2);
    EXPECT_EQ(f->StringGrid1->Cells(0, 1), "1");
    EXPECT_EQ(apptest::PointsOn(f->Chart1), 0);
    f->StringGrid1->SelectCell(0, 1);
    f->ToolButton4->Click(); // "Показать/Cкрыть график"
    EXPECT_EQ(Boxes().Count(), 0);
    EXPECT_EQ(apptest::PointsOn(f->Chart1), chart1);
    EXPECT_EQ(apptest::PointsOn(f->Chart2), chart2);
    EXPECT_EQ(apptest::PointsOn(f->Chart3), chart3);
    EXPECT_GT(f->Chart1->SeriesCount(), 2) << "loaded as series of their own";
}

} // namespace
