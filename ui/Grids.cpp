#include "ui/Grids.h"

#include <algorithm>
#include <stdexcept>

#include <QAbstractTableModel>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>

#include "ui/Forms.h"
#include "ui/QtBridge.h"

namespace ui {

namespace {
[[noreturn]] void OutOfRange() { throw std::out_of_range("Grid index out of range"); }
} // namespace

// Model rows and columns are the grid's below and right of the header line and column; the
// header line is grid row 0 when there is a fixed row, the header column grid column 0.
class TStringGrid::Model : public QAbstractTableModel {
public:
    explicit Model(TStringGrid* g) : g_(g) {}

    int HdrRows() const { return g_->fixedRows_ > 0 ? 1 : 0; }
    int HdrCols() const { return g_->fixedCols_ > 0 ? 1 : 0; }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : std::max(0, g_->RowCount() - HdrRows());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : std::max(0, g_->colCount_ - HdrCols());
    }
    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return ToQ(g_->At(i.column() + HdrCols(), i.row() + HdrRows()).text);
    }
    bool setData(const QModelIndex& i, const QVariant& v, int role) override {
        if (!i.isValid() || role != Qt::EditRole)
            return false;
        const int col = i.column() + HdrCols();
        const int row = i.row() + HdrRows();
        if (!g_->CellEditable(col, row))
            return false;
        g_->At(col, row).text = FromQ(v.toString());
        emit dataChanged(i, i);
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& i) const override {
        if (!i.isValid())
            return Qt::NoItemFlags;
        const int col = i.column() + HdrCols();
        const int row = i.row() + HdrRows();
        Qt::ItemFlags f = Qt::ItemIsEnabled;
        if (row >= g_->fixedRows_ && col >= g_->fixedCols_)
            f |= Qt::ItemIsSelectable;
        if (g_->CellEditable(col, row))
            f |= Qt::ItemIsEditable;
        return f;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        // Fixed cells are written from their left, as the others are.
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Horizontal) {
            if (!HdrRows() || section + HdrCols() >= g_->colCount_)
                return {};
            return ToQ(g_->At(section + HdrCols(), 0).text);
        }
        if (!HdrCols() || section + HdrRows() >= g_->RowCount())
            return {};
        return ToQ(g_->At(0, section + HdrRows()).text);
    }

    void Reset() {
        beginResetModel();
        endResetModel();
    }
    // Only for the row count in between the begin/end calls.
    void BeginRows(int oldRows, int newRows) {
        const int h = HdrRows();
        const int a = std::max(0, oldRows - h), b = std::max(0, newRows - h);
        if (b > a)
            beginInsertRows(QModelIndex(), a, b - 1);
        else if (b < a)
            beginRemoveRows(QModelIndex(), b, a - 1);
        pending_ = b > a ? 1 : b < a ? -1 : 0;
    }
    void EndRows() {
        if (pending_ > 0)
            endInsertRows();
        else if (pending_ < 0)
            endRemoveRows();
        pending_ = 0;
    }
    void Cell(int col, int row) {
        const int h = HdrRows(), c = HdrCols();
        if (row < h) {
            emit headerDataChanged(Qt::Horizontal, col - c, col - c);
        } else if (col < c) {
            emit headerDataChanged(Qt::Vertical, row - h, row - h);
        } else {
            const QModelIndex i = index(row - h, col - c);
            emit dataChanged(i, i);
        }
    }

private:
    TStringGrid* g_;
    int pending_ = 0;
};

// Asks OnSelectCell before the current cell moves.
class TStringGrid::Selection : public QItemSelectionModel {
public:
    Selection(QAbstractItemModel* m, TStringGrid* g) : QItemSelectionModel(m), g_(g) {}
    void setCurrentIndex(const QModelIndex& index,
                         QItemSelectionModel::SelectionFlags command) override {
        if (!g_->syncing_ && index.isValid()) {
            const int col = index.column() + g_->model_->HdrCols();
            const int row = index.row() + g_->model_->HdrRows();
            if (col != g_->col_ || row != g_->row_) {
                if (!g_->AskSelect(col, row)) {
                    refused_ = index;
                    return;
                }
                g_->col_ = col;
                g_->row_ = row;
            }
        }
        refused_ = QPersistentModelIndex();
        QItemSelectionModel::setCurrentIndex(index, command);
    }
    QPersistentModelIndex refused_;

private:
    TStringGrid* g_;
};

