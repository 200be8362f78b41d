// The run display on the main window: Timer2's plotting and state steps, Timer3's seconds,
// and the record taken at the end of a determination. The fields are set as the parser
// would set them; the ticks are driven by the test.
#include "AppFixture.h"
#include "JournalSupport.h"

#include <filesystem>
#include <fstream>

#include "app/RunDisplay.h"
#include "app/Texts.h"
#include "app/core/NumberText.h"
#include "app/core/CurveFile.h"
#include "app/core/Journal.h"

namespace {

using apptest::AppFixture;

class RunState : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindow();
        Plug(apptest::RecordingAnalyzer());
        ASSERT_NE(form_->FCurrentDevice, nullptr);
        form_->Timer2->SetEnabled(true);
    }

    void Tick2() { ASSERT_TRUE(form_->Timer2->Tick()); }
    void Tick3() { ASSERT_TRUE(form_->Timer3->Tick()); }

    // The fields as a status report sets them.
    void Report(std::uint8_t state, float t = 20, float f = 800, std::uint8_t mode = 1) {
        ++form_->FStatusReports;
        form_->FPrevTemperature = form_->FTemperature;
        form_->FPrevSignal = form_->FSignal;
        form_->FState = state;
        form_->FTemperature = t;
        form_->FSignal = f;
        form_->FModeByte = mode;
    }

    ui::TLineSeries* const* AllSeries() {
        series_[0] = form_->Series1;
        series_[1] = form_->Series4;
        series_[2] = form_->Series2;
        series_[3] = form_->Series3;
        series_[4] = form_->Series5;
        series_[5] = form_->Series6;
        return series_;
    }
    void OnePointEach() {
        for (int i = 0; i < 6; ++i)
            AllSeries()[i]->AddXY(i, i);
    }
    int Points() {
        int n = 0;
        for (int i = 0; i < 6; ++i)
            n += AllSeries()[i]->Count();
        return n;
    }
    std::string Message() const { return form_->Label4->Caption(); }

    // A determination ended (state 5) with no curve folder, so that writing its record shows
    // an error box for each curve file; the state-40 report has the temperature and signal.
    void EndWithNoCurveFolder(float t = 20, float f = 800) {
        std::filesystem::remove_all(Dir() / "gr");
        Report(3);
        Tick2();
        Report(40, t, f);
        Tick2();
        form_->FCloudPoint = -6;
        Report(5);
    }

private:
    ui::TLineSeries* series_[6] = {};
};

enum class Timer3After { Off, On, Unchanged };

struct StateCase {
    std::uint8_t state;
    float temperature;
    std::uint8_t mode;
    const char* text;
    Timer3After timer3;
    bool clearsCharts;    // (a run tick plots first, then clears)
    bool pendingAfter;    // starting from a clear flag
    double baselineAfter; // starting from 500, with the signal at 800
    bool resetsSeconds;
};

