// Contact with the analyzer lost and found during a determination, with the stand-in analyzer
// on the virtual bus: the cable pulled and put back, and an analyzer that stops taking
// reports. Nothing is plotted from a report that did not come, no determination is lost, and
// the window goes on. The test steps the analyzer's clock and drives every tick.
#include "AppFixture.h"
#include "JournalSupport.h"

#include <filesystem>

#include "app/core/CurveFile.h"
#include "app/core/Journal.h"
#include "app/core/NumberText.h"
#include "tests/platform/MessageLocale.h"
#include "tests/platform/SilentDevice.h"

namespace {

using apptest::AnalyzerFixture;

class Contact : public AnalyzerFixture {
protected:
    // A window on an empty journal, bound to an analyzer at rest that goes on by itself while
    // the cable is out.
    void SetUp() override {
        AnalyzerFixture::SetUp();
        StartWithANewAnalyzer(true);
    }

    // One second in which no report comes: the poll fails, the rest ticks on.
    void SecondWithoutReport(double modelSeconds) {
        analyzer_->Advance(modelSeconds);
        const int before = MemoLines();
        ASSERT_TRUE(form_->Timer1->Tick());
        Drain();
        ASSERT_EQ(MemoLines(), before);
        ASSERT_EQ(Panel(0).rfind("WRITE ERROR: ", 0), 0u) << Panel(0);
        Ticks();
    }

    // Ready, "ПУСК", and on until the cloud point is found and a few points more.
    void RunUntilTheCloudPoint() {
        for (int i = 0; i < 60 && form_->FState != 3; ++i)
            ASSERT_NO_FATAL_FAILURE(Second(2));
        ASSERT_EQ(form_->FState, 3);
        form_->BitBtn1->Click(); // "ПУСК"
        for (int i = 0; i < 2000 && form_->FCloudPoint == core::kNotDetermined; ++i)
            ASSERT_NO_FATAL_FAILURE(Second(10));
        ASSERT_EQ(form_->FState, 40);
        ASSERT_NE(form_->FCloudPoint, core::kNotDetermined);
        for (int i = 0; i < 5; ++i)
            ASSERT_NO_FATAL_FAILURE(Second(10));
    }

    void Pull() {
        sim::VirtualBus::Instance().Unplug(analyzer_);
        Drain();
        ASSERT_FALSE(form_->FCurrentDevice->PluggedIn());
    }
    void PlugBack() {
        sim::VirtualBus::Instance().Plug(analyzer_);
        ASSERT_TRUE(
            WaitUntil([&] { return form_->FCurrentDevice && form_->FCurrentDevice->PluggedIn(); }));
    }

