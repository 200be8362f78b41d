#include "ui/Chart.h"

#include <QChart>
#include <QChartView>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "runtime/SysUtils.h"
#include "ui/Menus.h"

namespace {

using ui::TChart;
using ui::TLineSeries;

template <class Pred>
bool PumpUntil(Pred done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        QCoreApplication::processEvents();
    return done();
}

std::vector<double> Values(const ui::TChartValueList& list) {
    std::vector<double> v;
    for (int i = 0; i < list.Count(); ++i)
        v.push_back(list[i]);
    return v;
}

struct Point {
    double x, y;
};

struct OrderCase {
    const char* name;
    std::vector<Point> added;
    std::vector<int> indices; // what each AddXY returned
    std::vector<double> xs;
    std::vector<double> ys;
};

TEST(LineSeries, AddXYKeepsAscendingXWithEqualXAfterExistingOnes) {
    const OrderCase cases[] = {
        {"ascending", {{1, 10}, {2, 20}, {3, 30}}, {0, 1, 2}, {1, 2, 3}, {10, 20, 30}},
        {"descending", {{3, 30}, {2, 20}, {1, 10}}, {0, 0, 0}, {1, 2, 3}, {10, 20, 30}},
        {"middle", {{1, 10}, {5, 50}, {3, 30}}, {0, 1, 1}, {1, 3, 5}, {10, 30, 50}},
        {"equal x after",
         {{2, 1}, {2, 2}, {1, 0}, {2, 3}},
         {0, 1, 0, 3},
         {1, 2, 2, 2},
         {0, 1, 2, 3}},
        {"negative", {{-0.5, 1}, {-12.3, 2}, {0, 3}}, {0, 0, 2}, {-12.3, -0.5, 0}, {2, 1, 3}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        TLineSeries s(nullptr);
        std::vector<int> indices;
        for (const Point& p : c.added)
            indices.push_back(s.AddXY(p.x, p.y));
        EXPECT_EQ(indices, c.indices);
        EXPECT_EQ(Values(s.XValues()), c.xs);
        EXPECT_EQ(Values(s.YValues()), c.ys);
        EXPECT_EQ(s.Count(), static_cast<int>(c.xs.size()));
    }
}

TEST(LineSeries, AddTakesTheCountAsXAndKeepsTheExactValue) {
    TLineSeries s(nullptr);
    EXPECT_EQ(s.Add(0.1 + 0.2), 0);
    EXPECT_EQ(s.Add(-7.25), 1);
    EXPECT_EQ(Values(s.XValues()), (std::vector<double>{0, 1}));
    EXPECT_EQ(Values(s.YValues()), (std::vector<double>{0.1 + 0.2, -7.25}));

    // The count is the X even when points with larger X are already there.
    TLineSeries t(nullptr);
    t.AddXY(10, 1);
    t.AddXY(20, 2);
    EXPECT_EQ(t.Add(3), 0); // X = 2 goes before 10
    EXPECT_EQ(Values(t.XValues()), (std::vector<double>{2, 10, 20}));
}

TEST(LineSeries, ClearEmptiesAndAddStartsAtZeroAgain) {
    TChart chart(nullptr);
    TLineSeries s(nullptr);
    s.SetParentChart(&chart);
    for (int i = 0; i < 5; ++i)
        s.Add(i * 2.0);
    chart.Flush();
    ASSERT_EQ(s.QtSeries()->count(), 5);

    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.ParentChart(), &chart);
    EXPECT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(s.Add(4), 0);
    EXPECT_EQ(s.XValues()[0], 0);
    chart.Flush();
    EXPECT_EQ(s.QtSeries()->count(), 1);
}

TEST(LineSeries, ValueIndexOutOfRangeThrows) {
    TLineSeries s(nullptr);
    s.Add(1);
    EXPECT_THROW(s.XValues()[1], std::out_of_range);
    EXPECT_THROW(s.YValues()[-1], std::out_of_range);
}

TEST(LineSeries, SeriesColourDrawsTheLineAndThePenGivesItsWidth) {
    TLineSeries s(nullptr);
    s.SetLinePenColor(ui::clRed);
    s.SetSeriesColor(0);
    s.SetLinePenWidth(2);
    EXPECT_EQ(s.LinePenColor(), ui::clRed);
    EXPECT_EQ(s.SeriesColor(), 0u);
    EXPECT_EQ(s.LinePenWidth(), 2);
    EXPECT_EQ(s.QtSeries()->pen().color(), QColor(0, 0, 0));
    EXPECT_EQ(s.QtSeries()->pen().width(), 2);
    EXPECT_FALSE(s.QtSeries()->pointsVisible());

    s.SetSeriesColor(10485760); // blue 160
    EXPECT_EQ(s.QtSeries()->pen().color(), QColor(0, 0, 160));
    EXPECT_EQ(ui::TColorFromColor(QColor(0, 0, 160)), 10485760u);
}

TEST(Chart, SeriesByPositionFollowAttachAndDetach) {
    TChart a(nullptr), b(nullptr);
    TLineSeries s0(nullptr), s1(nullptr), s2(nullptr);
    s0.SetParentChart(&a);
    s1.SetParentChart(&a);
    s2.SetParentChart(&a);
    ASSERT_EQ(a.SeriesCount(), 3);
    EXPECT_EQ(a.Series(0), &s0);
    EXPECT_EQ(a.Series(2), &s2);
    EXPECT_THROW(a.Series(3), std::out_of_range);

    s1.SetParentChart(&b);
    EXPECT_EQ(a.SeriesCount(), 2);
    EXPECT_EQ(a.Series(1), &s2);
    EXPECT_EQ(b.Series(0), &s1);
    EXPECT_EQ(s1.QtSeries()->chart(), b.Chart());

    s0.SetParentChart(nullptr);
    EXPECT_EQ(a.SeriesCount(), 1);
    EXPECT_EQ(s0.QtSeries()->chart(), nullptr);
    s0.SetParentChart(&a); // back at the end
    EXPECT_EQ(a.Series(1), &s0);
}

class CountedSeries : public TLineSeries {
public:
    CountedSeries(ui::TComponent* owner, int& gone) : TLineSeries(owner), gone_(gone) {}
    ~CountedSeries() override { ++gone_; }

private:
    int& gone_;
};

TEST(Chart, SeriesWithoutOwnerGoWithTheChartOwnedOnesStay) {
    int gone = 0;
    ui::TComponent owner(nullptr);
    auto* owned = new CountedSeries(&owner, gone);
    {
        TChart chart(nullptr);
        owned->SetParentChart(&chart);
        (new CountedSeries(nullptr, gone))->SetParentChart(&chart);
        (new CountedSeries(nullptr, gone))->SetParentChart(&chart);
        owned->Add(1);
    }
    EXPECT_EQ(gone, 2);
    EXPECT_EQ(owned->ParentChart(), nullptr);
    EXPECT_EQ(owned->Count(), 1);

    TChart other(nullptr);
    owned->SetParentChart(&other);
    other.Flush();
    EXPECT_EQ(owned->QtSeries()->count(), 1);
}

TEST(Chart, SeriesOutliveAViewThatGoesFirst) {
    int gone = 0;
    ui::TComponent owner(nullptr);
    auto chart = std::make_unique<TChart>(nullptr);
    auto* owned = new TLineSeries(&owner);
    owned->SetParentChart(chart.get());
    (new CountedSeries(nullptr, gone))->SetParentChart(chart.get());
    owned->Add(1);

    delete chart->View(); // as when the parent window goes first
    EXPECT_EQ(chart->Widget(), nullptr);
    owned->Add(2);
    chart->Flush();
    EXPECT_EQ(owned->Count(), 2);
    EXPECT_EQ(chart->Picture().size(), TChart::DefaultPictureSize());
    chart.reset();
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(owned->ParentChart(), nullptr);
}

TEST(Chart, PointsReachQtFromTheEventLoopInOneBatch) {
    TChart chart(nullptr);
    TLineSeries s(nullptr);
    s.SetParentChart(&chart);
    for (int i = 0; i < 50000; ++i)
        s.AddXY(i * 0.5, std::sin(i * 0.01));
    EXPECT_EQ(s.QtSeries()->count(), 0); // nothing pushed yet
    ASSERT_TRUE(PumpUntil([&] { return s.QtSeries()->count() == 50000; }));
    EXPECT_EQ(s.QtSeries()->at(49999).x(), 49999 * 0.5);

    // More at the end, then one in the middle: both arrive in order.
    s.AddXY(1e6, 2);
    chart.Flush();
    EXPECT_EQ(s.QtSeries()->count(), 50001);
    s.AddXY(-1, 3);
    chart.Flush();
    ASSERT_EQ(s.QtSeries()->count(), 50002);
    EXPECT_EQ(s.QtSeries()->at(0), QPointF(-1, 3));
    EXPECT_EQ(s.QtSeries()->at(50001), QPointF(1e6, 2));
}

TEST(Chart, AxesFollowTheData) {
    TChart chart(nullptr);
    TLineSeries s(nullptr), t(nullptr);
    s.SetParentChart(&chart);
    t.SetParentChart(&chart);
    s.AddXY(-20, 5);
    s.AddXY(3, 95);
    t.AddXY(7, -1);
    chart.Flush();
    EXPECT_LE(chart.BottomAxis()->min(), -20);
    EXPECT_GE(chart.BottomAxis()->max(), 7);
    EXPECT_LE(chart.LeftAxis()->min(), -1);
    EXPECT_GE(chart.LeftAxis()->max(), 95);

    s.Clear();
    t.Clear();
    t.AddXY(2, 2);
    chart.Flush();
    EXPECT_LT(chart.BottomAxis()->min(), 2);
    EXPECT_GT(chart.BottomAxis()->max(), 2);
    EXPECT_LT(chart.LeftAxis()->max(), 10);
}

// The numbers written on the axes, as the chart draws them.
std::vector<QString> AxisNumbers(TChart& chart) {
    chart.Picture(); // lays the labels out
    std::vector<QString> numbers;
    for (QGraphicsItem* item : chart.View()->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item)) {
            const QString s = text->toPlainText();
            if (!s.isEmpty() && (s.front().isDigit() || s.front() == '-'))
                numbers.push_back(s);
        }
    return numbers;
}

