// The English window as the operator's screen shows it: the journal's first row and heads at
// start, the message line, the tabs and the charts on small screens, the menu from the
// keyboard.
#include "EnglishFixture.h"
#include "tests/app/JournalSupport.h"
#include "tests/app/ScreenSupport.h"

#include <filesystem>
#include <string>
#include <vector>

#include <QChart>
#include <QChartView>
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
    f->Timer2->SetEnabled(true);
    for (const TScreenSize& size : {k1024x768, k800x560}) {
        ShowAt(f, size);
        for (std::uint8_t state : {1, 2, 3, 4, 0, 40}) {
            SCOPED_TRACE(std::string(size.name) + ", state " + std::to_string(state));
            f->FState = state;
            f->FTemperature = 5;
            f->FRecordPending = false;
            ASSERT_TRUE(f->Timer2->Tick());
            const QImage img = PaintedOf(f->Label4->Widget());
            const QRect ink = InkBox(img);
            ASSERT_FALSE(ink.isNull());
            EXPECT_GT(ink.left(), 0);
            EXPECT_LT(ink.right(), img.width() - 1);
            EXPECT_GT(ink.top(), 0);
            EXPECT_LT(ink.bottom(), img.height() - 1);
            EXPECT_GE(ink.height(), 9);
        }
    }
}

// Every control of every tab can be brought into sight at 1024 x 768, and none covers another.
TEST_F(EnglishScreen, EveryControlOfEveryTabIsReachableAt1024x768) {
    TForm1* f = CreateEnglishWindow();
    for (ui::TTabSheet* s : {f->TabSheet4, f->TabSheet5, f->TabSheet6})
        s->SetTabVisible(true);
    ShowAt(f, k1024x768);
    for (ui::TTabSheet* page :
         {f->TabSheet1, f->TabSheet2, f->TabSheet3, f->TabSheet4, f->TabSheet5, f->TabSheet6}) {
        SCOPED_TRACE(page->Caption());
        f->PageControl1->SetActivePage(page);
        ui::Application->ProcessMessages();
        const std::vector<ui::TControl*> controls = ControlsOn(f, page);
        for (ui::TControl* c : controls)
            EXPECT_EQ(Unreachable(c, page->Widget()), "") << c->Name();
        for (ui::TControl* a : controls)
            for (ui::TControl* b : controls) {
                if (a >= b || a->Parent() != b->Parent())
                    continue;
                EXPECT_FALSE(a->Widget()->geometry().intersects(b->Widget()->geometry()))
                    << a->Name() << " and " << b->Name();
            }
    }
}

// The run charts keep readable axes at 800 x 560.
TEST_F(EnglishScreen, TheRunChartsAxesAreReadableAt800x560) {
    TForm1* f = CreateEnglishWindow();
    ShowAt(f, k800x560);
    for (ui::TChart* chart : {f->Chart1, f->Chart2, f->Chart3}) {
        f->PageControl1->SetActivePage(dynamic_cast<ui::TTabSheet*>(chart->Parent()));
        ui::Application->ProcessMessages();
        QChartView* view = chart->View();
        const QRect plot =
            view->mapFromScene(chart->Chart()->mapToScene(chart->Chart()->plotArea()))
                .boundingRect();
        const QImage img = PaintedOf(view);
        EXPECT_GE(plot.height(), 90) << chart->Name();
        EXPECT_GE(
            InkBox(img, QRect(plot.left() - 34, plot.top() - 6, 31, plot.height() + 12)).width(),
            18)
            << chart->Name();
    }
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
