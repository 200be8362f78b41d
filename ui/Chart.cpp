#include "ui/Chart.h"

#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QFile>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImageWriter>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "runtime/SysUtils.h"
#include "ui/QtBridge.h"

namespace ui {

namespace {

bool Finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

[[noreturn]] void IndexError(int index) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

QColor ColorFromTColor(TColor c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TColor TColorFromColor(const QColor& c) {
    return RGB(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}

ChartRange AutoRange(double lo, double hi, bool any) {
    if (!any || !std::isfinite(lo) || !std::isfinite(hi) || lo > hi)
        return {};
    if (lo == hi) {
        const double pad = lo == 0 ? 1.0 : std::abs(lo) * 0.1;
        return {lo - pad, hi + pad};
    }
    return {lo, hi};
}

int LeftTicksFor(double plotHeight) {
    // A number's line and the room between two of them.
    constexpr double kTickSpacing = 24;
    return std::clamp(static_cast<int>(plotHeight / kTickSpacing) + 1, 2, 5);
}

QString ChartLinesToHtml(const std::vector<std::string>& lines) {
    QStringList escaped;
    for (const std::string& line : lines)
        escaped << QString::fromStdString(line).toHtmlEscaped();
    return escaped.join(QStringLiteral("<br>"));
}

double TChartValueList::operator[](int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= values_.size())
        IndexError(index);
    return values_[static_cast<std::size_t>(index)];
}

// ---- TLineSeries ----

TLineSeries::TLineSeries(TComponent* AOwner) : TComponent(AOwner) { NewQtSeries(); }

TLineSeries::~TLineSeries() {
    SetParentChart(nullptr);
    delete line_.data();
}

void TLineSeries::NewQtSeries() {
    line_ = new QLineSeries;
    line_->setPointsVisible(false);
    line_->setName(QString::fromStdString(title_));
    ApplyPen();
    rebuild_ = true;
}

void TLineSeries::SetParentChart(TChart* chart) {
    if (chart == chart_)
        return;
    if (chart_)
        chart_->Detach(this);
    chart_ = chart;
    if (chart_)
        chart_->Attach(this);
}

void TLineSeries::SetSeriesColor(TColor color) {
    seriesColor_ = color;
    ApplyPen();
}

void TLineSeries::SetLinePenWidth(int width) {
    penWidth_ = std::max(0, width);
    ApplyPen();
}

void TLineSeries::SetTitle(const std::string& title) {
    title_ = title;
    line_->setName(QString::fromStdString(title));
}

void TLineSeries::ApplyPen() {
    QPen pen(ColorFromTColor(seriesColor_));
    pen.setWidth(penWidth_);
    line_->setPen(pen);
}

int TLineSeries::Add(double y) { return AddXY(static_cast<double>(x_.size()), y); }

int TLineSeries::AddXY(double x, double y) {
    std::size_t index;
    bool tail;
    if (std::isnan(x)) {
        index = x_.size();
        ++nanTail_;
        tail = true;
    } else {
        const auto ordered = x_.end() - static_cast<std::ptrdiff_t>(nanTail_);
        index = static_cast<std::size_t>(std::upper_bound(x_.begin(), ordered, x) - x_.begin());
        tail = index == x_.size() - nanTail_;
    }
    x_.insert(x_.begin() + static_cast<std::ptrdiff_t>(index), x);
    y_.insert(y_.begin() + static_cast<std::ptrdiff_t>(index), y);
    Changed(tail);
    return static_cast<int>(index);
}

void TLineSeries::Clear() {
    x_.clear();
    y_.clear();
    nanTail_ = 0;
    Changed(false);
}

void TLineSeries::Changed(bool tailOnly) {
    if (!tailOnly)
        rebuild_ = true;
    if (chart_)
        chart_->ScheduleFlush();
}

void TLineSeries::Push() {
    const std::size_t ordered = x_.size() - nanTail_;
    const std::size_t from = rebuild_ ? 0 : pushed_;
    if (rebuild_ || from < ordered) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(ordered - from));
        for (std::size_t i = from; i < ordered; ++i)
            if (Finite(x_[i], y_[i]))
                points.append(QPointF(x_[i], y_[i]));
        if (rebuild_)
            line_->replace(points);
        else
            line_->append(points);
    }
    rebuild_ = false;
    pushed_ = ordered;
}

// ---- TChartText ----

void TChartText::Put(int index, const std::string& s) {
    lines_.at(static_cast<std::size_t>(index)) = s;
    changed_();
}

int TChartText::Add(const std::string& s) {
    lines_.push_back(s);
    changed_();
    return Count() - 1;
}

void TChartText::Clear() {
    lines_.clear();
    changed_();
}

void TChartText::Delete(int index) {
    if (index < 0 || index >= Count())
        IndexError(index);
    lines_.erase(lines_.begin() + index);
    changed_();
}

// ---- TChart ----

QChartView* TChart::MakeView() {
    EnsureApplication(); // widgets need the Qt application
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->addAxis(new QValueAxis, Qt::AlignBottom);
    chart->addAxis(new QValueAxis, Qt::AlignLeft);
    auto* view = new QChartView(chart); // the view owns the chart, the chart its axes
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

TChart::TChart(TComponent* AOwner)
    : TWinControl(AOwner, MakeView()),
      context_(new QObject),
      title_([this] {
          if (chart_)
              chart_->setTitle(ChartLinesToHtml(title_.Lines()));
      }),
      foot_([this] {
          if (bottom_)
              bottom_->setTitleText(ChartLinesToHtml(foot_.Lines()));
      }) {
    view_ = static_cast<QChartView*>(Widget());
    chart_ = view_->chart();
    bottom_ = static_cast<QValueAxis*>(chart_->axes(Qt::Horizontal).value(0));
    left_ = static_cast<QValueAxis*>(chart_->axes(Qt::Vertical).value(0));
    // The view may go first, with its parent widget.
    QObject::connect(view_, &QObject::destroyed, context_.get(), [this] { ViewGone(); });
    // A lower plot gets fewer numbers on its left axis, so that they stay readable.
    QObject::connect(chart_, &QChart::plotAreaChanged, context_.get(), [this](const QRectF& plot) {
        const int ticks = LeftTicksFor(plot.height());
        if (ticks == leftTicks_)
            return;
        leftTicks_ = ticks;
        ScheduleFlush();
    });
    Rescale();
}

TChart::~TChart() {
    const std::vector<TLineSeries*> attached = series_;
    for (TLineSeries* s : attached) {
        if (s->Owner() == nullptr)
            delete s;
        else
            s->SetParentChart(nullptr);
    }
    context_.reset(); // no more queued flushes or signals
}

void TChart::ViewGone() {
    // The QChart takes the Qt series of the attached ones with it: give them fresh ones.
    for (TLineSeries* s : series_)
        s->NewQtSeries();
    view_ = nullptr;
    chart_ = nullptr;
    bottom_ = nullptr;
    left_ = nullptr;
}

void TChart::SetLeftAxisTitle(const std::string& caption) {
    leftTitle_ = caption;
    if (left_)
        left_->setTitleText(QString::fromStdString(caption).toHtmlEscaped());
}

TLineSeries* TChart::Series(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= series_.size())
        IndexError(index);
    return series_[static_cast<std::size_t>(index)];
}

void TChart::Attach(TLineSeries* s) {
    series_.push_back(s);
    s->rebuild_ = true;
    if (chart_) {
        chart_->addSeries(s->line_);
        s->line_->attachAxis(bottom_);
        s->line_->attachAxis(left_);
    }
    ScheduleFlush();
}

void TChart::Detach(TLineSeries* s) {
    series_.erase(std::remove(series_.begin(), series_.end(), s), series_.end());
    if (chart_ && s->line_->chart() == chart_)
        chart_->removeSeries(s->line_); // hands the Qt series back
    ScheduleFlush();
}

void TChart::ScheduleFlush() {
    if (flushQueued_ || !context_)
        return;
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        context_.get(), [this] { Flush(); }, Qt::QueuedConnection);
}

