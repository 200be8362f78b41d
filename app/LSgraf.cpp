#include "app/LSgraf.h"

#include <exception>
#include <memory>

#include "app/core/CurveFile.h"
#include "runtime/CodePage.h"
#include "ui/Dialogs.h"

namespace {

constexpr ui::TColor kLoadedPenColor = ui::clRed;
constexpr ui::TColor kLoadedSeriesColor = 0;
constexpr int kLoadedPenWidth = 2;

core::TCurveSeries PointsOf(const ui::TLineSeries& series) {
    const ui::TChartValueList xs = series.XValues();
    const ui::TChartValueList ys = series.YValues();
    core::TCurveSeries points(static_cast<std::size_t>(series.Count()));
    for (int i = 0; i < series.Count(); ++i)
        points[static_cast<std::size_t>(i)] = {xs[i], ys[i]};
    return points;
}

std::unique_ptr<ui::TLineSeries> NewLoadedSeries(const core::TCurveSeries& points) {
    auto series = std::make_unique<ui::TLineSeries>(nullptr);
    series->SetLinePenColor(kLoadedPenColor);
    series->SetSeriesColor(kLoadedSeriesColor);
    series->SetLinePenWidth(kLoadedPenWidth);
    for (const auto& p : points)
        series->AddXY(p.X, p.Y);
    return series;
}

} // namespace

void ShowCurveFileError(const std::string& Message) {
    ui::MessageDlg(Message, ui::mtError, ui::mbOK);
}

std::vector<core::TCurveSeries> ChartSeriesPoints(const arChart& Charts) {
    std::vector<core::TCurveSeries> all;
    for (ui::TChart* chart : Charts)
        for (int i = 0; i < chart->SeriesCount(); ++i)
            all.push_back(PointsOf(*chart->Series(i)));
    return all;
}

std::string WriteSeriesPoints(const std::vector<core::TCurveSeries>& Series,
                              const std::string& FileName, const std::string& Comment) {
    try {
        core::SaveCurveFile(FileName, rt::Utf8ToCp1251(Comment), Series);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

void SaveChartSeries(const arChart& Charts, const std::string& FileName,
                     const std::string& Comment) {
    std::vector<core::TCurveSeries> all;
    try {
        all = ChartSeriesPoints(Charts);
    } catch (const std::exception& e) {
        ShowCurveFileError(e.what());
        return;
    }
    if (const std::string error = WriteSeriesPoints(all, FileName, Comment); !error.empty())
        ShowCurveFileError(error);
}

void LoadChartSeries(const arChart& Charts, const std::string& FileName) {
    core::TCurveFileContent content;
    try {
        content = core::LoadCurveFile(FileName);
    } catch (const std::exception& e) {
        ShowCurveFileError(e.what());
        return;
    }
    if (!content.IsCurveFile)
        return;
    try {
        for (const core::TLoadedCurve& curve : content.Series) {
            const auto chart = core::ChartForSeries(curve.Index, Charts.size());
            if (!chart) {
                ShowCurveFileError("List index out of bounds (0)");
                return;
            }
            std::unique_ptr<ui::TLineSeries> series = NewLoadedSeries(curve.Points);
            series->SetParentChart(Charts[*chart]);
            series.release(); // the chart holds it from here on
        }
    } catch (const std::exception& e) {
        ShowCurveFileError(e.what());
        return;
    }
    if (content.Error)
        ShowCurveFileError(core::CurveFileErrorMessage(*content.Error, FileName));
}

void ClearChartSeries(const arChart& Charts) {
    for (ui::TChart* chart : Charts)
        for (int i = 0; i < chart->SeriesCount(); ++i)
            chart->Series(i)->Clear();
}
