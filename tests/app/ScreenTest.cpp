// The main window as the operator's screen shows it: the journal's first rows at start, its
// cut texts, the message line, the service tabs and the charts on small screens, and the
// main menu from the keyboard.
#include "JournalSupport.h"
#include "ScreenSupport.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>

#include "app/Texts.h"
#include "app/Unit1Journal.h"
#include "app/core/Journal.h"
#include "ui/DateTime.h"

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

// The header and the record cell (the top row shown) of a journal column as painted, with
// the rectangle of the column's text in each.
struct TPaintedColumn {
    QImage header;
    QRect headerText;
    QImage cells;
    QRect cellText;
};

TPaintedColumn PaintedColumn(ui::TStringGrid* g, int col) {
    QTableView* view = g->View();
    QHeaderView* head = view->horizontalHeader();
    const int x = head->sectionViewportPosition(col);
    const int w = head->sectionSize(col);
    const int h = view->verticalHeader()->defaultSectionSize();
    // Inside the lines between the columns.
    return {PaintedOf(head), QRect(x + 1, 1, w - 2, head->height() - 2),
            PaintedOf(view->viewport()), QRect(x + 1, 1, w - 2, h - 2)};
}

// Whether the text is painted whole in the area: dark pixels as wide as the text, clear of the
// area's sides (a cut text runs into them).
testing::AssertionResult ShownWhole(const QImage& img, const QRect& area, const QFont& font,
                                    const std::string& text) {
    const QRect ink = InkBox(img, area);
    const int wide = QFontMetrics(font).horizontalAdvance(QString::fromStdString(text));
    if (ink.isNull())
        return testing::AssertionFailure() << "\"" << text << "\" is not painted";
    if (ink.left() <= area.left() || ink.right() >= area.right() || ink.width() < wide - 4)
        return testing::AssertionFailure()
               << "\"" << text << "\" is cut: painted " << ink.left() - area.left() << " to "
               << ink.right() - area.left() << " of " << area.width() << ", the text needs "
               << wide;
    return testing::AssertionSuccess();
}

// Every column head shows its whole text, from its first letter.
TEST_F(Screen, JournalHeadsAreShownWhole) {
    TForm1* f = CreateWindow();
    ShowAt(f, k1024x768);
    ui::TStringGrid* g = f->StringGrid1;
    const QFont font = g->View()->horizontalHeader()->font();
    for (int c = 0; c < 6; ++c) {
        const TPaintedColumn p = PaintedColumn(g, c);
        EXPECT_TRUE(ShownWhole(p.header, p.headerText, font, g->Cells(c, 0))) << c;
    }
}

// The date cell shows its whole text in every locale's date and time; a column whose texts
// fit keeps its designed width.
TEST_F(Screen, JournalDatesAreShownWholeInEveryLocale) {
    const QDateTime when(QDate(2026, 12, 11), QTime(17, 25, 42));
    const QLocale locales[] = {QLocale(QLocale::Russian, QLocale::Russia), QLocale::c(),
                               QLocale(QLocale::English, QLocale::UnitedStates)};
    for (const QLocale& locale : locales) {
        const std::string date = app::JournalDateTimeText(ui::DateTimeTexts(when, locale));
        SCOPED_TRACE(date);
        WriteBytes(JournalFile(),
                   core::SerializeJournal({{"1", date, "-12.3", "-25.5", "-15.1", " "}}));
        TForm1* f = CreateWindow();
        ShowAt(f, k1024x768);
        ui::TStringGrid* g = f->StringGrid1;
        g->SelectCell(5, 1); // the current cell is drawn highlighted
        ui::Application->ProcessMessages();
        const QFont font = g->View()->font();
        for (int c = 0; c < 5; ++c) {
            const TPaintedColumn p = PaintedColumn(g, c);
            EXPECT_TRUE(ShownWhole(p.cells, p.cellText, font, g->Cells(c, 1))) << c;
        }
        EXPECT_EQ(g->ColWidths(0), 50);
        EXPECT_EQ(g->ColWidths(4), 50);
        // The comment column takes the rest, as a resize gives it.
        int rest = g->Width() - 50;
        for (int c = 0; c < 5; ++c)
            rest -= g->ColWidths(c);
        EXPECT_EQ(g->ColWidths(5), rest);
        DestroyWindow();
    }
}