TEST(Chart, AxisNumbersUseTheDecimalSeparator) {
    const char before = rt::DecimalSeparator();
    for (char separator : {',', '.', ','}) {
        SCOPED_TRACE(separator);
        rt::SetDecimalSeparator(separator);
        TChart chart(nullptr);
        chart.View()->resize(400, 300);
        TLineSeries s(nullptr);
        s.SetParentChart(&chart);
        s.AddXY(14.0, -0.5);
        s.AddXY(15.2, 0.4);
        s.AddXY(1500, 0.3);
        chart.Flush();
        const std::vector<QString> numbers = AxisNumbers(chart);
        ASSERT_GT(numbers.size(), 4u);
        const QChar other = separator == ',' ? '.' : ',';
        bool fraction = false;
        for (const QString& n : numbers) {
            EXPECT_FALSE(n.contains(other)) << n.toStdString();
            EXPECT_FALSE(n.contains(' ') || n.contains(QChar(0xA0))) << n.toStdString();
            fraction = fraction || n.contains(QChar(separator));
        }
        EXPECT_TRUE(fraction) << "the left axis has fractions";
        EXPECT_TRUE(std::any_of(numbers.begin(), numbers.end(),
                                [](const QString& n) { return n.startsWith('-'); }));
    }
    rt::SetDecimalSeparator(before);
}

