#pragma once
// Curve files of the charts: every series of the charts into one file, a file's curves back
// as new line series, and the points of the charts' series removed.
#include <string>
#include <vector>

#include "app/core/CurveFile.h"
#include "ui/Chart.h"

// References to the charts of one call; the caller owns the charts.
using arChart = std::vector<ui::TChart*>;

// Writes every series of the charts (chart by chart, series by series) to the file, replacing
// it as a whole. The comment is UTF-8 and is written in Windows-1251. A failure shows an error
// box and returns.
void SaveChartSeries(const arChart& Charts, const std::string& FileName,
                     const std::string& Comment);

// The points of every series of the charts as SaveChartSeries takes them, and the write of
// points taken before (so that the charts may change while an earlier save's box is open),
// which gives the text of its error box, or "" when the file was written.
std::vector<core::TCurveSeries> ChartSeriesPoints(const arChart& Charts);
std::string WriteSeriesPoints(const std::vector<core::TCurveSeries>& Series,
                              const std::string& FileName, const std::string& Comment);
// The error box of the curve files.
void ShowCurveFileError(const std::string& Message);

// Adds the file's curves as new red line series of width 2 to the first chart. A file whose
// first byte is not "M" loads nothing, silently; other failures show an error box and keep
// the series read before them.
void LoadChartSeries(const arChart& Charts, const std::string& FileName);

// Removes the points of every series of the charts; the series stay.
void ClearChartSeries(const arChart& Charts);
