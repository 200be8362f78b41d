// The journal on the main window: record rows, numbering, deletes, data2.tab, the record
// curve files, the graph boxes and the grid's events.
#include "JournalSupport.h"

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QLocale>

#include "ui/DateTime.h"
#include <QTime>
#include <QImage>
#include <QPainter>
#include <QApplication>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QWidget>

#include <csignal>
#include <functional>
#include <sys/resource.h>

#include "app/LSgraf.h"
#include "app/SessionEnd.h"
#include "runtime/CodePage.h"
#include "tests/platform/FolderNames.h"
#include "tests/platform/HangGuard.h"
#include "tests/platform/PermissionsBind.h"

#include <sys/stat.h>

using namespace apptest;
using platform_test::NamesIn;

namespace {

class Journal : public JournalFixture {};

TEST_F(Journal, FirstRecordReusesRowOneWithNumberOneAndItsCurveFiles) {
    Start();
    FillCharts(1);
    const auto chart1 = SeriesOf(form_->Chart1);
    const auto chart2 = SeriesOf(form_->Chart2);
    const auto chart3 = SeriesOf(form_->Chart3);

    Append(-5.25f, -20.04f, -15.0f);

    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 1), "1");
    EXPECT_NE(Cell(1, 1).find("  "), std::string::npos); // date, two blanks, time
    EXPECT_EQ(Cell(2, 1), "-5.2");                       // ties to the even digit
    EXPECT_EQ(Cell(3, 1), "-20");
    EXPECT_EQ(Cell(4, 1), "-15");
    EXPECT_EQ(Cell(5, 1), " ");
    EXPECT_EQ(Cell(0, 0), form_->StringGrid1->Cells(0, 0)); // header untouched

    EXPECT_EQ(ReadBytes(Gr("gr1.txt")), core::EncodeCurveFile(" ", chart2));
    EXPECT_EQ(ReadBytes(Gr("gr1_.txt")), core::EncodeCurveFile(" ", chart3));
    EXPECT_EQ(ReadBytes(Gr("gr1__.txt")), core::EncodeCurveFile(" ", chart1));
    EXPECT_EQ(Ref(1, 1), Prog() + "gr/gr1_.txt");
    EXPECT_EQ(Ref(2, 1), Prog() + "gr/gr1__.txt");
    EXPECT_EQ(Ref(3, 1), Prog() + "gr/gr1.txt");
    ASSERT_NE(Box(1), nullptr);
    EXPECT_FALSE(Box(1)->Checked());
    EXPECT_FALSE(Box(1)->Visible());
    EXPECT_EQ(Box(1)->Caption(), "ГРАФИК");

    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][1], Cell(1, 1));
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST(JournalDate, ShortDateTwoBlanksLongTimeWithoutTheZone) {
    const QDateTime when(QDate(2026, 2, 3), QTime(7, 5, 9));
    EXPECT_EQ(app::JournalDateTimeText(
                  ui::DateTimeTexts(when, QLocale(QLocale::Russian, QLocale::Russia))),
              "03.02.2026  07:05:09");
    EXPECT_EQ(app::JournalDateTimeText(
                  ui::DateTimeTexts(when, QLocale(QLocale::German, QLocale::Germany))),
              "03.02.26  07:05:09");
    EXPECT_EQ(app::JournalDateTimeText(
                  ui::DateTimeTexts(when, QLocale(QLocale::English, QLocale::UnitedStates))),
              "2/3/26  7:05:09 AM");
}

TEST_F(Journal, NumbersAfterDeletingTheLastOrAMiddleRecord) {
    struct Case {
        int deleted;
        std::vector<std::string> numbers;
    };
    for (const Case& c : {Case{3, {"1", "2", "3"}}, Case{2, {"1", "3", "4"}}}) {
        SCOPED_TRACE(c.deleted);
        Start();
        for (int i = 1; i <= 3; ++i) {
            FillCharts(i);
            Append(-float(i));
        }
        PressDelete(c.deleted);
        EXPECT_EQ(Rows(), 3);
        // The deletion reaches data2.tab at once; the curve files stay.
        EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).size(), 2u);
        EXPECT_TRUE(std::filesystem::exists(Gr("gr" + std::to_string(c.deleted) + ".txt")));

        FillCharts(9);
        const auto chart2 = SeriesOf(form_->Chart2);
        Append(-9);
        EXPECT_EQ(Numbers(), c.numbers);
        // The new record's curve files replace any of the same number.
        EXPECT_EQ(ReadBytes(Gr("gr" + c.numbers.back() + ".txt")),
                  core::EncodeCurveFile(" ", chart2));
        EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).size(), 3u);
        EXPECT_EQ(form_->StringGrid1->TopRow(), 3);
        DestroyWindow();
    }
}

TEST_F(Journal, DeletingTheOnlyRecordBlanksItsRowForTheNextRecord) {
    Start();
    FillCharts(1);
    Append(-1);
    app::TGraphBox* box = Box(1);
    const std::string ref = Ref(3, 1);

    PressDelete(1);
    ASSERT_EQ(Rows(), 2);
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(Cell(c, 1), "") << c;
    EXPECT_EQ(Box(1), box); // attachments stay
    EXPECT_EQ(Ref(3, 1), ref);

    Append(-2);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 1), "1");
    EXPECT_EQ(Cell(2, 1), "-2");
}

TEST_F(Journal, DeletingTheMarkedRowKeepsItsCurvesAndMovesTheRowsBelowUp) {
    Start();
    for (int i = 1; i <= 3; ++i) {
        FillCharts(i);
        Append(-float(i));
    }
    FillCharts(2);
    const auto shown2 = NonEmptySeriesOf(form_->Chart2);
    PressShowHide(2);
    ASSERT_EQ(form_->MarkedJournalRow(), 2);
    app::TGraphBox* box3 = Box(3);
    const std::string ref3 = Ref(1, 3);

    PressDelete(2);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(form_->MarkedJournalRow(), 0);
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart2), shown2);
    EXPECT_EQ(Box(2), box3);
    EXPECT_EQ(Ref(1, 2), ref3);
    EXPECT_EQ(Ref(1, 2), Prog() + "gr/gr3_.txt");
}

