// The string grid: cells and objects, fixed row and column, options with editing, the
// current cell with OnSelectCell, the top row, and OnDrawCell painting on the canvas.
#include <algorithm>
#include <functional>
#include <stdexcept>

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/StdCtrls.h"

using namespace ui;

namespace {

const TGridOptions kJournal = TGridOptions() << goFixedVertLine << goFixedHorzLine << goVertLine
                                             << goHorzLine << goRangeSelect << goDrawFocusSelected;

// The journal's grid: 6 columns, a header row, no fixed column.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetColCount(6);
        grid->SetRowCount(2);
        grid->SetFixedCols(0);
        grid->SetOptions(kJournal << goEditing);
    }
    void TearDown() override { delete form; }
    QAbstractItemModel* Model() const { return grid->View()->model(); }

    TForm* form = nullptr;
    TStringGrid* grid = nullptr;
    ModalRecorder boxes;
};

TEST_F(GridTest, HeaderRowIsTheViewsHeaderAndRecordRowsAreTheModel) {
    grid->SetCells(0, 0, "№");
    grid->SetCells(5, 0, "Комментарий");
    grid->SetCells(0, 1, "1");
    EXPECT_EQ(Model()->rowCount(), 1);
    EXPECT_EQ(Model()->columnCount(), 6);
    EXPECT_EQ(Model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("№"));
    EXPECT_EQ(Model()->headerData(5, Qt::Horizontal).toString(), QString::fromUtf8("Комментарий"));
    EXPECT_EQ(Model()->data(Model()->index(0, 0)).toString(), "1");
    EXPECT_FALSE(grid->View()->verticalHeader()->isVisible() && grid->FixedCols() == 0);
}

TEST_F(GridTest, RowCountGrowsAndShrinksKeepingTexts) {
    grid->SetRowCount(4);
    grid->SetCells(2, 3, "-12.3");
    grid->SetCells(2, 1, "x");
    EXPECT_EQ(Model()->rowCount(), 3);
    grid->SetRowCount(3);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->Cells(2, 1), "x");
    EXPECT_THROW(grid->Cells(2, 3), std::out_of_range);
    grid->SetRowCount(4);
    EXPECT_EQ(grid->Cells(2, 3), ""); // a new row starts empty
}

TEST_F(GridTest, CellsOutsideTheGridThrowAndObjectsAreKept) {
    EXPECT_THROW(grid->SetCells(6, 1, "x"), std::out_of_range);
    EXPECT_THROW(grid->Objects(0, 2), std::out_of_range);
    EXPECT_THROW(grid->Cells(-1, 0), std::out_of_range);
    TCheckBox box(nullptr);
    grid->SetObjects(5, 1, &box);
    EXPECT_EQ(grid->Objects(5, 1), &box);
    EXPECT_EQ(dynamic_cast<TCheckBox*>(grid->Objects(5, 1)), &box);
    EXPECT_EQ(grid->Objects(4, 1), nullptr);
}

TEST_F(GridTest, EditingFollowsTheOptionsAndNeverTouchesTheHeader) {
    struct {
        TGridOptions options;
        int col, row;
        bool editable;
    } cases[] = {
        {kJournal << goEditing, 5, 1, true},
        {kJournal << goEditing, 0, 1, true},
        {kJournal << goEditing, 5, 0, false}, // the header row is fixed
        {kJournal, 5, 1, false},
    };
    for (const auto& c : cases) {
        grid->SetOptions(c.options);
        EXPECT_EQ(grid->CellEditable(c.col, c.row), c.editable);
        if (c.row >= 1) {
            const QModelIndex i = Model()->index(c.row - 1, c.col);
            EXPECT_EQ(bool(Model()->flags(i) & Qt::ItemIsEditable), c.editable);
            EXPECT_EQ(Model()->setData(i, "typed", Qt::EditRole), c.editable);
            EXPECT_EQ(grid->Cells(c.col, c.row) == "typed", c.editable);
            grid->SetCells(c.col, c.row, "");
        }
    }
}

