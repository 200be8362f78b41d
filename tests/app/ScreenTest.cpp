// The main window as the operator's screen shows it: the journal's first rows at start, its
// cut texts, the message line, the service tabs and the charts on small screens, and the
// main menu from the keyboard.
#include "JournalSupport.h"
#include "ScreenSupport.h"

#include <string>
#include <vector>

#include <QHeaderView>
#include <QTableView>

#include "app/core/Journal.h"

namespace {

using namespace apptest;

class Screen : public JournalFixture {
protected:
    // A journal of n records; only the last one has a comment.
    void WriteJournal(int n) {
        std::vector<core::TJournalRow> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({std::to_string(i), "01.02.2014  10:00:00", "-5", "-25", "-15",
                            i == n ? "Последняя запись" : " "});
        WriteBytes(JournalFile(), core::SerializeJournal(rows));
    }
};

// The rows of the grid's viewport, from the top, whose comment cell is painted with text.
std::vector<int> RowsWithAComment(ui::TStringGrid* g) {
    QTableView* view = g->View();
    const QImage img = PaintedOf(view->viewport());
    const int x = view->horizontalHeader()->sectionViewportPosition(5);
    const int w = view->horizontalHeader()->sectionSize(5);
    const int h = view->verticalHeader()->defaultSectionSize();
    std::vector<int> rows;
    for (int band = 0; band * h < img.height(); ++band)
        if (!InkBox(img, QRect(x + 3, band * h + 3, w - 6, h - 6)).isNull())
            rows.push_back(band);
    return rows;
}

// Once the window is shown and laid out, the newest record is the journal's top row.
TEST_F(Screen, TheNewestRecordIsTheTopRowShownAtStart) {
    for (int records : {40, 11, 15, 3}) {
        SCOPED_TRACE(records);
        WriteJournal(records);
        TForm1* f = CreateWindow();
        ShowAt(f, k1024x768);
        EXPECT_EQ(RowsWithAComment(f->StringGrid1), std::vector<int>{0});
        DestroyWindow();
    }
}

} // namespace