TEST_F(RunState, EveryStateOfTheTable) {
    const app::TTexts& t = app::RussianTexts;
    using T3 = Timer3After;
    const StateCase cases[] = {
        {0, 9.9f, 1, "Измерение закончено . Идет восстановление температуры !", T3::Off, false,
         false, 0, true},
        {0, 10.0f, 1, "Прибор готов к работе !", T3::Off, false, false, 0, true},
        {1, 20, 1, "Для запуска определения температуры помутнения нажмите \"ПУСК\" !",
         T3::Unchanged, true, true, 800, false},
        {2, 20, 0,
         "Для запуска определения предельной температуры фильтруемости нажмите \"ПУСК\" !",
         T3::Unchanged, true, true, 800, false},
        {3, 20, 1,
         "Для запуска определения температуры помутнения,застывания,ПТФ нажмите \"ПУСК\" !",
         T3::Unchanged, true, true, 800, false},
        {4, 20, 1, t.State2, T3::Unchanged, true, true, 800, false},
        {5, 20, 1, "Измерение закончено !", T3::Off, false, false, 0, false},
        {20, 20, 1, "Определение температуры помутнения...", T3::On, true, true, 500, false},
        {30, 20, 0, "Определение предельной температуры фильтруемости...", T3::On, true, true, 500,
         false},
        {40, 20, 1, "Определение температуры помутнения, застывания, ПТФ.", T3::On, true, true, 500,
         false},
        {50, 20, 0, t.State30, T3::On, false, false, 500, false},
        {50, 20, 1, t.State30, T3::On, false, false, 500, false},
        {100, 20, 1, "Прибор не готов !!!", T3::Unchanged, false, false, 500, false},
        {6, 20, 1, "", T3::Unchanged, false, false, 500, false},
        {99, 20, 1, "", T3::Unchanged, false, false, 500, false},
        {255, 20, 1, "", T3::Unchanged, false, false, 500, false},
    };
    for (const StateCase& c : cases) {
        for (bool timer3Before : {false, true}) {
            SCOPED_TRACE(testing::Message() << "state " << int(c.state) << " T " << c.temperature
                                            << " Timer3 " << timer3Before);
            form_->StringGrid1->SetRowCount(2);
            form_->FCloudPoint = core::kNotDetermined; // an end appends nothing
            form_->FRecordPending = false;
            form_->FBaseline = 500;
            form_->FRunSeconds = 7;
            form_->Timer3->SetEnabled(timer3Before);
            for (int i = 0; i < 6; ++i)
                AllSeries()[i]->Clear();
            OnePointEach();
            form_->Label4->SetCaption("before");
            Report(c.state, c.temperature, 800, c.mode);

            Tick2();
            EXPECT_EQ(Message(), c.text);
            const bool on = c.timer3 == T3::On || (c.timer3 == T3::Unchanged && timer3Before);
            EXPECT_EQ(form_->Timer3->Enabled(), on);
            EXPECT_EQ(Points() == 0, c.clearsCharts);
            if (!c.clearsCharts && !app::IsPlottingState(c.state, c.mode)) {
                EXPECT_EQ(Points(), 6) << "nothing plotted";
            }
            EXPECT_EQ(form_->FRecordPending, c.pendingAfter);
            EXPECT_DOUBLE_EQ(form_->FBaseline, c.baselineAfter);
            EXPECT_EQ(form_->FRunSeconds, c.resetsSeconds ? 0 : 7);
            EXPECT_EQ(JournalRecords(), 0);
        }
    }
}

TEST_F(RunState, NoDeviceBoundShowsOnlyTheNotice) {
    form_->FCurrentDevice = nullptr;
    Report(5);
    form_->FRecordPending = true;
    form_->FBaseline = 500;
    form_->Timer3->SetEnabled(true);
    OnePointEach();
    Tick2();
    EXPECT_EQ(Message(), "Прибор не подключен !");
    EXPECT_TRUE(form_->FRecordPending);
    EXPECT_DOUBLE_EQ(form_->FBaseline, 500);
    EXPECT_TRUE(form_->Timer3->Enabled());
    EXPECT_EQ(Points(), 6);
    EXPECT_EQ(JournalRecords(), 0);
}

TEST_F(RunState, FirstTickBeforeAnyReportIsTheRecoveringIdleState) {
    Tick2();
    EXPECT_EQ(Message(), "Измерение закончено . Идет восстановление температуры !");
    EXPECT_FALSE(form_->Timer3->Enabled());
    EXPECT_EQ(Points(), 0);
}

TEST_F(RunState, ReadyStatesClearTheChartsAndRetakeTheBaselineOnEveryTick) {
    for (std::uint8_t ready : {1, 2, 3, 4}) {
        SCOPED_TRACE(int(ready));
        for (float f : {800.0f, 1200.0f, 950.5f}) {
            OnePointEach();
            Report(ready, 20, f);
            Tick2();
            EXPECT_EQ(Points(), 0);
            EXPECT_DOUBLE_EQ(form_->FBaseline, f);
            EXPECT_TRUE(form_->FRecordPending);
        }
    }
}