class TStringGrid::View_ : public QTableView {
public:
    explicit View_(TStringGrid* g) : g_(g) {}
    QWidget* Editor() const;
    // Closes the open editor; the cell keeps what was typed.
    void CloseEditor() {
        QWidget* ed = Editor();
        if (!ed)
            return;
        commitData(ed);
        closeEditor(ed, QAbstractItemDelegate::NoHint);
    }

protected:
    // Esc gives the cell back the text it had when the editor opened.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    // The bar's range for the rows shown, then as far as the top row needs.
    void updateGeometries() override {
        QTableView::updateGeometries();
        g_->ApplyTopRow();
        ShowTopRow();
    }
    // Shown, the view would bring its current cell into sight: the grid keeps its top row.
    bool event(QEvent* e) override {
        if (e->type() != QEvent::Show)
            return QTableView::event(e);
        const bool syncing = g_->syncing_;
        g_->syncing_ = true;
        const bool used = QTableView::event(e);
        g_->syncing_ = syncing;
        g_->ApplyTopRow();
        ShowTopRow();
        return used;
    }
    void scrollContentsBy(int dx, int dy) override {
        QTableView::scrollContentsBy(dx, dy);
        ShowTopRow();
    }

public:
    // The width a cell of the column needs to show its text whole.
    int CellWidthFor(const QModelIndex& index) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        return itemDelegate()->sizeHint(option, index).width() + (showGrid() ? 1 : 0);
    }

private:
    // Past the last full page the bar's value is the top row (the view would show the last
    // page at the bar's end).
    void ShowTopRow() {
        const int value = verticalScrollBar()->value();
        if (value <= g_->pageEnd_ || value >= g_->model_->rowCount(QModelIndex()))
            return;
        if (verticalHeader()->offset() == verticalHeader()->sectionPosition(value))
            return;
        verticalHeader()->setOffsetToSectionPosition(value);
        viewport()->update();
    }

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* e) const override {
        if (g_->selection_ && index.isValid() &&
            QPersistentModelIndex(index) == g_->selection_->refused_)
            return QItemSelectionModel::NoUpdate;
        return QTableView::selectionCommand(index, e);
    }

private:
    TStringGrid* g_;
};

// The grid's own drawing, then OnDrawCell on the same painter.
class TStringGrid::Delegate : public QStyledItemDelegate {
public:
    Delegate(TStringGrid* g, QObject* parent) : QStyledItemDelegate(parent), g_(g) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        QStyledItemDelegate::paint(p, o, i);
        TGridDrawState st = 0;
        if (o.state & QStyle::State_Selected)
            st |= gdSelected;
        if (o.state & QStyle::State_HasFocus)
            st |= gdFocused;
        const QRect r = o.rect;
        g_->DrawCell(p, i.column() + g_->model_->HdrCols(), i.row() + g_->model_->HdrRows(),
                     TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}, st);
    }
    // Every change of the editor's text goes into the cell at once, so whatever reads the
    // cell while the editor is open sees what is typed.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& o,
                          const QModelIndex& i) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, o, i);
        auto* self = const_cast<Delegate*>(this);
        self->editor_ = editor;
        self->index_ = QPersistentModelIndex(i);
        self->original_ = i.data(Qt::EditRole).toString();
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            QObject::connect(line, &QLineEdit::textEdited, self,
                             [self, line] { emit self->commitData(line); });
        }
        return editor;
    }
    // The cell's change that the editor itself made leaves the editor (and its cursor) alone.
    void setEditorData(QWidget* editor, const QModelIndex& i) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line && line->text() == i.data(Qt::EditRole).toString())
            return;
        QStyledItemDelegate::setEditorData(editor, i);
    }

    // The open editor, its cell and the cell's text when it opened.
    QPointer<QWidget> editor_;
    QPersistentModelIndex index_;
    QString original_;

private:
    TStringGrid* g_;
};

QWidget* TStringGrid::View_::Editor() const {
    QWidget* ed = g_->delegate_ ? g_->delegate_->editor_.data() : nullptr;
    return state() == QAbstractItemView::EditingState && ed ? ed : nullptr;
}

void TStringGrid::View_::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    Delegate* d = g_->delegate_;
    const bool ours = d && editor == d->editor_;
    const bool revert = ours && hint == QAbstractItemDelegate::RevertModelCache;
    const QPersistentModelIndex index = d ? d->index_ : QPersistentModelIndex();
    const QString original = d ? d->original_ : QString();
    QTableView::closeEditor(editor, hint);
    if (!ours || !index.isValid())
        return;
    const int col = index.column() + g_->model_->HdrCols();
    const int row = index.row() + g_->model_->HdrRows();
    if (!revert) {
        if (g_->OnEditingDone && FromQ(original) != g_->At(col, row).text)
            Dispatch([&] { g_->OnEditingDone(g_); });
        return;
    }
    g_->At(col, row).text = FromQ(original);
    g_->CellChanged(col, row);
}