    std::vector<double> Temperatures() const { return form_->Series1->YValues().Values(); }
    // Chart1's temperature series as record 1's curve file holds it.
    std::vector<double> RecordedTemperatures() const {
        const core::TCurveFileContent c =
            core::LoadCurveFile((Dir() / "gr" / "gr1__.txt").string());
        if (!c.IsCurveFile || c.Series.empty())
            return {};
        std::vector<double> y;
        for (const core::TCurvePoint& p : c.Series[0].Points)
            y.push_back(p.Y);
        return y;
    }
};

// What the analyzer reaches while the cable is out decides what the first report after it
// brings; in every case the determination is recorded once, with the curves measured before
// the pull, and the ticks without a report add nothing.
TEST_F(Contact, DeterminationAcrossAPulledCableIsRecordedOnceWithWhatWasMeasured) {
    struct Case {
        const char* name;
        std::uint8_t reachedWhileOut; // the analyzer's state when the cable goes back
        bool recordedAtOnce;          // by the first report after it
    };
    const Case cases[] = {
        {"still running", 40, false},
        {"ended", 5, true},
        {"idle", 0, true},
        {"ready for the next one", 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(RunUntilTheCloudPoint());
        const std::vector<double> before = Temperatures();
        const float cloud = form_->FCloudPoint;
        const float pour = form_->FPourPoint;
        const float filter = form_->FFilterPoint;

        ASSERT_NO_FATAL_FAILURE(Pull());
        ASSERT_NO_FATAL_FAILURE(SecondWithoutReport(5));
        for (int i = 0; i < 24 * 720 && analyzer_->Model().State() != c.reachedWhileOut; ++i)
            analyzer_->Advance(5);
        ASSERT_EQ(analyzer_->Model().State(), c.reachedWhileOut);
        for (int i = 0; i < 8; ++i)
            ASSERT_NO_FATAL_FAILURE(SecondWithoutReport(0));
        EXPECT_EQ(Temperatures(), before) << "no point without a report";
        EXPECT_EQ(JournalRecords(), 0);

        ASSERT_NO_FATAL_FAILURE(PlugBack());
        ASSERT_NO_FATAL_FAILURE(Second(1));
        EXPECT_EQ(JournalRecords(), c.recordedAtOnce ? 1 : 0);
        if (c.recordedAtOnce) {
            EXPECT_EQ(RecordedTemperatures(), before);
            EXPECT_FALSE(form_->Timer3->Enabled());
            const core::TJournalRow row =
                core::ParseJournal(apptest::ReadBytes(Dir() / "data2.tab")).at(0);
            EXPECT_EQ(row[2], core::ResultText(cloud));
            if (c.reachedWhileOut == 3) {
                // the analyzer prepares the next determination: what it reported before
                EXPECT_EQ(row[3], core::ResultText(pour));
                EXPECT_EQ(row[4], core::ResultText(filter));
                EXPECT_EQ(apptest::PointsOn(form_->Chart1), 0);
            } else {
                EXPECT_EQ(row[3], core::ResultText(form_->FPourPoint));
                EXPECT_EQ(row[4], core::ResultText(form_->FFilterPoint));
            }
        } else {
            // the same determination goes on: its charts take the fresh report
            ASSERT_EQ(Temperatures().size(), before.size() + 1);
            EXPECT_LT(Temperatures().back(), before.back());
            for (int i = 0; i < 2000 && form_->FState != 5; ++i)
                ASSERT_NO_FATAL_FAILURE(Second(10));
            ASSERT_EQ(JournalRecords(), 1);
            EXPECT_EQ(RecordedTemperatures(), Temperatures());
        }
        for (int i = 0; i < 10; ++i)
            ASSERT_NO_FATAL_FAILURE(Second(10));
        EXPECT_EQ(JournalRecords(), 1) << "one record a determination";

        DestroyWindow();
        sim::VirtualBus::Instance().Reset();
        std::filesystem::remove_all(Dir() / "gr");
        std::filesystem::create_directories(Dir() / "gr");
        apptest::WriteBytes(Dir() / "data2.tab", "");
        ASSERT_NO_FATAL_FAILURE(StartWithANewAnalyzer(true));
    }
}

// An analyzer that stops taking reports: each poll holds the window only briefly and the
// charts stay as they were; the window goes on (the run seconds count), also when the device
// is given back with a write in flight; once the analyzer answers, the charts go on.
TEST_F(Contact, AnalyzerThatStopsAnsweringLeavesTheChartsAsTheyWere) {
    const platform_test::MessageLocale russian("ru_RU.UTF-8");
    ASSERT_NO_FATAL_FAILURE(RunUntilTheCloudPoint());
    const std::vector<double> before = Temperatures();
    const int seconds = form_->FRunSeconds;
    {
        silent::SilentFor silence(analyzer_);
        for (int i = 0; i < 5; ++i)
            ASSERT_NO_FATAL_FAILURE(SecondWithoutReport(1));
        EXPECT_EQ(Panel(0), "WRITE ERROR: Время ожидания операции истекло (5B4)");
        EXPECT_EQ(Temperatures(), before);
        EXPECT_EQ(form_->FRunSeconds, seconds + 5);
        EXPECT_EQ(analyzer_->WaitingWrites(), 1);

        // another device comes: the arrival gives the analyzer's object back, write and all
        Plug(std::make_shared<sim::RecordingDevice>(apptest::DeviceInfo(0x046D, 0xC077)));
        ASSERT_NE(form_->FCurrentDevice, nullptr);
        ASSERT_NO_FATAL_FAILURE(SecondWithoutReport(1));
        EXPECT_EQ(Temperatures(), before);
        EXPECT_FALSE(silence.Hung());
    }
    ASSERT_TRUE(silent::Eventually([&] { return analyzer_->WaitingWrites() == 0; }));
    ASSERT_TRUE(WaitUntil([&] {
        const int lines = MemoLines();
        form_->Timer1->Tick();
        Drain();
        return MemoLines() > lines;
    }));
    Ticks();
    EXPECT_EQ(Temperatures().size(), before.size() + 1);
    EXPECT_EQ(JournalRecords(), 0);
}

} // namespace