TEST_F(RunState, RunFromAReadyStatePlotsWithItsBaselineAndKeepsItsPoints) {
    Report(3, 20, 1000);
    Tick2();
    ASSERT_DOUBLE_EQ(form_->FBaseline, 1000);
    Report(40, 19.5f, 900, 1);
    Tick2();
    EXPECT_EQ(form_->Series1->Count(), 1);
    EXPECT_EQ(form_->Series4->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series4->YValues()[0], 90);
    EXPECT_EQ(form_->Series3->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series3->XValues()[0], 19.5);
    EXPECT_DOUBLE_EQ(form_->Series3->YValues()[0], 90);
    EXPECT_EQ(form_->Series5->Count(), 1); // f fell and round1(T) changed
    EXPECT_EQ(form_->Label5->Caption(), "90");
    Report(40, 19.0f, 850, 1);
    Tick2();
    EXPECT_EQ(form_->Series1->Count(), 2);
    EXPECT_DOUBLE_EQ(form_->Series1->YValues()[1], 19);
    EXPECT_DOUBLE_EQ(form_->Series1->XValues()[1], 1);
    EXPECT_EQ(form_->Label5->Caption(), "85");
    EXPECT_EQ(form_->Label4->Caption(), "Определение температуры помутнения, застывания, ПТФ.");
}

TEST_F(RunState, RunWithoutAReadyStateStartsItsChartsWithTheSecondTick) {
    Report(0, 20, 0);
    Tick2();
    ASSERT_DOUBLE_EQ(form_->FBaseline, 0);
    Report(20, 19.0f, 900, 1);
    Tick2();
    // the first tick plotted and took the baseline, then the clear flag cleared the charts
    EXPECT_EQ(Points(), 0);
    EXPECT_DOUBLE_EQ(form_->FBaseline, 900);
    EXPECT_TRUE(form_->FRecordPending);
    Report(20, 18.5f, 810, 1);
    Tick2();
    EXPECT_EQ(form_->Series1->Count(), 1);
    EXPECT_EQ(form_->Series4->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series4->YValues()[0], 90);
}

TEST_F(RunState, PlottingTickWithBaselineZeroTakesItAndPlotsChart2AtHundred) {
    form_->FRecordPending = true;
    form_->FBaseline = 0;
    Report(40, 12.34f, 640, 0);
    Tick2();
    EXPECT_EQ(form_->Series1->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series1->YValues()[0], 12.3);
    EXPECT_EQ(form_->Series4->Count(), 0);
    EXPECT_DOUBLE_EQ(form_->FBaseline, 640);
    ASSERT_EQ(form_->Series2->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series2->XValues()[0], 12.3);
    EXPECT_DOUBLE_EQ(form_->Series2->YValues()[0], 100);
    EXPECT_EQ(form_->Label5->Caption(), "100");
    // the next tick's Chart1 transmission point runs one behind the temperature
    Report(40, 12.0f, 320, 0);
    Tick2();
    EXPECT_EQ(form_->Series1->Count(), 2);
    ASSERT_EQ(form_->Series4->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series4->XValues()[0], 0);
    EXPECT_DOUBLE_EQ(form_->Series4->YValues()[0], 50);
}

TEST_F(RunState, State50PlotsOnlyWithModeTwoOrMoreAndBitZeroPicksTheSeries) {
    struct Case {
        std::uint8_t mode;
        int chart1, chart2s0, chart2s1, chart3s0, chart3s1;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0},
        {1, 0, 0, 0, 0, 0},
        {2, 1, 1, 0, 0, 1},
        {3, 1, 0, 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        for (int i = 0; i < 6; ++i)
            AllSeries()[i]->Clear();
        form_->FRecordPending = true;
        form_->FBaseline = 1000;
        form_->Timer3->SetEnabled(false);
        form_->FTemperature = -10;
        form_->FSignal = 500;
        Report(50, -10.5f, 490, c.mode);
        form_->FDf = 3;
        Tick2();
        EXPECT_EQ(Message(), "Определение предельной температуры фильтруемости...");
        EXPECT_TRUE(form_->Timer3->Enabled());
        EXPECT_EQ(form_->Series1->Count(), c.chart1);
        EXPECT_EQ(form_->Series4->Count(), c.chart1);
        EXPECT_EQ(form_->Series2->Count(), c.chart2s0);
        EXPECT_EQ(form_->Series3->Count(), c.chart2s1);
        EXPECT_EQ(form_->Series5->Count(), c.chart3s0);
        EXPECT_EQ(form_->Series6->Count(), c.chart3s1);
        if (c.chart3s0 + c.chart3s1) {
            ui::TLineSeries* s = c.chart3s0 ? form_->Series5 : form_->Series6;
            EXPECT_DOUBLE_EQ(s->XValues()[0], -10.5);
            EXPECT_DOUBLE_EQ(s->YValues()[0], -3);
        }
    }
}