TEST_F(GridTest, SelectCellAsksFirstAndCanSwitchEditingForTheNewCell) {
    grid->SetRowCount(3);
    std::vector<std::pair<int, int>> asked;
    grid->OnSelectCell = [&](TObject*, int col, int row, bool& can) {
        asked.emplace_back(col, row);
        grid->SetOptions(col == 5 ? kJournal << goEditing : kJournal);
        can = true;
    };
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Col(), 0);
    EXPECT_TRUE(grid->SelectCell(5, 2));
    EXPECT_TRUE(grid->CellEditable(5, 2));
    EXPECT_TRUE(grid->SelectCell(3, 2));
    EXPECT_FALSE(grid->CellEditable(3, 2));
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{5, 2}, {3, 2}}));
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->Col(), 3);
    // A click in the view goes the same way.
    grid->View()->setCurrentIndex(Model()->index(0, 5));
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->Col(), 5);
    EXPECT_EQ(asked.size(), 3u);
}

TEST_F(GridTest, ARefusedSelectionLeavesTheCurrentCell) {
    grid->SetRowCount(3);
    grid->OnSelectCell = [](TObject*, int, int row, bool& can) { can = row != 2; };
    EXPECT_FALSE(grid->SelectCell(1, 2));
    EXPECT_EQ(grid->Row(), 1);
    grid->View()->setCurrentIndex(Model()->index(1, 1));
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->View()->currentIndex().row(), 0);
    // Fixed cells and cells outside are never selected.
    EXPECT_FALSE(grid->SelectCell(1, 0));
    EXPECT_FALSE(grid->SelectCell(6, 1));
}

TEST_F(GridTest, TopRowIsKeptWithinTheRecordRows) {
    grid->SetRowCount(50);
    grid->SetTopRow(49);
    EXPECT_EQ(grid->TopRow(), 49);
    grid->SetTopRow(0);
    EXPECT_EQ(grid->TopRow(), 1);
    grid->SetTopRow(30);
    grid->SetRowCount(10);
    EXPECT_EQ(grid->TopRow(), 9);
}

TEST_F(GridTest, ColumnWidthsAreAppliedAsComputed) {
    grid->SetColWidths(0, 50);
    grid->SetColWidths(1, 110);
    grid->SetColWidths(5, -20);
    EXPECT_EQ(grid->ColWidths(0), 50);
    EXPECT_EQ(grid->ColWidths(1), 110);
    EXPECT_EQ(grid->ColWidths(5), -20);
    EXPECT_EQ(grid->View()->horizontalHeader()->sectionSize(1), 110);
    EXPECT_EQ(grid->View()->horizontalHeader()->sectionSize(5), 0);
    EXPECT_THROW(grid->SetColWidths(6, 10), std::out_of_range);
}

TEST_F(GridTest, OnDrawCellFillsAndWritesOnTheCanvas) {
    form->SetBounds(0, 0, 500, 200);
    grid->SetAlign(alClient);
    grid->SetRowCount(3);
    grid->SetCells(0, 2, "2");
    int calls = 0;
    grid->OnDrawCell = [&](TObject*, int, int row, const TRect& r, TGridDrawState) {
        ++calls;
        ASSERT_NE(grid->Canvas(), nullptr);
        if (row != 2)
            return;
        grid->Canvas()->Brush.Color = 0xCCCCFF;
        grid->Canvas()->FillRect(r);
        grid->Canvas()->Font.Color = clBlack;
        grid->Canvas()->TextOut(r.Left, r.Top, "2");
    };
    form->Show();
    const QImage img = grid->View()->viewport()->grab().toImage();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(grid->Canvas(), nullptr);
    const QRect second = grid->View()->visualRect(Model()->index(1, 3));
    const QRect first = grid->View()->visualRect(Model()->index(0, 3));
    const QColor marked = img.pixelColor(second.center());
    EXPECT_EQ(marked, QColor(0xFF, 0xCC, 0xCC));
    EXPECT_NE(img.pixelColor(first.center()), QColor(0xFF, 0xCC, 0xCC));
}