TStringGrid::TStringGrid(TComponent* AOwner) : TWinControl(AOwner, NewWidget<View_>(this)) {
    view_ = static_cast<View_*>(Widget());
    cells_.assign(5, std::vector<Cell>(colCount_));
    colWidths_.assign(colCount_, defaultColWidth_);
    model_ = new Model(this);
    model_->setParent(view_);
    view_->setModel(model_);
    selection_ = new Selection(model_, this);
    selection_->setParent(view_);
    view_->setSelectionModel(selection_);
    delegate_ = new Delegate(this, view_);
    view_->setItemDelegate(delegate_);
    view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->horizontalHeader()->setMinimumSectionSize(0);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->verticalHeader()->setMinimumSectionSize(0);
    view_->verticalHeader()->setHighlightSections(false);
    view_->setWordWrap(false);
    view_->resize(320, 120);

    QScrollBar* vs = view_->verticalScrollBar();
    QObject::connect(vs, &QScrollBar::rangeChanged, view_, [this](int, int max) {
        if (syncing_)
            return;
        pageEnd_ = max;
        ApplyTopRow();
    });
    QObject::connect(vs, &QScrollBar::valueChanged, view_, [this](int v) {
        if (syncing_)
            return;
        const int top = v + model_->HdrRows();
        // A top row past the last full page stays as set while the bar is at its end.
        if (v == view_->verticalScrollBar()->maximum() && topRow_ > top)
            return;
        topRow_ = top;
        // Scrolled back within the pages: the bar ends at the last full page again.
        if (v <= pageEnd_ && view_->verticalScrollBar()->maximum() > pageEnd_) {
            syncing_ = true;
            view_->verticalScrollBar()->setMaximum(pageEnd_);
            syncing_ = false;
        }
    });
    QObject::connect(view_->horizontalHeader(), &QHeaderView::sectionResized, view_,
                     [this](int section, int, int size) {
                         if (syncing_)
                             return;
                         const int col = section + model_->HdrCols();
                         if (col < colCount_)
                             colWidths_[col] = size;
                     });
    QObject::connect(view_, &QAbstractItemView::clicked, view_, [this] { Click(); });
    QObject::connect(view_, &QAbstractItemView::doubleClicked, view_, [this] {
        if (OnDblClick)
            Dispatch([&] { OnDblClick(this); });
    });
    Reshape();
}

TStringGrid::~TStringGrid() = default;

QTableView* TStringGrid::View() const { return view_; }

TStringGrid::Cell& TStringGrid::At(int col, int row) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= colCount_)
        OutOfRange();
    return cells_[row][col];
}

const TStringGrid::Cell& TStringGrid::At(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= colCount_)
        OutOfRange();
    return cells_[row][col];
}

void TStringGrid::SetColCount(int n) {
    n = std::max(1, n);
    if (n == colCount_)
        return;
    colCount_ = n;
    for (auto& r : cells_)
        r.resize(n);
    colWidths_.resize(n, defaultColWidth_);
    fixedCols_ = std::min(fixedCols_, n - 1);
    col_ = std::clamp(col_, fixedCols_, n - 1);
    Reshape();
}

void TStringGrid::SetRowCount(int n) {
    n = std::max(1, n);
    const int old = RowCount();
    if (n == old)
        return;
    model_->BeginRows(old, n);
    cells_.resize(n, std::vector<Cell>(colCount_));
    model_->EndRows();
    row_ = std::clamp(row_, std::min(fixedRows_, n - 1), n - 1);
    topRow_ = std::clamp(topRow_, std::min(fixedRows_, n - 1), n - 1);
    if (fixedRows_ > n - 1) {
        fixedRows_ = n - 1;
        Reshape();
        return;
    }
    ApplyCurrent();
    ApplyTopRow();
}

void TStringGrid::SetFixedCols(int n) {
    n = std::clamp(n, 0, colCount_ - 1);
    if (n == fixedCols_)
        return;
    fixedCols_ = n;
    // As the class library does: the current cell and the top left go back to the first
    // cell after the fixed ones.
    col_ = fixedCols_;
    row_ = fixedRows_;
    topRow_ = fixedRows_;
    Reshape();
}