TEST_F(RunState, Chart3ThresholdsOnTheWindow) {
    form_->FRecordPending = true;
    form_->FBaseline = 1000;
    // bit 0 set: a rise of exactly 20 adds nothing, 19.5 adds a point
    form_->FTemperature = -2;
    form_->FSignal = 100;
    Report(40, -3, 120, 1);
    Tick2();
    EXPECT_EQ(form_->Series5->Count(), 0);
    form_->FSignal = 100;
    Report(40, -4, 119.5f, 1);
    Tick2();
    EXPECT_EQ(form_->Series5->Count(), 1);
    // bit 0 clear: df of exactly 50 or -50 adds nothing, 49 adds a point
    for (float df : {50.0f, -50.0f}) {
        form_->FDf = df;
        Report(30, form_->FTemperature - 1, 100, 0);
        Tick2();
    }
    EXPECT_EQ(form_->Series6->Count(), 0);
    form_->FDf = 49;
    Report(30, form_->FTemperature - 1, 100, 0);
    Tick2();
    ASSERT_EQ(form_->Series6->Count(), 1);
    EXPECT_DOUBLE_EQ(form_->Series6->YValues()[0], -49);
}

TEST_F(RunState, SecondsAreKeptAcrossState5AndResetByState0) {
    Report(40);
    Tick2();
    ASSERT_TRUE(form_->Timer3->Enabled());
    for (int i = 0; i < 3; ++i)
        Tick3();
    EXPECT_EQ(Panel(1), "Время измерения(сек.)=3");
    form_->FCloudPoint = core::kNotDetermined;
    Report(5);
    Tick2();
    EXPECT_FALSE(form_->Timer3->Enabled());
    EXPECT_EQ(form_->FRunSeconds, 3);
    Report(3);
    Tick2();
    Report(40);
    Tick2();
    Tick3();
    EXPECT_EQ(Panel(1), "Время измерения(сек.)=4");
    Report(0, 5);
    Tick2();
    EXPECT_EQ(form_->FRunSeconds, 0);
    EXPECT_FALSE(form_->Timer3->Enabled());
    Report(20);
    Tick2();
    Tick3();
    EXPECT_EQ(Panel(1), "Время измерения(сек.)=1");
}

// A run whose end and idle state went unseen (the cable was out) and that the next ready
// state records: the next run counts its seconds from 1, as after the idle state.
TEST_F(RunState, SecondsStartAgainAfterARunThatTheNextReadyStateRecords) {
    form_->FCloudPoint = -5;
    Report(3);
    Tick2();
    Report(40);
    Tick2();
    for (int i = 0; i < 5; ++i)
        Tick3();
    Report(3);
    Tick2();
    ASSERT_EQ(JournalRecords(), 1);
    Report(40);
    Tick2();
    Tick3();
    EXPECT_EQ(form_->FRunSeconds, 1);
    EXPECT_EQ(Panel(1), "Время измерения(сек.)=1");
}

// ---- the record at the end of a determination ----------------------------------------------

TEST_F(RunState, EndOfARunAppendsOneRecordAndLaterEndTicksAddNone) {
    Report(3);
    Tick2();
    Report(40, 10, 700);
    Tick2();
    form_->FCloudPoint = -5;
    form_->FPourPoint = -25;
    form_->FFilterPoint = -15;
    Report(5, -25);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_FALSE(form_->FRecordPending);
    EXPECT_DOUBLE_EQ(form_->FBaseline, 0);
    Tick2();
    Report(0, -20);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_EQ(form_->StringGrid1->Cells(2, 1), "-5");
}

