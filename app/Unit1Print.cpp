// The two printed reports: the page is written as tmp1.html in the program's directory and
// loaded into Web; its completed load opens the print preview.
#include <string>
#include <vector>

#include "app/ProgramDir.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "app/core/Journal.h"
#include "app/core/ReportPage.h"

namespace {

core::TJournalRow GridRow(const ui::TStringGrid* grid, int row) {
    core::TJournalRow cells;
    for (std::size_t c = 0; c < core::kJournalColumns; ++c)
        cells[c] = grid->Cells(static_cast<int>(c), row);
    return cells;
}

std::vector<core::TJournalRow> RecordRows(const ui::TStringGrid* grid) {
    std::vector<core::TJournalRow> rows;
    for (int r = 1; r < grid->RowCount(); ++r)
        rows.push_back(GridRow(grid, r));
    return rows;
}

// Saves the page and loads it into the browser.
void SaveAndNavigate(ui::TWebBrowser* web, const std::vector<std::string>& lines) {
    const std::string page = app::ProgramDir() + core::kReportFileName;
    core::SaveReportFile(page, lines);
    web->Navigate(page);
}

} // namespace

void TForm1::PrintMeasurement() {
    const int marked = MarkedJournalRow();
    core::TJournalRow record;
    if (marked > 0)
        record = GridRow(StringGrid1, marked);
    const std::vector<std::string> lines =
        core::PrintMeasurementLines(marked > 0 ? &record : nullptr, FCloudPoint, FPourPoint,
                                    FFilterPoint, *app::Texts().Reports);

    // The pictures go first: one that fails leaves the previous page as it was.
    const std::string dir = app::ProgramDir();
    ui::TChart* const charts[] = {Chart1, Chart2, Chart3};
    for (int i = 0; i < 3; ++i)
        charts[i]->SaveToBitmapFile(dir + core::kChartPictureNames[i]);

    SaveAndNavigate(Web, lines);
}

void TForm1::PrintJournal(ui::TStringGrid* Grid) {
    SaveAndNavigate(Web, core::PrintJournalLines(RecordRows(Grid), *app::Texts().Reports));
}

void TForm1::N3Click(ui::TObject*) { PrintMeasurement(); }

void TForm1::ToolButton2Click(ui::TObject*) { PrintJournal(StringGrid1); }

// Whichever control finished loading, the preview is Web's.
void TForm1::WebNavigateComplete2(ui::TObject*, const std::string&) {
    Web->ExecWB(ui::OLECMDID_PRINTPREVIEW, ui::OLECMDEXECOPT_PROMPTUSER);
}