TEST_F(Journal, ReadFormsIntoTheGrid) {
    const std::string record = "1\r\n01.02.2026  10:00:00\r\n-5\r\n-20\r\n-15\r\nПрисадка.\r\n\r\n";
    auto with = [](std::string s, const std::string& eol) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s.compare(i, 2, "\r\n") == 0) {
                out += eol;
                ++i;
            } else {
                out += s[i];
            }
        }
        return rt::Utf8ToCp1251(out);
    };
    struct Case {
        const char* name;
        std::string bytes;
        int rows; // grid rows after the load, header included
    };
    const Case cases[] = {
        {"CR LF", with(record + record, "\r\n"), 3},
        {"CR", with(record + record, "\r"), 3},
        {"LF", with(record + record, "\n"), 3},
        {"last record without its seventh line",
         with(record + record.substr(0, record.size() - 2), "\r\n"), 2},
        {"empty file", "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.bytes);
        ASSERT_EQ(Rows(), c.rows);
        if (c.rows > 2) {
            EXPECT_EQ(form_->StringGrid1->RowTexts(2),
                      (std::vector<std::string>{"1", "01.02.2026  10:00:00", "-5", "-20", "-15",
                                                "Присадка."}));
        }
        for (int r = 1; r < Rows(); ++r)
            EXPECT_NE(Box(r), nullptr);
        DestroyWindow();
    }
}

TEST_F(Journal, SevenEmptyLinesLoadAsOneRowOfBlanks) {
    Start(std::string("\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(form_->StringGrid1->RowTexts(1), std::vector<std::string>(6, " "));

    Append(-3);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, 2), "2");
}

TEST_F(Journal, LoadAttachesOnlyTheCurveFilesThatExist) {
    WriteBytes(Gr("gr2.txt"), core::EncodeCurveFile(" ", {}));
    WriteBytes(Gr("gr1_.txt"), core::EncodeCurveFile(" ", {}));
    Start(JournalOf(2));
    EXPECT_EQ(Ref(1, 1), Prog() + "gr/gr1_.txt");
    EXPECT_EQ(Ref(2, 1), "");
    EXPECT_EQ(Ref(3, 1), "");
    EXPECT_EQ(Ref(1, 2), "");
    EXPECT_EQ(Ref(3, 2), Prog() + "gr/gr2.txt");
}

TEST_F(Journal, NotDeterminedResults) {
    Start(JournalOf(1));
    const std::string before = ReadBytes(JournalFile());
    Append(77);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(ReadBytes(JournalFile()), before);
    EXPECT_FALSE(std::filesystem::exists(Gr("gr2.txt")));

    Append(-4, 77, 77);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 2), "-4");
    EXPECT_EQ(Cell(3, 2), "?");
    EXPECT_EQ(Cell(4, 2), "?");
}

TEST_F(Journal, CommentOfTheAdditiveAndTheBlankComment) {
    Start();
    Append(-1, -20, -15, 1);
    Append(-2, -20, -15, 0);
    EXPECT_EQ(Cell(5, 1), "Присадка.");
    EXPECT_EQ(Cell(5, 2), " ");
    const std::string bytes = ReadBytes(JournalFile());
    EXPECT_NE(bytes.find("\r\n" + rt::Utf8ToCp1251("Присадка.") + "\r\n\r\n2\r\n"),
              std::string::npos);
    EXPECT_EQ(bytes.substr(bytes.size() - 7), "\r\n \r\n\r\n");
}

TEST_F(Journal, ShowHideTwiceThenAnotherRow) {
    Start();
    FillCharts(1);
    const auto rec1 = NonEmptySeriesOf(form_->Chart1);
    const auto rec1c2 = NonEmptySeriesOf(form_->Chart2);
    const auto rec1c3 = NonEmptySeriesOf(form_->Chart3);
    Append(-1);
    FillCharts(2);
    const auto rec2c2 = NonEmptySeriesOf(form_->Chart2);
    Append(-2);

    PressShowHide(1);
    EXPECT_EQ(form_->MarkedJournalRow(), 1);
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart1), rec1);
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart2), rec1c2);
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart3), rec1c3);
    // Loaded after the designed series, which stay first and empty.
    EXPECT_EQ(form_->Chart2->Series(0), form_->Series2);
    EXPECT_EQ(form_->Series2->Count(), 0);
    const ui::TLineSeries* loaded = form_->Chart2->Series(2);
    EXPECT_EQ(loaded->LinePenColor(), ui::clRed);
    EXPECT_EQ(loaded->SeriesColor(), 0u);
    EXPECT_EQ(loaded->LinePenWidth(), 2);

    PressShowHide(1);
    EXPECT_EQ(form_->MarkedJournalRow(), 0);
    EXPECT_EQ(PointsOn(form_->Chart1) + PointsOn(form_->Chart2) + PointsOn(form_->Chart3), 0);

    PressShowHide(1);
    PressShowHide(2);
    EXPECT_EQ(form_->MarkedJournalRow(), 2);
    EXPECT_FALSE(Box(1)->Checked());
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart2), rec2c2);
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(Journal, ShowHideGoesOnPastAFileThatCannotBeRead) {
    Start();
    FillCharts(1);
    const auto rec1 = NonEmptySeriesOf(form_->Chart1);
    Append(-1);
    std::filesystem::remove(Gr("gr1_.txt")); // Chart3's, loaded first

    PressShowHide(1);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().caption, "Error");
    EXPECT_NE(Boxes().Last().text.find(Prog() + "gr/gr1_.txt"), std::string::npos);
    EXPECT_EQ(NonEmptySeriesOf(form_->Chart1), rec1);
    EXPECT_EQ(PointsOn(form_->Chart3), 0);
}

// A FIFO among the curve files is refused at once, on an append and on "Показать/Скрыть
// график", with the boxes of any file that cannot be written or read.
TEST_F(Journal, AFifoAmongTheCurveFilesShowsItsBoxWithoutWaiting) {
    Start();
    FillCharts(1);
    ASSERT_EQ(::mkfifo(Gr("gr1.txt").c_str(), 0644), 0); // Chart2's, written first
    {
        HangGuard guard(Gr("gr1.txt").string());
        Append(-1);
        EXPECT_FALSE(guard.Hung());
    }
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_NE(Boxes().Last().text.find("Cannot create file \"" + Prog() +
                                       "gr/gr1.txt\". Not a regular file"),
              std::string::npos)
        << Boxes().Last().text;
    EXPECT_TRUE(std::filesystem::is_fifo(Gr("gr1.txt")));
    EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).size(), 1u);

    std::filesystem::remove(Gr("gr1_.txt")); // Chart3's, read first
    ASSERT_EQ(::mkfifo(Gr("gr1_.txt").c_str(), 0644), 0);
    form_->AttachCurveFiles();
    Boxes().Clear();
    {
        HangGuard guard(Gr("gr1_.txt").string());
        HangGuard other(Gr("gr1.txt").string());
        PressShowHide(1);
        EXPECT_FALSE(guard.Hung());
        EXPECT_FALSE(other.Hung());
    }
    ASSERT_GE(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Requests()[0].caption, "Error");
    EXPECT_NE(Boxes().Requests()[0].text.find(Prog() + "gr/gr1_.txt"), std::string::npos);
    EXPECT_FALSE(PointsOn(form_->Chart1) == 0); // the regular file is still shown
}