TEST_F(RunState, ReadyStateThenIdleAppendsWhatTheAnalyzerReportsThen) {
    Report(1);
    Tick2();
    form_->FCloudPoint = core::kNotDetermined;
    Report(0, 20);
    Tick2();
    EXPECT_EQ(JournalRecords(), 0) << "cloud point 77: nothing";
    EXPECT_FALSE(form_->FRecordPending);

    Report(1);
    Tick2();
    form_->FCloudPoint = -4;
    Report(0, 20);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
}

TEST_F(RunState, RecordEndingInAnErrorIsNotAppendedAgainByTheNextTicks) {
    Report(3);
    Tick2();
    Report(40);
    Tick2();
    form_->FCloudPoint = -6;
    // data2.tab cannot be replaced: a folder of that name holds a file
    const auto journal = Dir() / "data2.tab";
    std::filesystem::remove(journal);
    std::filesystem::create_directories(journal / "x");
    Report(5);
    Tick2();
    ASSERT_EQ(Boxes().Count(), 1) << "the standard error box";
    EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Error);
    EXPECT_TRUE(form_->FRecordPending) << "the error left the tick before the flag";
    EXPECT_EQ(JournalRecords(), 1);

    Tick2(); // the same determination, still in state 5
    Report(0, 20);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_FALSE(form_->FRecordPending);
    EXPECT_EQ(Boxes().Count(), 1);

    // the next determination is recorded again
    std::filesystem::remove_all(journal);
    Report(3);
    Tick2();
    Report(40);
    Tick2();
    Report(5);
    Tick2();
    EXPECT_EQ(JournalRecords(), 2);
    EXPECT_EQ(core::ParseJournal(apptest::ReadBytes(journal)).size(), 2u);
}

// A record whose write failed keeps its flag; a tick in a state that prepares or runs no new
// determination between it and the next end state must not let that end append it again.
TEST_F(RunState, RecordThatFailedIsNotAppendedAgainAfterAStateBetween) {
    const auto journal = Dir() / "data2.tab";
    for (std::uint8_t between : {50, 100, 6}) {
        for (std::uint8_t mode : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "between " << int(between) << " mode " << int(mode));
            std::filesystem::remove_all(journal);
            form_->StringGrid1->SetRowCount(2);
            form_->StringGrid1->SetRowTexts(1, {});
            Boxes().Clear();
            Report(3);
            Tick2();
            Report(40);
            Tick2();
            form_->FCloudPoint = -6;
            std::filesystem::create_directories(journal / "x"); // data2.tab cannot be replaced
            Report(5);
            Tick2();
            ASSERT_EQ(Boxes().Count(), 1);
            Report(between, 20, 800, mode);
            Tick2();
            std::filesystem::remove_all(journal);
            Report(0, 20);
            Tick2();
            Report(5);
            Tick2();
            EXPECT_EQ(JournalRecords(), 1);
            EXPECT_FALSE(form_->FRecordPending);
        }
    }
}

// A tick that finds no status report since the tick before (the cable is out, the analyzer
// silent) plots nothing and ends nothing; the state it shows stays.
TEST_F(RunState, TickWithoutANewReportAddsNoPointAndTakesNoRecord) {
    Report(3);
    Tick2();
    for (std::uint8_t state : {20, 30, 40}) {
        SCOPED_TRACE(int(state));
        Report(state, 15, 700, 1);
        Tick2();
        const int points = Points();
        ASSERT_GT(points, 0);
        Tick2();
        Tick2();
        EXPECT_EQ(Points(), points);
        EXPECT_TRUE(form_->Timer3->Enabled());
    }
    Report(50, 14, 690, 2);
    Tick2();
    const int points = Points();
    Tick2();
    EXPECT_EQ(Points(), points);

    // the fields say idle, but no report said so: no record until one does
    form_->FCloudPoint = -5;
    form_->FState = 0;
    Tick2();
    EXPECT_EQ(JournalRecords(), 0);
    EXPECT_TRUE(form_->FRecordPending);
    Report(0, 5);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
}