TEST(Chart, NonFiniteValuesAreKeptButNotDrawn) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TChart chart(nullptr);
    TLineSeries s(nullptr);
    s.SetParentChart(&chart);
    s.AddXY(nan, 1);
    s.AddXY(2, 2);
    s.AddXY(1, inf);
    s.AddXY(0, 0);
    ASSERT_EQ(s.Count(), 4);
    EXPECT_EQ(Values(s.XValues())[0], 0);
    EXPECT_EQ(Values(s.XValues())[1], 1);
    EXPECT_EQ(Values(s.XValues())[2], 2);
    EXPECT_TRUE(std::isnan(s.XValues()[3]));
    chart.Flush();
    EXPECT_EQ(s.QtSeries()->count(), 2);
    EXPECT_TRUE(std::isfinite(chart.LeftAxis()->max()));
    EXPECT_TRUE(std::isfinite(chart.BottomAxis()->min()));
}

TEST(AutoRange, NeverEmpty) {
    struct Case {
        double lo, hi;
        bool any;
        double min, max;
    } const cases[] = {
        {0, 0, false, 0, 1},
        {5, 5, true, 4.5, 5.5},
        {0, 0, true, -1, 1},
        {-3, 8, true, -3, 8},
    };
    for (const Case& c : cases) {
        const ui::ChartRange r = ui::AutoRange(c.lo, c.hi, c.any);
        EXPECT_DOUBLE_EQ(r.min, c.min);
        EXPECT_DOUBLE_EQ(r.max, c.max);
    }
}