// A data2.tab that is a symbolic link is followed when the journal is kept aside, as the save
// follows it: a link to nothing keeps nothing, a link to an unreadable file moves that file.
TEST_F(Journal, AJournalLinkIsFollowedWhenTheJournalIsKept) {
    struct Case {
        const char* name;
        bool targetExists;
    } const cases[] = {{"a link to nothing", false}, {"a link to an unreadable file", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(JournalFile());
        std::filesystem::remove_all(Dir() / "store");
        std::filesystem::create_directory(Dir() / "store");
        const std::filesystem::path target = Dir() / "store" / "data2.tab";
        std::filesystem::create_symlink("store/data2.tab", JournalFile());
        if (c.targetExists) {
            WriteBytes(target, JournalOf(2));
            std::filesystem::permissions(target, std::filesystem::perms::none);
        }
        {
            PermissionsBind bind;
            CreateWindow();
            ASSERT_EQ(Boxes().Count(), 1); // the journal could not be read
            Boxes().Clear();
            Append(-9);
        }
        EXPECT_TRUE(std::filesystem::is_symlink(JournalFile()));
        EXPECT_EQ(core::ParseJournal(ReadBytes(target)).size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(Dir() / "data2.tab.bak"));
        if (c.targetExists) {
            const std::string kept = Prog() + "store/data2.tab.bak";
            std::filesystem::permissions(kept, std::filesystem::perms::owner_read);
            EXPECT_EQ(ReadBytes(kept), JournalOf(2));
            ASSERT_EQ(Boxes().Count(), 1);
            EXPECT_NE(Boxes().Last().text.find(kept), std::string::npos);
        } else {
            EXPECT_EQ(Boxes().Count(), 0);
            EXPECT_FALSE(std::filesystem::exists(Dir() / "store" / "data2.tab.bak"));
        }
        DestroyWindow();
        Boxes().Clear();
    }
}

TEST_F(Journal, OnlyTheCommentColumnIsEditableAfterASelection) {
    Start(JournalOf(2));
    form_->StringGrid1->SetCells(5, 2, "мой комментарий");
    Select(5, 2);
    EXPECT_TRUE(form_->StringGrid1->CellEditable(5, 2));
    EXPECT_EQ(Panel(2), "мой комментарий");
    Select(2, 1);
    EXPECT_FALSE(form_->StringGrid1->CellEditable(2, 1));
    EXPECT_FALSE(form_->StringGrid1->CellEditable(5, 1));
    EXPECT_EQ(Panel(2), " ");
    EXPECT_TRUE(form_->StringGrid1->Options().Contains(ui::goDrawFocusSelected));
    Select(5, 1);
    EXPECT_TRUE(form_->StringGrid1->CellEditable(5, 1));
}

// Runs the cell's drawing event on a white picture; the colour at the middle of the cell.
QColor DrawnColour(TForm1* f, int col, int row, QImage* picture = nullptr) {
    QImage img(120, 24, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        f->StringGrid1->DrawCell(&p, col, row, ui::TRect{0, 0, 120, 24}, 0);
    }
    if (picture)
        *picture = img;
    return img.pixelColor(100, 20);
}

TEST_F(Journal, MarkedRowIsDrawnOnCCCCFF) {
    Start(JournalOf(2));
    const QColor marked(0xFF, 0xCC, 0xCC); // $CCCCFF is blue CC, green CC, red FF
    EXPECT_EQ(DrawnColour(form_, 2, 1), QColor(Qt::white));

    PressShowHide(1);
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(DrawnColour(form_, c, 1), marked) << c;
    EXPECT_EQ(DrawnColour(form_, 2, 2), QColor(Qt::white));
    EXPECT_EQ(DrawnColour(form_, 2, 0), QColor(Qt::white)); // header

    // The text is written in black from the top left corner.
    QImage img;
    DrawnColour(form_, 0, 1, &img);
    bool dark = false;
    for (int y = 0; y < 12 && !dark; ++y)
        for (int x = 0; x < 8 && !dark; ++x)
            dark = qGray(img.pixel(x, y)) < 100;
    EXPECT_TRUE(dark);

    PressShowHide(1);
    EXPECT_EQ(DrawnColour(form_, 2, 1), QColor(Qt::white));
}

// The grid's cells as the window last painted them (the screen's copy, not a fresh paint).
QImage GridOnScreen(TForm1* f) {
    ui::Application->ProcessMessages();
    QWidget* window = f->Widget()->window();
    return window->screen()->grabWindow(window->winId()).toImage();
}

// A grid cell's rectangle in its viewport.
QRect CellRect(ui::TStringGrid* g, int col, int row) {
    QTableView* view = g->View();
    return view->visualRect(view->model()->index(row - (g->FixedRows() > 0 ? 1 : 0),
                                                 col - (g->FixedCols() > 0 ? 1 : 0)));
}

QColor CellOnScreen(TForm1* f, const QImage& screen, int col, int row) {
    QTableView* view = f->StringGrid1->View();
    const QRect cell = CellRect(f->StringGrid1, col, row);
    const QPoint at = view->viewport()->mapTo(f->Widget()->window(), cell.center() + QPoint(0, 4));
    return screen.pixelColor(at);
}

TEST_F(Journal, TheMarkedRowOnScreenFollowsShowHide) {
    Start(JournalOf(2));
    form_->Show();
    const QColor marked(0xFF, 0xCC, 0xCC);
    ASSERT_NE(CellOnScreen(form_, GridOnScreen(form_), 4, 1), marked);

    PressShowHide(1);
    QImage screen = GridOnScreen(form_);
    EXPECT_EQ(CellOnScreen(form_, screen, 4, 1), marked);
    EXPECT_NE(CellOnScreen(form_, screen, 4, 2), marked);

    PressShowHide(2);
    screen = GridOnScreen(form_);
    EXPECT_NE(CellOnScreen(form_, screen, 4, 1), marked) << "the old mark is painted away";
    EXPECT_EQ(CellOnScreen(form_, screen, 4, 2), marked);

    PressShowHide(2);
    EXPECT_NE(CellOnScreen(form_, GridOnScreen(form_), 4, 2), marked);
}

TEST_F(Journal, AMarkedRowsTextStaysInsideItsCell) {
    Start(JournalOf(1));
    form_->Show();
    ui::TStringGrid* g = form_->StringGrid1;
    std::string longText;
    for (int i = 0; i < 40; ++i)
        longText += "Присадка. ";
    g->SetCells(5, 1, longText);
    PressShowHide(1);
    ui::Application->ProcessMessages();
    QTableView* view = g->View();
    const QRect cell = CellRect(g, 5, 1);
    const QImage img = view->viewport()->grab().toImage();
    int dark = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.right() + 3; x < std::min(img.width(), cell.right() + 80); ++x)
            dark += qGray(img.pixel(x, y)) < 128;
    EXPECT_EQ(dark, 0) << "text drawn past the cell's right edge";
}