void TStringGrid::SetFixedRows(int n) {
    n = std::clamp(n, 0, RowCount() - 1);
    if (n == fixedRows_)
        return;
    fixedRows_ = n;
    col_ = fixedCols_;
    row_ = fixedRows_;
    topRow_ = fixedRows_;
    Reshape();
}

void TStringGrid::Reshape() {
    syncing_ = true;
    model_->Reset();
    view_->horizontalHeader()->setVisible(fixedRows_ > 0);
    view_->verticalHeader()->setVisible(fixedCols_ > 0);
    syncing_ = false;
    ApplyWidths();
    ApplyOptions();
    ApplyCurrent();
    ApplyTopRow();
}

std::string TStringGrid::Cells(int col, int row) const { return At(col, row).text; }

void TStringGrid::SetCells(int col, int row, const std::string& text) {
    At(col, row).text = text;
    CellChanged(col, row);
}

TObject* TStringGrid::Objects(int col, int row) const { return At(col, row).object; }

void TStringGrid::SetObjects(int col, int row, TObject* object) {
    At(col, row).object = object;
    CellChanged(col, row);
}

std::vector<std::string> TStringGrid::RowTexts(int row) const {
    At(0, row);
    std::vector<std::string> out;
    for (const Cell& c : cells_[row])
        out.push_back(c.text);
    return out;
}

void TStringGrid::SetRowTexts(int row, const std::vector<std::string>& texts) {
    At(0, row);
    for (int c = 0; c < colCount_; ++c)
        SetCells(c, row, c < static_cast<int>(texts.size()) ? texts[c] : std::string());
}

void TStringGrid::CellChanged(int col, int row) {
    model_->Cell(col, row);
    if (col >= fixedCols_ && row >= fixedRows_)
        view_->viewport()->update();
}

int TStringGrid::ColWidths(int col) const {
    if (col < 0 || col >= colCount_)
        OutOfRange();
    return colWidths_[col];
}

void TStringGrid::SetColWidths(int col, int width) {
    if (col < 0 || col >= colCount_)
        OutOfRange();
    colWidths_[col] = width;
    ApplyWidths();
}

int TStringGrid::ColTextWidth(int col, int firstRow) const {
    if (col < 0 || col >= colCount_)
        OutOfRange();
    firstRow = std::max(firstRow, 0);
    const int hr = model_->HdrRows(), hc = model_->HdrCols();
    if (col < hc) {
        int w = 0;
        const QFontMetrics metrics(view_->verticalHeader()->font());
        for (int r = firstRow; r < RowCount(); ++r)
            w = std::max(w, metrics.horizontalAdvance(ToQ(cells_[r][col].text)) + 8);
        return w;
    }
    int w = hr && firstRow < hr ? view_->horizontalHeader()->sectionSizeHint(col - hc) : 0;
    for (int r = std::max(hr, firstRow); r < RowCount(); ++r)
        w = std::max(w, view_->CellWidthFor(model_->index(r - hr, col - hc)));
    return w;
}

void TStringGrid::SetDefaultColWidth(int w) {
    defaultColWidth_ = w;
    std::fill(colWidths_.begin(), colWidths_.end(), w);
    ApplyWidths();
}

void TStringGrid::ApplyWidths() {
    syncing_ = true;
    const int hc = model_->HdrCols();
    if (hc)
        view_->verticalHeader()->setFixedWidth(std::max(0, colWidths_[0]));
    for (int c = hc; c < colCount_; ++c)
        view_->horizontalHeader()->resizeSection(c - hc, std::max(0, colWidths_[c]));
    view_->verticalHeader()->setDefaultSectionSize(std::max(1, defaultRowHeight_));
    view_->horizontalHeader()->setFixedHeight(std::max(1, defaultRowHeight_));
    syncing_ = false;
}

bool TStringGrid::EditorMode() const { return view_->Editor() != nullptr; }

void TStringGrid::SetEditorMode(bool on) {
    if (!on) {
        view_->CloseEditor();
        return;
    }
    if (EditorMode() || !CellEditable(col_, row_))
        return;
    view_->edit(model_->index(row_ - model_->HdrRows(), col_ - model_->HdrCols()));
    // Typing goes on after the cell's text.
    if (auto* line = qobject_cast<QLineEdit*>(view_->Editor())) {
        line->deselect();
        line->end(false);
    }
}