TEST_F(GridTest, AnErrorInOnDrawCellIsShownOnceAfterThePaint) {
    form->SetBounds(0, 0, 400, 200);
    grid->SetAlign(alClient);
    grid->OnDrawCell = [](TObject*, int, int, const TRect&, TGridDrawState) {
        throw std::runtime_error("draw failed");
    };
    form->Show();
    grid->View()->viewport()->grab();
    EXPECT_EQ(boxes.Count(), 0); // not inside the paint
    EXPECT_TRUE(uitest::RunUntil([&] { return boxes.Count() >= 1; }));
    EXPECT_EQ(boxes.Requests().front().text, "draw failed");
    grid->OnDrawCell = nullptr;
}

} // namespace

namespace {

TEST_F(GridTest, TypingEditsOnlyTheCellsTheOptionsAllow) {
    form->SetBounds(0, 0, 500, 200);
    grid->SetAlign(alClient);
    grid->SetRowCount(3);
    grid->OnSelectCell = [&](TObject*, int col, int, bool&) {
        grid->SetOptions(col == 5 ? kJournal << goEditing : kJournal);
    };
    auto* start = new TButton(form);
    start->SetParent(form);
    start->SetDefault(true);
    int starts = 0;
    start->OnClick = [&](TObject*) { ++starts; };
    form->Show();
    auto type = [&](QWidget* w, int key, const QString& text) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &e);
    };
    ASSERT_TRUE(grid->SelectCell(3, 2));
    type(grid->View(), Qt::Key_A, "a");
    EXPECT_EQ(grid->View()->findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(grid->Cells(3, 2), "");

    ASSERT_TRUE(grid->SelectCell(5, 2));
    type(grid->View(), Qt::Key_A, QString::fromUtf8("П"));
    auto* editor = grid->View()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QString::fromUtf8("П"));
    // The cell holds what is typed while the editor is still open, and typing goes on
    // where the cursor stands.
    EXPECT_EQ(grid->Cells(5, 2), "П");
    editor->setCursorPosition(0);
    type(editor, Qt::Key_A, "a");
    EXPECT_EQ(grid->Cells(5, 2), "aП");
    EXPECT_EQ(editor->cursorPosition(), 1);
    type(editor, Qt::Key_Backspace, "");
    EXPECT_EQ(grid->Cells(5, 2), "П");
    type(editor, Qt::Key_Return, "\r"); // the editor takes Enter: no default button
    EXPECT_TRUE(uitest::RunUntil([&] { return grid->Cells(5, 2) == "П"; }));
    EXPECT_EQ(starts, 0);
}

// The editor's end: Esc gives the cell its text from before the edit; closing it in code
// (the window need not be active) keeps what was typed.
TEST_F(GridTest, EscapeRevertsTheEditAndClosingKeepsIt) {
    form->SetBounds(0, 0, 500, 200);
    grid->SetAlign(alClient);
    grid->SetCells(2, 1, "old");
    form->Show();
    auto type = [&](QWidget* w, int key, const QString& text) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &e);
        QKeyEvent r(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &r);
    };
    ASSERT_TRUE(grid->SelectCell(2, 1));
    EXPECT_FALSE(grid->EditorMode());
    type(grid->View(), Qt::Key_N, "n");
    auto* editor = grid->View()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(2, 1), "n");
    type(editor, Qt::Key_Escape, QString(QChar(0x1B)));
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(2, 1), "old");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed editor

    grid->SetEditorMode(true);
    ASSERT_TRUE(grid->EditorMode());
    editor = grid->View()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setCursorPosition(3);
    type(editor, Qt::Key_X, "x");
    grid->SetEditorMode(false);
    EXPECT_FALSE(grid->EditorMode());
    EXPECT_EQ(grid->Cells(2, 1), "oldx");
}