// The window shown and active, the comment cell of row r current and the grid focused.
void FocusComment(TForm1* f, int r) {
    f->Show();
    f->Widget()->activateWindow();
    f->StringGrid1->SelectCell(5, r);
    f->StringGrid1->SetFocus();
    ui::Application->ProcessMessages();
}

// Keys as the user types them: each to the widget that has the focus then.
void TypeKeys(const QString& keys) {
    for (QChar k : keys) {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        const int code = k.isLetterOrNumber() ? int(k.toUpper().unicode()) : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(k));
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, QString(k));
        QCoreApplication::sendEvent(w, &release);
    }
}

void PressKey(int key, const QString& text) {
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &release);
}

void PressEscape() { PressKey(Qt::Key_Escape, QString(QChar(0x1B))); }

bool EditorOpen() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr; }

TEST_F(Journal, EscapeGivesTheCellBackItsTextFromBeforeTheEdit) {
    Start(JournalOf(2));
    form_->StringGrid1->SetCells(5, 2, "мой комментарий");
    FocusComment(form_, 2);
    TypeKeys("abc");
    ASSERT_TRUE(EditorOpen());
    EXPECT_EQ(Cell(5, 2), "abc") << "what is typed is in the cell at once";
    PressEscape();
    EXPECT_FALSE(EditorOpen());
    EXPECT_EQ(Cell(5, 2), "мой комментарий");

    // An edit that ends otherwise keeps what was typed.
    TypeKeys("xy");
    form_->StringGrid1->SelectCell(5, 1);
    ui::Application->ProcessMessages();
    EXPECT_EQ(Cell(5, 2), "xy");
    form_->SaveJournal();
    EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile()))[1][5], "xy");
}

TEST_F(Journal, ACommentTypedIntoTheRowANewRecordTakesBecomesItsComment) {
    struct Case {
        float additive;
        const char* comment;
    };
    for (const Case c : {Case{0, "AB"}, Case{1, "Присадка. AB"}}) {
        SCOPED_TRACE(c.comment);
        Start();
        FocusComment(form_, 1);
        TypeKeys("AB");
        ASSERT_TRUE(EditorOpen());
        Append(-5, -20, -15, c.additive);
        EXPECT_EQ(Cell(0, 1), "1");
        EXPECT_EQ(Cell(5, 1), c.comment);
        EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile()))[0][5], c.comment);
        // The editor opens again on the record's comment: typing goes on after it.
        TypeKeys("C");
        EXPECT_EQ(Cell(5, 1), std::string(c.comment) + "C");
        DestroyWindow();
    }
}

TEST_F(Journal, AnOpenEditorIsClosedBeforeARecordIsAppendedOrDeleted) {
    Start(JournalOf(3));
    FocusComment(form_, 3);
    TypeKeys("Z");
    Append(-5);
    EXPECT_EQ(Cell(5, 3), "Z") << "kept in its own record";
    EXPECT_EQ(Cell(5, 4), " ");
    TypeKeys("W"); // the editor is open again on the same cell
    EXPECT_EQ(Cell(5, 3), "ZW");
    EXPECT_EQ(Cell(5, 4), " ");

    FocusComment(form_, 2);
    TypeKeys("Y");
    ASSERT_TRUE(EditorOpen());
    form_->ToolButton1->Click(); // deletes record 2, the one being edited
    EXPECT_FALSE(EditorOpen());
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "3", "4"}));
    EXPECT_EQ(Cell(5, 2), "ZW") << "record 3 keeps its comment";
    EXPECT_EQ(Cell(5, 3), " ");
}

