#pragma once
// The string grid: cell texts and cell objects, fixed header row and column, column widths,
// top row, current cell, options (editing among them), OnDrawCell and OnSelectCell.
// Rows and columns are numbered as the grid shows them, fixed ones included.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/StdCtrls.h"

class QTableView;

namespace ui {

enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goRowMoving = 1u << 8,
    goColMoving = 1u << 9,
    goEditing = 1u << 10,
    goTabs = 1u << 11,
    goRowSelect = 1u << 12,
    goAlwaysShowEditor = 1u << 13,
    goThumbTracking = 1u << 14,
};

// A set of grid options: TGridOptions() << goEditing << goVertLine.
class TGridOptions {
public:
    constexpr TGridOptions() = default;
    constexpr explicit TGridOptions(unsigned bits) : bits_(bits) {}
    constexpr TGridOptions operator<<(TGridOption o) const { return TGridOptions(bits_ | o); }
    constexpr TGridOptions operator>>(TGridOption o) const {
        return TGridOptions(bits_ & ~unsigned(o));
    }
    constexpr bool Contains(TGridOption o) const { return (bits_ & o) != 0; }
    constexpr bool operator==(const TGridOptions&) const = default;

private:
    unsigned bits_ = 0;
};

enum TGridDrawStateBit : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using TGridDrawState = unsigned;

class TStringGrid;
using TDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect,
                                          TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;

class TStringGrid : public TWinControl {
public:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;
    QTableView* View() const;

    // Defaults: 5 x 5 cells, one fixed row and one fixed column (0 or 1 of each is shown as
    // the grid's header line and header column).
    int ColCount() const { return colCount_; }
    void SetColCount(int n);
    int RowCount() const { return static_cast<int>(cells_.size()); }
    void SetRowCount(int n);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int n);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);

    // Cells(col, row); an index outside the grid throws std::out_of_range (reads too).
    std::string Cells(int col, int row) const;
    void SetCells(int col, int row, const std::string& text);
    // Objects are not owned by the grid.
    TObject* Objects(int col, int row) const;
    void SetObjects(int col, int row, TObject* object);
    std::vector<std::string> RowTexts(int row) const;
    // Puts texts into the row's cells in column order (missing ones become empty).
    void SetRowTexts(int row, const std::vector<std::string>& texts);

    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    void SetDefaultColWidth(int w);
    // The narrowest width of the column that shows each of its texts whole (the fixed row's
    // included); of rows firstRow onward only, where one is given.
    int ColTextWidth(int col, int firstRow = 0) const;

    // First row below the fixed ones that is shown at the top.
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);

    // The current cell. Moving it asks OnSelectCell first; a refusal leaves it.
    int Row() const { return row_; }
    int Col() const { return col_; }
    // Moves the current cell as a click or a cursor key would. Returns whether it moved.
    bool SelectCell(int col, int row);

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions o);
    void SetScrollBars(TScrollStyle s);

    // Valid only while OnDrawCell runs; nullptr otherwise.
    TCanvas* Canvas() const { return canvas_; }

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TNotifyEvent OnDblClick;
    // The cell editor closed and its cell keeps a text other than the one it had when the
    // editor opened (Enter, another cell chosen, the focus gone, SetEditorMode(false); not Esc).
    TNotifyEvent OnEditingDone;

    // Runs the drawing of one cell into painter, OnDrawCell included (the view uses it).
    void DrawCell(QPainter* painter, int col, int row, const TRect& rect, TGridDrawState state);
    // Whether the cell can be edited now (goEditing and not fixed).
    bool CellEditable(int col, int row) const;
    // Whether the current cell's editor is open. Closing it leaves the cell what was typed;
    // opening it needs an editable current cell and puts the caret after the cell's text.
    bool EditorMode() const;
    void SetEditorMode(bool on);

private:
    class Model;
    class View_;
    class Selection;
    class Delegate;
    friend class Model;
    friend class View_;
    friend class Selection;
    friend class Delegate;

    struct Cell {
        std::string text;
        TObject* object = nullptr;
    };
    Cell& At(int col, int row);
    const Cell& At(int col, int row) const;
    void Reshape();
    void ApplyWidths();
    void ApplyOptions();
    void ApplyTopRow();
    void ApplyCurrent();
    void CellChanged(int col, int row);
    bool AskSelect(int col, int row);

    std::vector<std::vector<Cell>> cells_; // [row][col]
    int colCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    std::vector<int> colWidths_;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int topRow_ = 1;
    // The bar's value that shows the last full page (the bar reaches past it for a top row
    // below that page).
    int pageEnd_ = 0;
    int row_ = 1;
    int col_ = 1;
    TGridOptions options_ = TGridOptions() << goFixedVertLine << goFixedHorzLine << goVertLine
                                           << goHorzLine << goRangeSelect;
    TCanvas* canvas_ = nullptr;
    Model* model_ = nullptr;
    View_* view_ = nullptr;
    Selection* selection_ = nullptr;
    Delegate* delegate_ = nullptr;
    bool syncing_ = false;
};

} // namespace ui