void TChart::Flush() {
    flushQueued_ = false;
    for (TLineSeries* s : series_)
        s->Push();
    Rescale();
}

namespace {

// Numbers on the axes as every number shown: the process's decimal separator, no group
// separators, the digits and minus sign of the C locale.
QLocale AxisLocale(char separator) {
    QLocale locale = separator == ',' ? QLocale(QLocale::Russian, QLocale::Russia) : QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

void TChart::Rescale() {
    if (!bottom_ || !left_)
        return;
    if (const char separator = rt::DecimalSeparator(); separator != axisSeparator_) {
        axisSeparator_ = separator;
        chart_->setLocale(AxisLocale(separator));
        chart_->setLocalizeNumbers(true);
    }
    bool any = false;
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    for (const TLineSeries* s : series_) {
        const std::size_t n = s->x_.size() - s->nanTail_;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = s->x_[i], y = s->y_[i];
            if (!Finite(x, y))
                continue;
            if (!any) {
                x0 = x1 = x;
                y0 = y1 = y;
                any = true;
                continue;
            }
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    const ChartRange rx = AutoRange(x0, x1, any);
    const ChartRange ry = AutoRange(y0, y1, any);
    bottom_->setRange(rx.min, rx.max);
    left_->setTickCount(leftTicks_);
    left_->setRange(ry.min, ry.max);
    // Round bounds need a span that fits a double.
    if (std::isfinite(rx.max - rx.min))
        bottom_->applyNiceNumbers();
    if (std::isfinite(ry.max - ry.min))
        left_->applyNiceNumbers();
}

QImage TChart::Picture() {
    Flush();
    QSize size = view_ ? view_->size() : QSize();
    if (size.width() <= 0 || size.height() <= 0)
        size = DefaultPictureSize();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!chart_)
        return image;

    // Lay the chart out at the picture's size, draw it, then give it its own size back.
    const QSizeF before = chart_->size();
    chart_->resize(QSizeF(size));
    if (chart_->layout())
        chart_->layout()->activate();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area(QPointF(0, 0), QSizeF(size));
        chart_->scene()->render(&painter, area, chart_->mapRectToScene(area));
    }
    if (before != QSizeF(size)) {
        chart_->resize(before);
        if (chart_->layout())
            chart_->layout()->activate();
    }
    return image;
}

void TChart::SaveToBitmapFile(const std::string& path) {
    const QImage image = Picture();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw rt::EFCreateError(path, file.errorString().toStdString());
    QImageWriter writer(&file, "BMP");
    if (!writer.write(image) || !file.flush()) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        throw rt::EFCreateError(path, reason.toStdString());
    }
}

} // namespace ui