// A record appended to a journal that had none shows its date whole (in this process's
// locale).
TEST_F(Screen, AnAppendedRecordsDateIsShownWhole) {
    Start();
    ShowAt(form_, k1024x768);
    Append(-8.5f);
    ui::Application->ProcessMessages();
    ui::TStringGrid* g = form_->StringGrid1;
    const TPaintedColumn p = PaintedColumn(g, 1);
    EXPECT_TRUE(ShownWhole(p.cells, p.cellText, g->View()->font(), g->Cells(1, 1)));
}

// The operator widens a column by dragging the line after its head; the comment column takes
// the difference at the next resize.
TEST_F(Screen, AJournalColumnIsWidenedByDraggingItsHead) {
    TForm1* f = CreateWindow();
    ShowAt(f, k1024x768);
    ui::TStringGrid* g = f->StringGrid1;
    QHeaderView* head = g->View()->horizontalHeader();
    const int before = g->ColWidths(4);
    const int edge = head->sectionViewportPosition(4) + head->sectionSize(4) - 1;
    const int y = head->height() / 2;
    QWidget* target = head->viewport();
    auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(x, y), target->mapToGlobal(QPointF(x, y)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    };
    send(QEvent::MouseButtonPress, edge, Qt::LeftButton);
    send(QEvent::MouseMove, edge + 20, Qt::LeftButton);
    send(QEvent::MouseMove, edge + 40, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, edge + 40, Qt::NoButton);
    EXPECT_EQ(g->ColWidths(4), before + 40);
    ShowAt(f, {"wider", 1100, 749});
    int rest = g->Width() - 50;
    for (int c = 0; c < 5; ++c)
        rest -= g->ColWidths(c);
    EXPECT_EQ(g->ColWidths(5), rest);
}