void TStringGrid::SetOptions(TGridOptions o) {
    const bool wasEditing = options_.Contains(goEditing);
    options_ = o;
    if (wasEditing && !o.Contains(goEditing))
        view_->CloseEditor();
    ApplyOptions();
}

void TStringGrid::ApplyOptions() {
    const TGridOptions o = options_;
    view_->setShowGrid(o.Contains(goVertLine) || o.Contains(goHorzLine));
    view_->setSelectionBehavior(o.Contains(goRowSelect) ? QAbstractItemView::SelectRows
                                                        : QAbstractItemView::SelectItems);
    view_->setSelectionMode(o.Contains(goRangeSelect) ? QAbstractItemView::ContiguousSelection
                                                      : QAbstractItemView::SingleSelection);
    QAbstractItemView::EditTriggers t = QAbstractItemView::NoEditTriggers;
    if (o.Contains(goEditing)) {
        t = QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
            QAbstractItemView::AnyKeyPressed;
        if (o.Contains(goAlwaysShowEditor))
            t |= QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked;
    }
    view_->setEditTriggers(t);
    view_->horizontalHeader()->setSectionResizeMode(
        o.Contains(goColSizing) ? QHeaderView::Interactive : QHeaderView::Fixed);
    view_->verticalHeader()->setSectionResizeMode(o.Contains(goRowSizing) ? QHeaderView::Interactive
                                                                          : QHeaderView::Fixed);
    view_->setTabKeyNavigation(o.Contains(goTabs));
}

void TStringGrid::SetScrollBars(TScrollStyle s) {
    const bool h = s == ssHorizontal || s == ssBoth;
    const bool v = s == ssVertical || s == ssBoth;
    view_->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    view_->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

bool TStringGrid::CellEditable(int col, int row) const {
    return options_.Contains(goEditing) && col >= fixedCols_ && row >= fixedRows_ &&
           col < colCount_ && row < RowCount();
}

void TStringGrid::SetTopRow(int row) {
    topRow_ = std::clamp(row, fixedRows_, std::max(fixedRows_, RowCount() - 1));
    ApplyTopRow();
}

void TStringGrid::ApplyTopRow() {
    // As the class library's grid does, a top row past the last full page is shown at the
    // top, the rows after it below and the rest of the grid empty: the bar reaches it.
    QScrollBar* bar = view_->verticalScrollBar();
    const int value = topRow_ - model_->HdrRows();
    const bool syncing = syncing_;
    syncing_ = true;
    bar->setMaximum(std::max(pageEnd_, value));
    bar->setValue(value);
    syncing_ = syncing;
}

bool TStringGrid::SelectCell(int col, int row) {
    if (row < fixedRows_ || row >= RowCount() || col < fixedCols_ || col >= colCount_)
        return false;
    if (col == col_ && row == row_)
        return true;
    if (!AskSelect(col, row))
        return false;
    col_ = col;
    row_ = row;
    ApplyCurrent();
    return true;
}

bool TStringGrid::AskSelect(int col, int row) {
    if (!OnSelectCell)
        return true;
    bool can = true;
    if (!Dispatch([&] { OnSelectCell(this, col, row, can); }))
        return false;
    return can;
}

void TStringGrid::ApplyCurrent() {
    const int h = model_->HdrRows(), c = model_->HdrCols();
    if (row_ < fixedRows_ || row_ >= RowCount() || col_ < fixedCols_ || col_ >= colCount_)
        return;
    syncing_ = true;
    const QModelIndex i = model_->index(row_ - h, col_ - c);
    selection_->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    syncing_ = false;
}

void TStringGrid::DrawCell(QPainter* painter, int col, int row, const TRect& rect,
                           TGridDrawState state) {
    if (!OnDrawCell)
        return;
    TCanvas canvas(painter);
    canvas.Font = Font();
    canvas.Brush.Color = clWindow;
    TCanvas* outer = canvas_;
    canvas_ = &canvas;
    painter->save();
    // The canvas is clipped to the cell, as the grid's own drawing is.
    painter->setClipRect(QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top),
                         Qt::IntersectClip);
    try {
        OnDrawCell(this, col, row, rect, state);
    } catch (...) {
        // No box inside a paint: show it once the paint is over, one at a time.
        static bool pending = false;
        if (!pending) {
            pending = true;
            std::exception_ptr e = std::current_exception();
            QMetaObject::invokeMethod(
                qApp,
                [e] {
                    Application->HandleException(e);
                    pending = false;
                },
                Qt::QueuedConnection);
        }
    }
    painter->restore();
    canvas_ = outer;
}

} // namespace ui