// What the operator typed is on the disk once the edit ends, not only at the next record or
// at the close: a display that goes, a power cut, would take it.
TEST_F(Journal, AnEditReachesTheJournalWhenItEnds) {
    struct Case {
        const char* name;
        std::function<void()> end;
        bool saved;
    } const cases[] = {
        {"Enter", [] { PressKey(Qt::Key_Return, "\r"); }, true},
        {"another cell", [this] { Select(5, 1); }, true},
        {"the focus gone", [this] { form_->Memo1->SetFocus(); }, true},
        {"Esc", [] { PressEscape(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(JournalOf(2));
        const std::string before = ReadBytes(JournalFile());
        FocusComment(form_, 2);
        TypeKeys("proba 7");
        ASSERT_TRUE(EditorOpen());
        EXPECT_EQ(ReadBytes(JournalFile()), before) << "typing alone writes nothing";
        c.end();
        Drain();
        EXPECT_FALSE(EditorOpen());
        EXPECT_EQ(Boxes().Count(), 0);
        const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][5], c.saved ? "proba 7" : " ");
        EXPECT_EQ(rows[0], core::ParseJournal(before)[0]);
        DestroyWindow();
    }
}

// A deletion is on the disk at once too; its curve files stay.
TEST_F(Journal, ADeletionReachesTheJournalAtOnce) {
    struct Case {
        int records;
        int deleted;
        std::vector<std::string> numbers;
    } const cases[] = {{3, 2, {"1", "3"}}, {3, 3, {"1", "2"}}, {1, 1, {" "}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deleted);
        Start(JournalOf(c.records));
        WriteBytes(Gr("gr" + std::to_string(c.deleted) + ".txt"), "curves");
        PressDelete(c.deleted);
        EXPECT_EQ(Boxes().Count(), 0);
        std::vector<std::string> numbers;
        for (const auto& row : core::ParseJournal(ReadBytes(JournalFile())))
            numbers.push_back(row[0]);
        EXPECT_EQ(numbers, c.numbers);
        EXPECT_EQ(ReadBytes(Gr("gr" + std::to_string(c.deleted) + ".txt")), "curves");
        DestroyWindow();
    }
}

TEST_F(Journal, MissingGrFolderShowsTheErrorBoxesAndTheRecordStillLands) {
    Start();
    std::filesystem::remove_all(Dir() / "gr");
    Append(-7);

    ASSERT_EQ(Boxes().Count(), 3);
    const char* order[] = {"gr1.txt", "gr1_.txt", "gr1__.txt"};
    for (int i = 0; i < 3; ++i) {
        const ui::ModalRequest& r = Boxes().Requests()[i];
        EXPECT_EQ(r.caption, "Error");
        EXPECT_EQ(r.icon, ui::ModalIcon::Error);
        EXPECT_EQ(r.buttons, std::vector<int>{ui::IDOK});
        EXPECT_NE(r.text.find(Prog() + "gr/" + order[i]), std::string::npos) << r.text;
    }
    EXPECT_EQ(Cell(0, 1), "1");
    EXPECT_EQ(Ref(1, 1) + Ref(2, 1) + Ref(3, 1), "");
    ASSERT_NE(Box(1), nullptr);
    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2], "-7");
    EXPECT_FALSE(std::filesystem::exists(Dir() / "gr"));
}

TEST_F(Journal, AppendEnteredAgainWhileItsErrorBoxIsOpenAddsNoRow) {
    Start(JournalOf(1));
    std::filesystem::remove_all(Dir() / "gr");
    int inner = 0;
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        ++inner;
        form_->AppendRecord(); // a tick of the same determination
    });
    Append(-7);
    EXPECT_EQ(inner, 3);
    EXPECT_EQ(Boxes().Count(), 3); // the inner calls showed nothing
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).size(), 2u);
}

// The process may write no file beyond limit bytes while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit l = old_;
        l.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

TEST_F(Journal, FailedWriteKeepsTheOldJournalWholeAndAppendsNoSecondRow) {
    const std::string old = JournalOf(3);
    Start(old);
    const auto files = NamesIn(Dir());
    {
        // The curve files (a few dozen bytes) fit, the journal does not.
        FileSizeLimit limit(60);
        EXPECT_THROW(Append(-8), rt::EFCreateError);
        EXPECT_EQ(Boxes().Count(), 0); // the curve files were written
        EXPECT_EQ(Rows(), 5);
        EXPECT_EQ(ReadBytes(JournalFile()), old);
        EXPECT_EQ(NamesIn(Dir()), files); // no temporary file left

        form_->AppendRecord(); // the next tick of the same determination
        EXPECT_EQ(Rows(), 5);
        EXPECT_THROW(form_->SaveJournal(), rt::EFCreateError);
        EXPECT_EQ(ReadBytes(JournalFile()), old);
    }
    form_->SaveJournal();
    EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).size(), 4u);
}

// The save of an edit or a deletion is the journal's save: the old file stays whole when it
// fails, and its error shows in the application's box; the change waits in the grid.
TEST_F(Journal, AnEditOrADeletionThatCannotBeSavedSaysSo) {
    ui::Application->SetTitle(kTitle);
    Start(JournalOf(3));
    const std::string old = ReadBytes(JournalFile());
    FocusComment(form_, 2);
    TypeKeys("x");
    {
        FileSizeLimit limit(60);
        PressKey(Qt::Key_Return, "\r");
        Drain();
        PressDelete(3);
        EXPECT_EQ(ReadBytes(JournalFile()), old);
    }
    ASSERT_EQ(Boxes().Count(), 2);
    for (const ui::ModalRequest& box : Boxes().Requests()) {
        EXPECT_EQ(box.caption, kTitle);
        EXPECT_EQ(box.icon, ui::ModalIcon::Error);
        EXPECT_EQ(box.text.rfind("Cannot create file \"" + Prog() + "data2.tab\".", 0), 0u)
            << box.text;
    }
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2"}));
    form_->SaveJournal();
    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][5], "x");
}