// The main menu from the keyboard: F10, Alt and then Down, or Alt with the menu's letter open
// "Файл"; in it the arrows and Enter choose "Выход". The caption reads as designed.
TEST_F(Screen, TheFileMenuOpensFromTheKeyboard) {
    struct Case {
        const char* keys;
        std::function<void(TForm1*)> type;
    };
    const Case cases[] = {
        {"F10", [](TForm1* f) { TypeKey(f, Qt::Key_F10); }},
        {"Alt, Down",
         [](TForm1* f) {
             Key(f, true, Qt::Key_Alt, Qt::AltModifier);
             Key(f, false, Qt::Key_Alt, Qt::NoModifier);
             TypeKey(f, Qt::Key_Down);
         }},
        {"Alt+Ф",
         [](TForm1* f) {
             Key(f, true, Qt::Key_Alt, Qt::AltModifier);
             TypeKey(f, 0x0424, Qt::AltModifier, QString::fromUtf8("ф"));
             Key(f, false, Qt::Key_Alt, Qt::NoModifier);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        TForm1* f = CreateWindow();
        ShowAt(f, k1024x768);
        f->Widget()->activateWindow();
        f->BitBtn2->SetFocus();
        ui::Application->ProcessMessages();
        c.type(f);
        QMenu* file = f->N1->Action()->menu();
        ASSERT_NE(file, nullptr);
        EXPECT_TRUE(file->isVisible());
        EXPECT_EQ(QApplication::activePopupWidget(), file);
        EXPECT_EQ(f->N1->Caption(), "Файл");
        EXPECT_EQ(f->MainMenu1->MenuBar()->actions().value(0)->iconText().toStdString(), "Файл");
        // Up from the first item goes round to "Выход", and Enter chooses it.
        TypeKey(f, Qt::Key_Up);
        TypeKey(f, Qt::Key_Return, Qt::NoModifier, "\r");
        EXPECT_FALSE(f->Visible()) << "the window is closed";
        EXPECT_TRUE(std::filesystem::exists(JournalFile()));
        DestroyWindow();
    }
}

// The message line shows every state's text whole on a small screen: smaller letters, or two
// lines.
TEST_F(Screen, TheMessageLineIsReadableOnSmallScreens) {
    TForm1* f = CreateWindow();
    Plug(RecordingAnalyzer());
    ASSERT_NE(f->FCurrentDevice, nullptr);
    ExpectTheMessageLineReadable(f, {1, 2, 3, 4, 0, 30, 40});
}

// Where the window is large enough the message line keeps its designed letters.
TEST_F(Screen, TheMessageLineKeepsItsLettersInALargeWindow) {
    TForm1* f = CreateWindow();
    ShowAt(f, {"1536 x 823", 1536, 823});
    f->Label4->SetCaption(app::RussianTexts.State3);
    ui::Application->ProcessMessages();
    const QRect wide = InkBox(PaintedOf(f->Label4->Widget()));
    ShowAt(f, k1024x768);
    const QRect small = InkBox(PaintedOf(f->Label4->Widget()));
    EXPECT_TRUE(ReadableIn(f->Label4));
    // Bold 19-pixel letters: capitals and descenders span about 17 pixels.
    EXPECT_GE(wide.height(), 16);
    EXPECT_GT(wide.height(), small.height());
}

// On a 1024 x 768 screen every control of every tab can be brought into sight (a page that
// does not fit scrolls) and none covers another.
TEST_F(Screen, EveryControlOfEveryTabIsReachableAt1024x768) {
    ExpectEveryControlOfEveryTabReachable(CreateWindow(), k1024x768);
}

// On an 800 x 560 screen the run charts keep axes whose numbers can be read (the axes do
// not collapse to ellipses).
TEST_F(Screen, TheRunChartsAxesAreReadableAt800x560) {
    TForm1* f = CreateWindow();
    ExpectTheRunChartsReadableAt800x560(f);
    // The journal gave them the room; on a larger screen it has its designed height again,
    // right above its tool bar.
    EXPECT_LT(f->StringGrid1->Height(), 219);
    ShowAt(f, k1024x768);
    EXPECT_EQ(f->StringGrid1->Height(), 219);
    EXPECT_EQ(f->ToolBar1->Top(), f->StringGrid1->Top() + f->StringGrid1->Height());
}

// The two service charts share their page on a 1024 x 768 screen, each with readable axes;
// the first keeps its designed height where the page is large enough.
TEST_F(Screen, TheServiceChartsAxesAreReadableAt1024x768) {
    TForm1* f = CreateWindow();
    f->TabSheet5->SetTabVisible(true);
    ShowAt(f, k1024x768);
    f->PageControl1->SetActivePage(f->TabSheet5);
    ui::Application->ProcessMessages();
    EXPECT_TRUE(AxesReadable(f->Chart4, 60));
    EXPECT_TRUE(AxesReadable(f->Chart5, 60));
    ShowAt(f, {"1536 x 1000", 1536, 1000});
    EXPECT_EQ(f->Chart4->Height(), 195);
}

// On "Коррекции" the hex log shows its newest line, an EEPROM reply longer than the memo is
// wide, from its first character: what is painted is the memo scrolled to its left edge.
TEST_F(Screen, TheHexLogShowsAnEepromReplyFromItsFirstCharacter) {
    TForm1* f = CreateWindow();
    f->TabSheet4->SetTabVisible(true);
    ShowAt(f, k1024x768);
    f->PageControl1->SetActivePage(f->TabSheet4);
    std::vector<std::uint8_t> reply(64, 0xAB);
    reply[0] = 0x82;
    reply[1] = 0;
    reply[2] = 14;
    reply[4] = 10;
    for (int i = 0; i < 3; ++i)
        Parse(reply);
    ui::Application->ProcessMessages();
    QPlainTextEdit* edit = f->Memo1->TextEdit();
    const QImage shown = PaintedOf(edit->viewport());
    edit->horizontalScrollBar()->setValue(0);
    EXPECT_EQ(PaintedOf(edit->viewport()), shown) << "the lines are shown from their middle";
}

} // namespace
