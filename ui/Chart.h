#pragma once
// The chart component: TChart on Qt Charts with TLineSeries.
// A series keeps its points in plain vectors (X ascending) and hands them to Qt in batches
// from the event loop, so long curves stay cheap to build.
#include <QColor>
#include <QImage>
#include <QLineSeries>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Classes.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"

class QChart;
class QChartView;
class QObject;
class QValueAxis;

namespace ui {

class TChart;

// Read-only view of one coordinate of a series' points; an index out of range throws
// std::out_of_range.
class TChartValueList {
public:
    explicit TChartValueList(const std::vector<double>& values) : values_(values) {}
    int Count() const { return static_cast<int>(values_.size()); }
    double operator[](int index) const;
    double Value(int index) const { return (*this)[index]; }
    // All values at once, in point order.
    const std::vector<double>& Values() const { return values_; }

private:
    const std::vector<double>& values_;
};

class TLineSeries : public TComponent {
public:
    // Without an owner the series goes with the chart it is attached to (make it with new).
    explicit TLineSeries(TComponent* AOwner);
    ~TLineSeries() override;

    TChart* ParentChart() const { return chart_; }
    // Attaches the series after the chart's last one; nullptr detaches it.
    void SetParentChart(TChart* chart);

    // The line is drawn in SeriesColor with the pen's width. The pen's own colour is the
    // outline colour, which a flat line does not show.
    TColor SeriesColor() const { return seriesColor_; }
    void SetSeriesColor(TColor color);
    TColor LinePenColor() const { return penColor_; }
    void SetLinePenColor(TColor color) { penColor_ = color; }
    int LinePenWidth() const { return penWidth_; }
    void SetLinePenWidth(int width);

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Y alone: X is the count of points the series holds. Both return the new point's index.
    int Add(double y);
    // Kept in ascending X; a point with an X equal to existing ones goes after them.
    // A NaN X has no place in the order: it goes last and is not drawn.
    int AddXY(double x, double y);
    void Clear();
    int Count() const { return static_cast<int>(x_.size()); }

    TChartValueList XValues() const { return TChartValueList(x_); }
    TChartValueList YValues() const { return TChartValueList(y_); }

    // The Qt series that draws this one.
    QLineSeries* QtSeries() const { return line_; }

private:
    friend class TChart;
    void Changed(bool tailOnly);
    void Push();
    void ApplyPen();
    void NewQtSeries();

    TChart* chart_ = nullptr;
    QPointer<QLineSeries> line_; // the QChart owns it while attached, the series otherwise
    std::vector<double> x_;
    std::vector<double> y_;
    std::size_t nanTail_ = 0; // points with a NaN X, after the ordered ones
    std::size_t pushed_ = 0;  // ordered points already in the Qt series
    bool rebuild_ = true;     // the Qt series needs all points again
    TColor seriesColor_ = clRed;
    TColor penColor_ = clBlack;
    int penWidth_ = 1;
    std::string title_;
};

// Lines of a chart's title or foot; every change shows at once.
class TChartText : public TStrings {
public:
    explicit TChartText(std::function<void()> changed) : changed_(std::move(changed)) {}
    int Count() const override { return static_cast<int>(lines_.size()); }
    std::string Get(int index) const override { return lines_.at(static_cast<std::size_t>(index)); }
    void Put(int index, const std::string& s) override;
    int Add(const std::string& s) override;
    void Clear() override;
    void Delete(int index) override;
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
    std::function<void()> changed_;
};

// A chart is a windowed control (buttons may sit on it); its widget is a QChartView.
class TChart : public TWinControl {
public:
    explicit TChart(TComponent* AOwner);
    ~TChart() override;

    QChartView* View() const { return view_; }
    QChart* Chart() const { return chart_; }
    QValueAxis* BottomAxis() const { return bottom_; }
    QValueAxis* LeftAxis() const { return left_; }

    // Title over the chart; the foot is shown under the bottom axis.
    TStrings& TitleText() { return title_; }
    TStrings& FootText() { return foot_; }
    const std::string& LeftAxisTitle() const { return leftTitle_; }
    void SetLeftAxisTitle(const std::string& caption);

    int SeriesCount() const { return static_cast<int>(series_.size()); }
    // Position 0 first; an index out of range throws std::out_of_range.
    TLineSeries* Series(int index) const;

    // Hands pending points to Qt and rescales the axes now (the event loop does it too).
    void Flush();

    // The chart drawn at its present size (DefaultPictureSize when it has none) on white.
    QImage Picture();
    // Picture() as a BMP file; rt::EFCreateError when the file cannot be written.
    void SaveToBitmapFile(const std::string& path);

    static QSize DefaultPictureSize() { return QSize(800, 450); }

private:
    friend class TLineSeries;
    static QChartView* MakeView();
    void Attach(TLineSeries* s);
    void Detach(TLineSeries* s);
    void ScheduleFlush();
    void Rescale();
    void ViewGone();

    std::unique_ptr<QObject> context_; // receiver of queued calls and signals
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QValueAxis* bottom_ = nullptr;
    QValueAxis* left_ = nullptr;
    std::vector<TLineSeries*> series_;
    TChartText title_;
    TChartText foot_;
    std::string leftTitle_;
    bool flushQueued_ = false;
    char axisSeparator_ = 0; // the decimal separator the axis labels are written with
    int leftTicks_ = 5;      // the left axis' lines, before its bounds are rounded
};

// $00BBGGRR to Qt and back.
QColor ColorFromTColor(TColor c);
TColor TColorFromColor(const QColor& c);

// Axis bounds for values lo..hi: never an empty range; 0..1 when there is no value.
struct ChartRange {
    double min = 0;
    double max = 1;
};
ChartRange AutoRange(double lo, double hi, bool any);

// The lines of a left axis along a plot this high: 5 where they have room, down to 2.
int LeftTicksFor(double plotHeight);

// Lines as chart text: HTML-escaped, joined by line breaks.
QString ChartLinesToHtml(const std::vector<std::string>& lines);

} // namespace ui