// A record reaches data2.tab whether or not an earlier box has been answered: the boxes of
// its curve files come once its line is written. Here each box is left open while the next
// determination ends.
TEST_F(Journal, ARecordReachesTheJournalWhileAnEarlierBoxIsOpen) {
    Start();
    std::filesystem::remove_all(Dir() / "gr");
    std::vector<std::size_t> onDisk; // records in data2.tab as each box opens
    int determinations = 1;
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        onDisk.push_back(core::ParseJournal(ReadBytes(JournalFile())).size());
        if (determinations < 3)
            Append(-float(++determinations));
    });
    Append(-1);
    EXPECT_EQ(onDisk, (std::vector<std::size_t>{1, 2, 3, 3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3"}));
}

// A record's curve files and its line are kept together or said together: the error of a
// journal that cannot be written names the records whose curve files are on the disk while
// their lines are not, until a save writes them.
TEST_F(Journal, AJournalThatCannotBeWrittenNamesTheCurvesWithoutALine) {
    Start(JournalOf(3));
    auto error = [&](const std::function<void()>& save) {
        try {
            save();
        } catch (const rt::EFCreateError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    const std::string cannot = "Cannot create file \"" + Prog() + "data2.tab\". File too large";
    auto without = [](const std::string& numbers) {
        return "\nФайлы графиков записей " + numbers +
               " записаны в папку gr, а сами записи есть только в окне программы: в журнал "
               "data2.tab они не записаны.";
    };
    {
        FileSizeLimit limit(60);
        EXPECT_EQ(error([&] { Append(-8); }), cannot + without("4"));
        EXPECT_EQ(error([&] { Append(-9); }), cannot + without("4, 5"));
        EXPECT_EQ(error([&] { form_->SaveJournal(); }), cannot + without("4, 5"));
        // A record deleted since is no longer one of them.
        PressDelete(4);
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text, cannot + without("5"));
    }
    EXPECT_TRUE(std::filesystem::exists(Gr("gr4.txt")));
    form_->SaveJournal();
    EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).size(), 4u);
    {
        FileSizeLimit limit(60);
        EXPECT_EQ(error([&] { form_->SaveJournal(); }), cannot);
    }
    DestroyWindow();

    // A journal that did not load whole and whose old bytes can be kept nowhere: a "No" to
    // writing it without them says the same.
    const std::string damaged = JournalOf(3) + "4\r\n";
    Start(damaged);
    Boxes().QueueButton(ui::IDNO);
    std::string message;
    {
        FileSizeLimit limit(60); // the curve files fit, the copy does not
        message = error([&] { Append(-8); });
    }
    EXPECT_EQ(Boxes().Requests().at(0).buttons, (std::vector<int>{ui::IDYES, ui::IDNO}));
    EXPECT_EQ(ReadBytes(JournalFile()), damaged);
    EXPECT_TRUE(std::filesystem::exists(Gr("gr4.txt")));
    EXPECT_NE(message.find(without("4")), std::string::npos) << message;
}

// The three curve files are the charts as they stood when the record was made, even when an
// error box of the first file lets a tick in a ready state clear the charts meanwhile.
TEST_F(Journal, CurveFilesHoldTheChartsAsTheRecordWasMade) {
    Start();
    FillCharts(3);
    const auto chart1 = SeriesOf(form_->Chart1);
    const auto chart3 = SeriesOf(form_->Chart3);
    std::filesystem::create_directory(Gr("gr1.txt")); // the first file cannot be made
    Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
        ClearChartSeries({form_->Chart1});
        ClearChartSeries({form_->Chart2});
        ClearChartSeries({form_->Chart3});
    });

    Append(-6);

    EXPECT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(ReadBytes(Gr("gr1_.txt")), core::EncodeCurveFile(" ", chart3));
    EXPECT_EQ(ReadBytes(Gr("gr1__.txt")), core::EncodeCurveFile(" ", chart1));
}

// A CR LF journal converted once more, as a text tool that adds a CR before every LF does.
std::string CrCrLf(std::string text) {
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, 1, '\r');
    return text;
}

// A data2.tab that exists but did not load whole keeps its old bytes beside it before it is
// first replaced, and the box says where; later saves replace it as usual.
TEST_F(Journal, AJournalThatDidNotLoadWholeIsKeptBesideIt) {
    const std::string record = JournalOf(1);
    struct Case {
        const char* name;
        std::string bytes;
        bool unreadable;
        bool closeFirst; // the first save is the close's, not an append's
    } const cases[] = {
        {"a zero byte", record + std::string("\0", 1) + JournalOf(2), false, false},
        {"a short last group", record + "2\r\nd\r\n", false, true},
        {"the last record without its empty line", JournalOf(2).substr(0, JournalOf(2).size() - 2),
         false, false},
        {"unreadable", JournalOf(2), true, true},
        // Out of step: a CR LF journal converted once more, and a seventh line holding text.
        {"CR CR LF line ends", CrCrLf(JournalOf(2)), false, true},
        {"a seventh line holding text",
         record.substr(0, record.size() - 2) + "x\r\n" + JournalOf(2).substr(record.size()), false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(JournalFile(), c.bytes);
        if (c.unreadable) {
            std::filesystem::permissions(JournalFile(), std::filesystem::perms::none);
            PermissionsBind bind;
            CreateWindow();
            std::filesystem::permissions(JournalFile(), std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::owner_write);
        } else {
            CreateWindow();
        }
        Boxes().Clear();
        // What changes in the grid while the box is open is saved too.
        Boxes().SetWhileOpen([&](const ui::ModalRequest&) {
            form_->StringGrid1->SetCells(5, 1, "набрано при окне");
        });
        if (c.closeFirst)
            form_->SaveJournal();
        else
            Append(-9);
        Boxes().SetWhileOpen(nullptr);
        EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).at(0)[5], "набрано при окне");

        const std::string kept = Prog() + "data2.tab.bak";
        EXPECT_EQ(ReadBytes(kept), c.bytes);
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Requests()[0].text,
                  "Журнал data2.tab был прочитан не полностью. "
                  "Его прежнее содержимое сохранено в файле " +
                      kept);
        EXPECT_NE(ReadBytes(JournalFile()), c.bytes);

        // Once kept, the journal is replaced without a second copy.
        Boxes().Clear();
        Append(-10);
        form_->SaveJournal();
        EXPECT_EQ(Boxes().Count(), 0);
        EXPECT_EQ(ReadBytes(kept), c.bytes);
        EXPECT_FALSE(std::filesystem::exists(Prog() + "data2.tab.bak1"));
        DestroyWindow();
        std::filesystem::remove(kept);
        // The next case's journal holds none of these records.
        for (const auto& e : std::filesystem::directory_iterator(Dir() / "gr"))
            std::filesystem::remove(e.path());
    }
}

TEST_F(Journal, AJournalThatLoadedWholeIsReplacedWithoutACopy) {
    for (std::string bytes : {std::string(), JournalOf(2)}) {
        Start(bytes);
        Append(-9);
        form_->SaveJournal();
        EXPECT_EQ(Boxes().Count(), 0);
        EXPECT_FALSE(std::filesystem::exists(Prog() + "data2.tab.bak"));
        DestroyWindow();
    }
}

// An older copy is never overwritten: the next one takes the next free name.
TEST_F(Journal, AnEarlierCopyIsKept) {
    WriteBytes(Dir() / "data2.tab.bak", "earlier");
    const std::string damaged = JournalOf(1) + "2\r\n";
    Start(damaged);
    Append(-9);
    EXPECT_EQ(ReadBytes(Dir() / "data2.tab.bak"), "earlier");
    EXPECT_EQ(ReadBytes(Dir() / "data2.tab.bak1"), damaged);
}