TEST(Chart, TitleFootAndLeftAxisTitle) {
    TChart chart(nullptr);
    chart.TitleText().Add("Design title");
    chart.TitleText().Clear();
    chart.TitleText().Add("График температуры");
    chart.FootText().Add("a < b");
    chart.FootText().Add("& c");
    chart.SetLeftAxisTitle("Температура  °С / Оптическое пропускание %");

    EXPECT_EQ(chart.TitleText().Count(), 1);
    EXPECT_EQ(chart.Chart()->title(), QString::fromUtf8("График температуры"));
    EXPECT_EQ(chart.BottomAxis()->titleText(), QStringLiteral("a &lt; b<br>&amp; c"));
    EXPECT_EQ(chart.LeftAxisTitle(), "Температура  °С / Оптическое пропускание %");
    EXPECT_EQ(chart.LeftAxis()->titleText(),
              QString::fromUtf8("Температура  °С / Оптическое пропускание %"));
}

TEST(Chart, RightClickOnThePlotPopsTheChartsMenu) {
    TChart chart(nullptr);
    chart.View()->resize(300, 200);
    ui::TPopupMenu menu(nullptr);
    int popped = 0;
    menu.OnPopup = [&](ui::TObject*) { ++popped; };
    chart.SetPopupMenu(&menu);

    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(150, 100), QPoint(150, 100));
    QCoreApplication::sendEvent(chart.View()->viewport(), &click);
    EXPECT_EQ(popped, 1);
    menu.Menu()->hide();
}

class ChartPicture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        series.SetParentChart(&chart);
        series.SetSeriesColor(ui::clRed);
        series.SetLinePenWidth(3);
        for (int i = 0; i <= 20; ++i)
            series.AddXY(i, i % 2 ? 10 : 0);
    }
    std::string PathOf(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    QTemporaryDir dir;
    TChart chart{nullptr};
    TLineSeries series{nullptr};
};

int RedPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                ++n;
        }
    return n;
}

TEST_F(ChartPicture, BitmapHasThePresentSizeOnWhite) {
    chart.View()->resize(321, 123);
    const std::string path = PathOf("g1.bmp");
    chart.SaveToBitmapFile(path);

    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    file.close();
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path), "BMP"));
    EXPECT_EQ(image.size(), QSize(321, 123));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(320, 122), QColor(Qt::white));
    EXPECT_GT(RedPixels(image), 20); // the curve is drawn

    // A later save replaces the file with the chart's new size.
    chart.View()->resize(200, 100);
    chart.SaveToBitmapFile(path);
    ASSERT_TRUE(image.load(QString::fromStdString(path), "BMP"));
    EXPECT_EQ(image.size(), QSize(200, 100));
}

TEST_F(ChartPicture, AChartWithoutSizeIsPicturedAtTheDefaultSize) {
    chart.View()->resize(0, 0);
    const QImage image = chart.Picture();
    EXPECT_EQ(image.size(), TChart::DefaultPictureSize());
    EXPECT_GT(RedPixels(image), 20);
}

TEST_F(ChartPicture, UnwritableFileRaisesTheCreateError) {
    const std::string path = PathOf("missing/g1.bmp");
    try {
        chart.SaveToBitmapFile(path);
        FAIL() << "no error";
    } catch (const rt::EFCreateError& e) {
        EXPECT_EQ(e.Message().rfind("Cannot create file \"" + path + "\". ", 0), 0u) << e.Message();
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

} // namespace

namespace {

// A lower plot gets fewer lines on its left axis: every number keeps room to be written.
TEST(ChartTicksTest, LeftAxisLinesFollowThePlotsHeight) {
    const std::pair<double, int> cases[] = {{400, 5}, {96, 5}, {95, 4}, {67, 3}, {43, 2}, {0, 2}};
    for (const auto& [height, ticks] : cases)
        EXPECT_EQ(ui::LeftTicksFor(height), ticks) << height;
}

} // namespace
