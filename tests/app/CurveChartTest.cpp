// Curve files of the charts (LSgraf) and the run charts' pop-up menus.
#include "JournalSupport.h"

#include "app/LSgraf.h"

using namespace apptest;

namespace {

std::string I32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
    return s;
}

// 1.0, -2.5, 0.5 and 3 as little-endian doubles.
const std::string kOne("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);
const std::string kMinus2_5("\x00\x00\x00\x00\x00\x00\x04\xC0", 8);
const std::string kHalf("\x00\x00\x00\x00\x00\x00\xE0\x3F", 8);
const std::string kThree("\x00\x00\x00\x00\x00\x00\x08\x40", 8);

class CurveChart : public JournalFixture {
protected:
    void SetUp() override {
        JournalFixture::SetUp();
        Start();
    }
    std::string File(const std::string& name) const { return (Dir() / name).string(); }
    ui::TMenuItem* ItemOf(ui::TChart* chart, const std::string& caption) const {
        ui::TMenuItem* root = chart->PopupMenu()->Items();
        for (int i = 0; i < root->Count(); ++i)
            if (root->Items(i)->Caption() == caption)
                return root->Items(i);
        return nullptr;
    }
    int Series(ui::TChart* c) const { return c->SeriesCount(); }
};

TEST_F(CurveChart, SavedBytesMatchTheHandMadeFile) {
    // Chart2: (1,-2.5) (0.5,3) in ascending X, then an empty series; Chart3: (3,1) and empty.
    form_->Series2->AddXY(1, -2.5);
    form_->Series2->AddXY(0.5, 3);
    form_->Series5->AddXY(3, 1);
    SaveChartSeries({form_->Chart2, form_->Chart3}, File("two.txt"), " ");
    EXPECT_EQ(ReadBytes(File("two.txt")), std::string("M\x01 ", 3) + I32(4) + I32(2) + I32(0) +
                                              I32(1) + I32(0) + kHalf + kThree + kOne + kMinus2_5 +
                                              kThree + kOne);
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(CurveChart, ChartsWithoutPointsOrSeriesAndNoCharts) {
    struct Case {
        const char* name;
        arChart charts;
        std::string bytes;
    };
    ui::TChart bare(nullptr);
    const Case cases[] = {
        {"series without points",
         {form_->Chart1},
         std::string("M\x01 ", 3) + I32(2) + I32(0) + I32(0)},
        {"chart without series", {&bare}, std::string("M\x01 ", 3) + I32(0)},
        {"no chart", {}, std::string("M\x01 ", 3) + I32(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveChartSeries(c.charts, File("f.txt"), " ");
        EXPECT_EQ(ReadBytes(File("f.txt")), c.bytes);
        LoadChartSeries({form_->Chart2}, File("f.txt"));
        EXPECT_EQ(Series(form_->Chart2), 2);
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(CurveChart, LoadAddsRedSeriesAfterTheDesignedOnesAndTwiceGivesTwoSets) {
    // Counts 2, 0, 1: the empty series in the middle makes no series and moves no offset.
    WriteBytes(File("c.txt"), std::string("M\x03"
                                          "abc",
                                          5) +
                                  I32(3) + I32(2) + I32(0) + I32(1) + kOne + kMinus2_5 + kHalf +
                                  kThree + kThree + kOne);
    form_->Series2->AddXY(7, 7);
    LoadChartSeries({form_->Chart2}, File("c.txt"));
    ASSERT_EQ(Series(form_->Chart2), 4);
    EXPECT_EQ(form_->Chart2->Series(0), form_->Series2);
    EXPECT_EQ(form_->Chart2->Series(1), form_->Series3);
    EXPECT_EQ(form_->Series2->Count(), 1); // a load clears nothing
    const ui::TLineSeries* a = form_->Chart2->Series(2);
    const ui::TLineSeries* b = form_->Chart2->Series(3);
    EXPECT_EQ(a->LinePenColor(), ui::clRed);
    EXPECT_EQ(a->SeriesColor(), 0u);
    EXPECT_EQ(a->LinePenWidth(), 2);
    ASSERT_EQ(a->Count(), 2);
    EXPECT_EQ(a->XValues()[0], 0.5); // placed by X
    EXPECT_EQ(a->YValues()[0], 3);
    EXPECT_EQ(a->XValues()[1], 1);
    EXPECT_EQ(a->YValues()[1], -2.5);
    ASSERT_EQ(b->Count(), 1);
    EXPECT_EQ(b->XValues()[0], 3);
    EXPECT_EQ(b->YValues()[0], 1);

    LoadChartSeries({form_->Chart2}, File("c.txt"));
    EXPECT_EQ(Series(form_->Chart2), 6);
    EXPECT_EQ(Boxes().Count(), 0);

    // A save now writes the designed series first, then the loaded ones.
    SaveChartSeries({form_->Chart2}, File("again.txt"), " ");
    const core::TCurveFileContent back = core::LoadCurveFile(File("again.txt"));
    EXPECT_EQ(back.SeriesCount, 6);
    ASSERT_EQ(back.Series.size(), 5u);
    EXPECT_EQ(back.Series[0].Index, 0u);
    EXPECT_EQ(back.Series[0].Points, (core::TCurveSeries{{7, 7}}));
    EXPECT_EQ(back.Series[1].Index, 2u);

    ClearChartSeries({form_->Chart2});
    EXPECT_EQ(Series(form_->Chart2), 6); // series stay, emptied
    EXPECT_EQ(PointsOn(form_->Chart2), 0);
}

TEST_F(CurveChart, EverySeriesOfTheFileGoesToTheFirstChart) {
    std::vector<core::TCurveSeries> seven;
    for (int i = 0; i < 7; ++i)
        seven.push_back({{double(i), double(i)}});
    WriteBytes(File("seven.txt"), core::EncodeCurveFile(" ", seven));
    LoadChartSeries({form_->Chart1, form_->Chart2, form_->Chart3}, File("seven.txt"));
    EXPECT_EQ(Series(form_->Chart1), 2 + 7);
    EXPECT_EQ(Series(form_->Chart2), 2);
    EXPECT_EQ(Series(form_->Chart3), 2);
    EXPECT_EQ(Boxes().Count(), 0);
    // So a chart saved with its loaded series loads back whole.
    SaveChartSeries({form_->Chart1}, File("back.txt"), " ");
    LoadChartSeries({form_->Chart3}, File("back.txt"));
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart3), seven);
}

TEST_F(CurveChart, DamagedFilesEndTheLoad) {
    const std::string head = std::string("M\x01 ", 3);
    const std::string twoSeries = head + I32(2) + I32(1) + I32(2) + kOne + kOne;
    struct Case {
        const char* name;
        std::string bytes;
        int series; // series the load adds
        bool box;
    };
    const Case cases[] = {
        {"not a curve file", "X\x01 " + I32(0), 0, false},
        {"empty file", "", 0, false},
        {"N = 0", head + I32(0), 0, false},
        {"ends inside the header", std::string("M\x05 ", 3), 0, true},
        {"counts cut short", head + I32(3) + I32(1), 0, true},
        {"points cut short", twoSeries + kOne + kOne, 1, true},
        {"negative N", head + I32(-1), 0, true},
        {"huge N", head + I32(0x7FFFFFFF) + I32(1), 0, true},
        {"negative count", head + I32(2) + I32(1) + I32(-5) + kOne + kOne, 1, true},
        {"huge count", head + I32(1) + I32(0x7FFFFFFF) + kOne + kOne, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes().Clear();
        WriteBytes(File("d.txt"), c.bytes);
        const int before = Series(form_->Chart3);
        LoadChartSeries({form_->Chart3}, File("d.txt"));
        EXPECT_EQ(Series(form_->Chart3) - before, c.series);
        ASSERT_EQ(Boxes().Count(), c.box ? 1 : 0);
        if (c.box) {
            EXPECT_EQ(Boxes().Last().caption, "Error");
            EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Error);
            EXPECT_EQ(Boxes().Last().buttons, std::vector<int>{ui::IDOK});
        }
    }
}

TEST_F(CurveChart, FilesThatCannotBeOpenedOrCreated) {
    LoadChartSeries({form_->Chart1}, File("none.txt"));
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text,
              rt::FOpenErrorText(File("none.txt"), "No such file or directory"));
    EXPECT_EQ(Series(form_->Chart1), 2);

    SaveChartSeries({form_->Chart1}, File("no/such/dir.txt"), " ");
    ASSERT_EQ(Boxes().Count(), 2);
    EXPECT_EQ(Boxes().Last().caption, "Error");
    EXPECT_NE(Boxes().Last().text.find(File("no/such/dir.txt")), std::string::npos);
}

TEST_F(CurveChart, SaveMenuWritesTheThreeChartsAfterTheChosenName) {
    FillCharts(3);
    ui::TMenuItem* save = ItemOf(form_->Chart1, "Сохранить");
    ASSERT_NE(save, nullptr);
    Boxes().QueueFile(File("run.dat"));
    save->Click();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().kind, ui::ModalKind::SaveFile);
    EXPECT_EQ(ReadBytes(File("run.dat.txt")), core::EncodeCurveFile(" ", SeriesOf(form_->Chart2)));
    EXPECT_EQ(ReadBytes(File("run.dat_.txt")), core::EncodeCurveFile(" ", SeriesOf(form_->Chart3)));
    EXPECT_EQ(ReadBytes(File("run.dat_t_.txt")),
              core::EncodeCurveFile(" ", SeriesOf(form_->Chart1)));

    // Each failed save shows its own box, and the next one still runs.
    Boxes().Clear();
    Boxes().QueueFile(File("gone/x"));
    save->Click();
    EXPECT_EQ(Boxes().Count(), 4);
}

TEST_F(CurveChart, LoadMenusFillTheirCharts) {
    FillCharts(4);
    SaveChartSeries({form_->Chart2}, File("k.txt"), " ");
    const auto saved = NonEmptySeriesOf(form_->Chart2);
    ClearChartSeries({form_->Chart1, form_->Chart2, form_->Chart3});

    struct Case {
        const char* name;
        ui::TMenuItem* item;
        ui::TChart* target;
    };
    const Case cases[] = {
        {"Chart1's menu loads into Chart2", ItemOf(form_->Chart1, "Загрузить"), form_->Chart2},
        {"Chart2's menu", ItemOf(form_->Chart2, "Загрузить"), form_->Chart2},
        {"Chart3's menu", ItemOf(form_->Chart3, "Загрузить"), form_->Chart3},
        {"the menu of no control", form_->N11, form_->Chart1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.item, nullptr);
        ClearChartSeries({form_->Chart1, form_->Chart2, form_->Chart3});
        Boxes().QueueFile(File("k.txt"));
        c.item->Click();
        EXPECT_EQ(NonEmptySeriesOf(c.target), saved);
        EXPECT_EQ(PointsOn(form_->Chart1) + PointsOn(form_->Chart2) + PointsOn(form_->Chart3),
                  PointsOn(c.target));
    }
}

TEST_F(CurveChart, CancelledDialogsChangeNothing) {
    FillCharts(5);
    const auto files = std::distance(std::filesystem::directory_iterator(Dir()), {});
    const int points = PointsOn(form_->Chart1) + PointsOn(form_->Chart2) + PointsOn(form_->Chart3);
    for (ui::TMenuItem* item : {form_->N8, form_->N9, form_->N10, form_->N11})
        item->Click(); // no answer queued: the dialog is cancelled
    EXPECT_EQ(Boxes().Count(), 4);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir()), {}), files);
    EXPECT_EQ(Series(form_->Chart1) + Series(form_->Chart2) + Series(form_->Chart3), 6);
    EXPECT_EQ(PointsOn(form_->Chart1) + PointsOn(form_->Chart2) + PointsOn(form_->Chart3), points);
}

} // namespace