// The curve files of records that live only in the kept journal are never written over: they
// are renamed aside before the first record is written, and the same box says so.
TEST_F(Journal, CurveFilesOfRecordsNotInTheGridAreKeptAside) {
    // Record 3 is cut short: the next record takes its number.
    const std::string damaged = JournalOf(2) + "3\r\n01.02.2026  10:03:00\r\n";
    struct Case {
        const char* name;
        bool append;
    } const cases[] = {{"an append", true}, {"a close", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* n : {"1", "2", "3", "7"})
            for (const char* suffix : {".txt", "_.txt", "__.txt"})
                WriteBytes(Gr(std::string("gr") + n + suffix), std::string("old ") + n + suffix);
        Start(damaged);
        FillCharts(3);
        const auto chart2 = SeriesOf(form_->Chart2);
        if (c.append)
            Append(-9);
        else
            form_->SaveJournal();

        ASSERT_EQ(Boxes().Count(), 1);
        std::string text =
            "Журнал data2.tab был прочитан не полностью. Его прежнее содержимое "
            "сохранено в файле " +
            Prog() +
            "data2.tab.bak\nФайлы графиков записей, которых нет в журнале, "
            "сохранены под именами:";
        for (const char* n : {"3", "7"})
            for (const char* suffix : {".txt", "_.txt", "__.txt"}) {
                const std::string name = std::string("gr") + n + suffix;
                text += "\n" + Prog() + "gr/" + name + ".bak";
                EXPECT_EQ(ReadBytes(Gr(name + ".bak")), std::string("old ") + n + suffix);
            }
        EXPECT_EQ(Boxes().Requests()[0].text, text);
        // The records of the grid keep theirs.
        for (const char* n : {"1", "2"})
            EXPECT_EQ(ReadBytes(Gr(std::string("gr") + n + ".txt")),
                      std::string("old ") + n + ".txt");
        if (c.append) {
            EXPECT_EQ(Cell(0, 3), "3");
            EXPECT_EQ(ReadBytes(Gr("gr3.txt")), core::EncodeCurveFile(" ", chart2));
            EXPECT_EQ(Ref(3, 3), Prog() + "gr/gr3.txt");
        } else {
            EXPECT_FALSE(std::filesystem::exists(Gr("gr3.txt")));
        }
        EXPECT_FALSE(std::filesystem::exists(Gr("gr7.txt")));
        // Once only.
        Boxes().Clear();
        Append(-10);
        EXPECT_EQ(Boxes().Count(), 0);
        EXPECT_FALSE(std::filesystem::exists(Gr("gr3.txt.bak1")));
        DestroyWindow();
        for (const auto& e : std::filesystem::directory_iterator(Dir() / "gr"))
            std::filesystem::remove(e.path());
        std::filesystem::remove(Dir() / "data2.tab.bak");
    }
}

// A journal that did not load whole in a program folder without write access: its old bytes
// go to gr/ when the folder has no room for them; where they can be kept nowhere the operator
// chooses, and a "No" leaves the journal and the window as they are.
TEST_F(Journal, AJournalThatDidNotLoadWholeInAReadOnlyFolder) {
    namespace fs = std::filesystem;
    const std::string damaged = JournalOf(2) + "3\r\n";
    auto readOnly = [](const fs::path& p, bool on) {
        fs::permissions(p,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        on ? fs::perm_options::remove : fs::perm_options::add);
    };

    // gr/ takes the copy.
    {
        Start(damaged);
        form_->Show();
        readOnly(Dir(), true);
        {
            PermissionsBind bind;
            form_->StringGrid1->SetCells(5, 2, "правка");
            form_->Close();
        }
        readOnly(Dir(), false);
        EXPECT_FALSE(form_->Visible());
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text,
                  "Журнал data2.tab был прочитан не полностью. Его прежнее "
                  "содержимое сохранено в файле " +
                      Prog() + "gr/data2.tab.bak");
        EXPECT_EQ(ReadBytes(Gr("data2.tab.bak")), damaged);
        EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).at(1)[5], "правка");
        DestroyWindow();
        fs::remove(Gr("data2.tab.bak"));
    }

    // Nowhere: "No", then "Yes".
    WriteBytes(Gr("gr3.txt"), "old 3");
    Start(damaged);
    form_->Show();
    readOnly(Dir(), true);
    readOnly(Dir() / "gr", true);
    {
        PermissionsBind bind;
        Boxes().QueueButton(ui::IDNO);
        form_->StringGrid1->SetCells(5, 2, "правка");
        form_->Close();
        EXPECT_TRUE(form_->Visible());
        EXPECT_EQ(ReadBytes(JournalFile()), damaged);
        ASSERT_EQ(Boxes().Count(), 2);
        EXPECT_EQ(Boxes().Requests()[0].icon, ui::ModalIcon::Warning);
        EXPECT_EQ(Boxes().Requests()[0].buttons, (std::vector<int>{ui::IDYES, ui::IDNO}));
        EXPECT_EQ(Boxes().Requests()[0].text.rfind(
                      "Прежнее содержимое журнала data2.tab, прочитанного не полностью, "
                      "сохранить негде. Записать журнал без него? Непрочитанная часть будет "
                      "потеряна.\nCannot create file \"" +
                          Prog() + "data2.tab.bak\".",
                      0),
                  0u);
        EXPECT_EQ(Boxes().Requests()[1].icon, ui::ModalIcon::Error); // the close's error

        // The curve file that could not be renamed aside is not written over. The question
        // comes before the boxes of the curve files: "No" leaves the journal as it is.
        Boxes().Clear();
        FillCharts(3);
        Boxes().QueueButton(ui::IDNO);
        EXPECT_THROW(Append(-9), rt::EFCreateError);
        EXPECT_EQ(Boxes().Requests().at(0).buttons, (std::vector<int>{ui::IDYES, ui::IDNO}));
        EXPECT_EQ(ReadBytes(JournalFile()), damaged);
        EXPECT_EQ(Cell(0, 3), "3");
        EXPECT_EQ(ReadBytes(Gr("gr3.txt")), "old 3");
        EXPECT_EQ(Ref(3, 3), "");

        Boxes().Clear();
        Boxes().QueueButton(ui::IDYES);
        form_->Close();
        EXPECT_FALSE(form_->Visible());
    }
    readOnly(Dir() / "gr", false);
    readOnly(Dir(), false);
    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][5], "правка");
    EXPECT_EQ(rows[2][0], "3");
    EXPECT_EQ(ReadBytes(Gr("gr3.txt")), "old 3");
}

