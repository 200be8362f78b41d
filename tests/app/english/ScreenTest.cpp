// The English window as the operator's screen shows it: the journal's first row and heads at
// start, the message line, the tabs and the charts on small screens, the menu from the
// keyboard.
#include "EnglishFixture.h"
#include "tests/app/JournalSupport.h"
#include "tests/app/ScreenSupport.h"

#include <filesystem>
#include <string>
#include <vector>

#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>

#include "app/core/Journal.h"

namespace {

using namespace apptest;

class EnglishScreen : public entest::EnglishFixture {
protected:
    std::filesystem::path JournalFile() const { return Dir() / "data2.tab"; }
};

// Once shown, the newest record is the top row; every head and cell of it is shown whole, and
// the columns whose texts fit keep their designed widths.
TEST_F(EnglishScreen, TheJournalShowsTheNewestRecordWholeOnTop) {
    std::vector<core::TJournalRow> rows;
    for (int i = 1; i <= 12; ++i)
        rows.push_back({std::to_string(i), "12/11/26  5:25:42 PM", "-12.3", "-25.5", "-15.1",
                        i == 12 ? "Last one" : " "});
    WriteBytes(JournalFile(), core::SerializeJournal(rows));
    TForm1* f = CreateEnglishWindow();
    ShowAt(f, k1024x768);
    ui::TStringGrid* g = f->StringGrid1;
    g->SelectCell(5, 12); // the current cell is drawn highlighted
    ui::Application->ProcessMessages();
    QTableView* view = g->View();
    QHeaderView* head = view->horizontalHeader();
    EXPECT_EQ(view->rowAt(0), 11);
    const QImage heads = PaintedOf(head);
    const QImage cells = PaintedOf(view->viewport());
    for (int c = 0; c < 6; ++c) {
        const int x = head->sectionViewportPosition(c) + 1, w = head->sectionSize(c) - 2;
        const QRect headInk = InkBox(heads, QRect(x, 1, w, head->height() - 2));
        const QRect cellInk = InkBox(cells, QRect(x, 1, w, view->rowHeight(0) - 2));
        const int need =
            QFontMetrics(head->font()).horizontalAdvance(QString::fromStdString(g->Cells(c, 0)));
        EXPECT_GT(headInk.left(), x) << c;
        EXPECT_LT(headInk.right(), x + w - 1) << c;
        EXPECT_GE(headInk.width(), need - 4) << c;
        if (c == 5)
            continue; // the current cell, highlighted
        EXPECT_FALSE(cellInk.isNull()) << c;
        EXPECT_LT(cellInk.right(), x + w - 1) << c;
    }
    EXPECT_EQ(g->Cells(5, 12), "Last one");
    for (int c : {0, 2, 3, 4})
        EXPECT_EQ(g->ColWidths(c), 50) << c;
}

// The message line shows every state's text whole, the Russian ones of states 1, 2 and 4
// included.
TEST_F(EnglishScreen, TheMessageLineIsReadableOnSmallScreens) {
    TForm1* f = CreateEnglishWindow();
    Plug(RecordingAnalyzer());
    ASSERT_NE(f->FCurrentDevice, nullptr);
    ExpectTheMessageLineReadable(f, {1, 2, 3, 4, 0, 40});
}

// Every control of every tab can be brought into sight at 1024 x 768, and none covers another.
TEST_F(EnglishScreen, EveryControlOfEveryTabIsReachableAt1024x768) {
    ExpectEveryControlOfEveryTabReachable(CreateEnglishWindow(), k1024x768);
}

// The run charts keep readable axes at 800 x 560.
TEST_F(EnglishScreen, TheRunChartsAxesAreReadableAt800x560) {
    TForm1* f = CreateEnglishWindow();
    ExpectTheRunChartsReadableAt800x560(f);
    ShowAt(f, k1024x768);
    EXPECT_EQ(f->StringGrid1->Height(), 133) << "the English design's height";
}

// F10 and Alt+F open "File"; Up and Enter choose "Exit".
TEST_F(EnglishScreen, TheFileMenuOpensFromTheKeyboard) {
    for (bool f10 : {true, false}) {
        SCOPED_TRACE(f10 ? "F10" : "Alt+F");
        TForm1* f = CreateEnglishWindow();
        ShowAt(f, k1024x768);
        f->Widget()->activateWindow();
        f->BitBtn2->SetFocus();
        ui::Application->ProcessMessages();
        if (f10) {
            TypeKey(f, Qt::Key_F10);
        } else {
            Key(f, true, Qt::Key_Alt, Qt::AltModifier);
            TypeKey(f, Qt::Key_F, Qt::AltModifier, "f");
            Key(f, false, Qt::Key_Alt);
        }
        QMenu* file = f->N1->Action()->menu();
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(QApplication::activePopupWidget(), file);
        EXPECT_EQ(f->N1->Caption(), "File");
        TypeKey(f, Qt::Key_Up);
        TypeKey(f, Qt::Key_Return, Qt::NoModifier, "\r");
        EXPECT_FALSE(f->Visible());
        DestroyWindow();
    }
}

} // namespace