// A determination whose running states were seen and whose end was not (it ended while the
// cable was out) is recorded when the next ready state comes, before the charts are cleared;
// a ready state that follows no run records nothing.
TEST_F(RunState, ReadyStateAfterARunWithoutItsEndRecordsTheRun) {
    struct Case {
        std::vector<std::uint8_t> states; // after the first ready state
        int records;
    };
    const Case cases[] = {
        {{40, 3}, 1},    {{40, 100, 3}, 1}, {{30, 50, 2}, 1}, {{40, 5, 3}, 1},
        {{40, 0, 3}, 1}, {{3, 1}, 0},       {{50, 3}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "states " << ::testing::PrintToString(c.states));
        form_->StringGrid1->SetRowCount(2);
        form_->StringGrid1->SetRowTexts(1, {});
        form_->FCloudPoint = -5;
        form_->FPourPoint = core::kNotDetermined;
        form_->FFilterPoint = core::kNotDetermined;
        Report(3);
        Tick2();
        int points = 0;
        for (std::uint8_t state : c.states) {
            if (app::IsReadyState(state))
                points = form_->Series1->Count() + form_->Series4->Count();
            Report(state, 15, 700, state == 50 ? 2 : 1);
            Tick2();
        }
        EXPECT_EQ(JournalRecords(), c.records);
        if (c.records && c.states[1] != 5 && c.states[1] != 0) {
            EXPECT_FALSE(form_->Timer3->Enabled());
            const auto curve = core::LoadCurveFile((Dir() / "gr" / "gr1__.txt").string());
            std::size_t recorded = 0;
            for (const auto& series : curve.Series)
                recorded += series.Points.size();
            EXPECT_EQ(int(recorded), points) << "the run's charts, before they were cleared";
        }
        EXPECT_EQ(Points(), 0);
        EXPECT_TRUE(form_->FRecordPending);
        std::filesystem::remove_all(Dir() / "gr");
        std::filesystem::create_directories(Dir() / "gr");
    }
}

// The same with the state-50 tick run behind the error box of the record's curve file.
TEST_F(RunState, StateFiftyTickBehindTheRecordsErrorBoxAddsNoSecondRow) {
    EndWithNoCurveFolder();
    bool once = false;
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        if (once)
            return;
        once = true;
        Report(50, 20, 800, 2);
        form_->Timer2->Tick();
        Report(5);
    });
    Tick2();
    Report(0, 20);
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_FALSE(form_->FRecordPending);
}

TEST_F(RunState, TicksWhileTheRecordsErrorBoxIsOpenAddNoSecondRow) {
    EndWithNoCurveFolder();
    int nested = 0;
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        ++nested;
        form_->Timer2->Tick(); // the timer goes on behind the box
        form_->FState = 0;     // and the analyzer goes idle meanwhile
        form_->Timer2->Tick();
    });
    Tick2();
    EXPECT_EQ(nested, 3) << "one box per curve file";
    EXPECT_EQ(Boxes().Count(), 3);
    EXPECT_EQ(form_->Timer2->Depth(), 0);
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_FALSE(form_->FRecordPending);
}

TEST_F(RunState, DeterminationBegunWhileTheRecordsBoxIsOpenKeepsItsFlag) {
    EndWithNoCurveFolder(10, 700);
    bool once = false;
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        if (once)
            return;
        once = true;
        Report(3, 20, 900); // the next determination is prepared behind the box
        form_->Timer2->Tick();
        Report(40, 19, 880);
        form_->Timer2->Tick();
    });
    Tick2();
    EXPECT_EQ(JournalRecords(), 1);
    EXPECT_TRUE(form_->FRecordPending) << "the new run's flag survives the old run's record";
    // so the next run tick keeps the new run's points instead of clearing them
    Report(40, 18.5f, 850);
    Tick2();
    EXPECT_EQ(form_->Series1->Count(), 2);
}

} // namespace