// While the operator is asked whether to write the journal without its old bytes, a record
// that ends asks nothing more: its row waits for the answer, which writes it with the others.
TEST_F(Journal, ARecordWhileTheQuestionIsOpenWaitsForTheAnswer) {
    namespace fs = std::filesystem;
    const std::string damaged = JournalOf(2) + "3\r\n";
    Start(damaged);
    const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const fs::path& p : {Dir(), Dir() / "gr"})
        fs::permissions(p, write, fs::perm_options::remove);
    int questions = 0;
    {
        PermissionsBind bind;
        Boxes().SetWhileOpen([&](const ui::ModalRequest& r) {
            if (r.buttons != std::vector<int>{ui::IDYES, ui::IDNO})
                return;
            if (++questions == 1) {
                Append(-11); // ends while the question is open
                EXPECT_EQ(ReadBytes(JournalFile()), damaged);
            }
        });
        form_->SaveJournal();
        Boxes().SetWhileOpen(nullptr);
    }
    for (const fs::path& p : {Dir(), Dir() / "gr"})
        fs::permissions(p, write, fs::perm_options::add);
    EXPECT_EQ(questions, 1);
    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2][2], "-11");
}

// A close that comes while that question is open (an end signal, a logout) is abandoned: the
// window stays for the answer, and a close after it saves the journal and goes through. The
// session manager's save request meanwhile is answered as not saved, as a save that fails is.
TEST_F(Journal, ACloseOrASessionSaveWhileTheQuestionIsOpenSavesNothingAndSaysSo) {
    const std::string damaged = JournalOf(2) + "3\r\n";
    Start(damaged);
    form_->Show();
    const app::TSessionEnd end(*form_);
    const ui::TSessionAnswers answers;
    // The manager has no public constructor; while answers are recorded, nothing looks at it.
    alignas(QSessionManager) unsigned char storage[sizeof(QSessionManager)] = {};
    auto& manager = *reinterpret_cast<QSessionManager*>(storage);
    form_->StringGrid1->SetCells(5, 2, "правка");
    int questions = 0;
    bool stayed = false;
    Boxes().SetWhileOpen([&](const ui::ModalRequest& r) {
        if (r.buttons != std::vector<int>{ui::IDYES, ui::IDNO})
            return;
        if (++questions > 1)
            return;
        form_->Close();
        stayed = form_->Visible();
        emit qGuiApp->commitDataRequest(manager);
    });
    {
        FileSizeLimit limit(60); // the copy does not fit
        Boxes().QueueButton(ui::IDNO);
        EXPECT_THROW(form_->SaveJournal(), rt::EFCreateError);
        EXPECT_EQ(questions, 1);
        EXPECT_TRUE(stayed);
        EXPECT_TRUE(form_->Visible());
        EXPECT_EQ(answers.Saved(), std::vector<bool>{false});
        EXPECT_EQ(ReadBytes(JournalFile()), damaged);

        // The request that meets the question itself, and a "No".
        Boxes().QueueButton(ui::IDNO);
        emit qGuiApp->commitDataRequest(manager);
        EXPECT_EQ(questions, 2);
        EXPECT_EQ(answers.Saved(), (std::vector<bool>{false, false}));
        EXPECT_EQ(ReadBytes(JournalFile()), damaged);
    }
    Boxes().SetWhileOpen(nullptr);

    emit qGuiApp->commitDataRequest(manager);
    EXPECT_EQ(answers.Saved(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(ReadBytes(Prog() + "data2.tab.bak"), damaged);
    EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).at(1)[5], "правка");
    form_->Close();
    EXPECT_FALSE(form_->Visible());
}

// A writable data2.tab in a program folder without write access is still saved (in place).
TEST_F(Journal, AReadOnlyProgramFolderStillSavesTheJournal) {
    Start(JournalOf(2));
    std::filesystem::permissions(Dir(),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    {
        PermissionsBind bind;
        form_->StringGrid1->SetCells(5, 2, "правка");
        form_->SaveJournal();
    }
    std::filesystem::permissions(Dir(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][5], "правка");
}

// Characters that Windows-1251 cannot hold are written as '?' (the format stays), and the first
// save of a session that loses some names them in a box.
TEST_F(Journal, CharactersTheCodePageCannotHoldAreNamedOnceASession) {
    for (int session = 0; session < 2; ++session) {
        SCOPED_TRACE(session);
        Start(JournalOf(1));
        form_->StringGrid1->SetCells(5, 1, "Присадка. № € ok");
        form_->SaveJournal();
        EXPECT_EQ(Boxes().Count(), 0);

        form_->StringGrid1->SetCells(5, 1, "проба ✓ 😀 и ✓");
        form_->SaveJournal();
        const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][5], "проба ? ? и ?");
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text,
                  "Журнал data2.tab не может хранить символы ✓ 😀: вместо них записан знак \"?\".");
        EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Warning);

        // Once a session: a later save and an append say nothing more.
        form_->StringGrid1->SetCells(5, 1, "Ω");
        form_->SaveJournal();
        Append(-9, -20, -15);
        EXPECT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(core::ParseJournal(ReadBytes(JournalFile())).at(0)[5], "?");
        DestroyWindow();
    }
}

TEST_F(Journal, SaveJournalWritesEveryRowAsTheGridHoldsIt) {
    Start(JournalOf(2));
    form_->StringGrid1->SetCells(5, 1, "правка");
    form_->StringGrid1->SetCells(3, 2, "");
    form_->SaveJournal();
    const auto rows = core::ParseJournal(ReadBytes(JournalFile()));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][5], "правка");
    EXPECT_EQ(rows[1][3], " "); // an empty cell is an empty line, read back as a blank
    EXPECT_NE(ReadBytes(JournalFile()).find("\r\n-5\r\n\r\n-15\r\n"), std::string::npos);
}

TEST_F(Journal, EmptyJournalIsWrittenAsSevenEmptyLines) {
    Start(std::nullopt);
    form_->SaveJournal();
    EXPECT_EQ(ReadBytes(JournalFile()), std::string("\r\n\r\n\r\n\r\n\r\n\r\n\r\n"));
}

TEST_F(Journal, RebuildsReuseTheGraphBoxes) {
    Start(JournalOf(50));
    const std::size_t boxes = form_->FJournalCells.BoxesMade();
    for (int i = 0; i < 20; ++i)
        Append(-1);
    EXPECT_LE(form_->FJournalCells.BoxesMade(), boxes + 20);
    EXPECT_LE(form_->FJournalCells.RefsHeld(), 3u * (50 + 20));
}

} // namespace