// OnEditingDone: once for every edit that ends with the cell's text changed, however it
// ends but by Esc; an error in it shows in the application's box.
TEST_F(GridTest, AnEditThatEndsChangedIsDoneOnce) {
    form->SetBounds(0, 0, 500, 200);
    grid->SetAlign(alClient);
    grid->SetRowCount(3);
    form->Show();
    auto type = [&](int key, const QString& text) {
        QWidget* w = grid->View()->findChild<QLineEdit*>();
        if (!w || !w->isVisible())
            w = grid->View();
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &e);
        QKeyEvent r(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &r);
    };
    int done = 0;
    grid->OnEditingDone = [&](TObject* sender) {
        EXPECT_EQ(sender, grid);
        EXPECT_FALSE(grid->EditorMode());
        ++done;
    };
    struct Case {
        const char* name;
        std::function<void()> type;
        std::function<void()> end;
        int done;
    } const cases[] = {
        {"Enter", [&] { type(Qt::Key_Q, "q"); }, [&] { type(Qt::Key_Return, "\r"); }, 1},
        {"another cell", [&] { type(Qt::Key_Q, "q"); }, [&] { grid->SelectCell(1, 2); }, 1},
        {"in code", [&] { type(Qt::Key_Q, "q"); }, [&] { grid->SetEditorMode(false); }, 1},
        {"Esc", [&] { type(Qt::Key_Q, "q"); }, [&] { type(Qt::Key_Escape, QString(QChar(0x1B))); },
         0},
        {"typed back as it was",
         [&] {
             type(Qt::Key_Q, "q");
             type(Qt::Key_Backspace, "");
         },
         [&] { type(Qt::Key_Return, "\r"); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        done = 0;
        ASSERT_TRUE(grid->SelectCell(2, 1));
        c.type();
        ASSERT_TRUE(grid->EditorMode());
        c.end();
        EXPECT_TRUE(uitest::RunUntil([&] { return !grid->EditorMode(); }));
        EXPECT_EQ(done, c.done);
        grid->SetCells(2, 1, "");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    grid->OnEditingDone = [](TObject*) { throw std::runtime_error("journal not written"); };
    ASSERT_TRUE(grid->SelectCell(2, 1));
    type(Qt::Key_Q, "q");
    grid->SetEditorMode(false);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().text, "journal not written");
}

} // namespace

namespace {

// A top row past the last full page is the first row painted; scrolled back, the bar ends at
// the last full page again.
TEST_F(GridTest, ATopRowPastTheLastPageIsShownAtTheTop) {
    form->SetBounds(0, 0, 500, 200);
    grid->SetAlign(alClient);
    grid->SetRowCount(30);
    form->Show();
    QTableView* view = grid->View();
    QScrollBar* bar = view->verticalScrollBar();
    const int pageEnd = bar->maximum();
    ASSERT_GT(pageEnd, 0);
    ASSERT_LT(pageEnd, 28);
    grid->SetTopRow(29);
    ui::Application->ProcessMessages();
    EXPECT_EQ(view->rowAt(0), 28);
    EXPECT_EQ(grid->TopRow(), 29);
    bar->setValue(20); // the operator scrolls back
    EXPECT_EQ(grid->TopRow(), 21);
    EXPECT_EQ(view->rowAt(0), 20);
    EXPECT_EQ(bar->maximum(), pageEnd);
}

} // namespace

namespace {

// A head is written from its left, as every cell is: one narrower than its text shows the
// text's first letters, not its middle (here the tall letters, not the dots).
TEST_F(GridTest, AHeadNarrowerThanItsTextShowsItsFirstLetters) {
    form->SetBounds(0, 0, 500, 200);
    grid->SetAlign(alClient);
    grid->SetCells(2, 0, "ШШ....................");
    grid->SetColWidths(2, 30);
    form->Show();
    ui::Application->ProcessMessages();
    QHeaderView* head = grid->View()->horizontalHeader();
    const QImage img = head->grab().toImage();
    const int x = head->sectionViewportPosition(2);
    int top = img.height(), bottom = -1;
    for (int px = x + 1; px < x + 29; ++px)
        for (int y = 1; y < img.height() - 1; ++y)
            if (qGray(img.pixel(px, y)) < 110) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(bottom - top, 5) << "the head shows the dots of its middle";
}

} // namespace
