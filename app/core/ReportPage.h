#pragma once
// The HTML pages of the two printed reports (tmp1.html), as lines, and their file form
// (each line followed by CR LF, Windows-1251). Cell texts go in escaped, so the page shows
// them as typed.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/Journal.h"

namespace core {

constexpr const char* kReportFileName = "tmp1.html";
constexpr const char* kChartPictureNames[3] = {"g1.bmp", "g2.bmp", "g3.bmp"};

// The lines that differ between the builds, each a whole line (the comment start is followed
// directly by the comment and "</b>").
struct TReportTexts {
    std::string Title;
    std::string Heading;
    std::string CloudHead;
    std::string PourHead;
    std::string FilterHead;
    std::string CommentStart;
    std::array<std::string, kJournalColumns> JournalHeads;
};
const TReportTexts& RussianReportTexts();

// The text with "&", "<", ">" and '"' written as HTML's character references.
std::string HtmlEscaped(std::string_view text);

// The measurement report (the caller saves the chart pictures, then the page): with a marked
// record, its date, results and comment; without one, the live results (77 as the "?" cell, others
// at 1 decimal).
std::vector<std::string> PrintMeasurementLines(const TJournalRow* record, float cloudPoint,
                                               float pourPoint, float filterPoint,
                                               const TReportTexts& texts = RussianReportTexts());
// The journal report: the head row and one row per record row, blank ones too.
std::vector<std::string> PrintJournalLines(const std::vector<TJournalRow>& rows,
                                           const TReportTexts& texts = RussianReportTexts());

// The page's bytes: every line followed by CR LF, in Windows-1251.
std::string ReportFileBytes(const std::vector<std::string>& lines);
// Replaces the file with the page (rt::EFCreateError when it cannot be written).
void SaveReportFile(const std::string& path, const std::vector<std::string>& lines);

} // namespace core
