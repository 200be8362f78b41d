#include "ui/StdCtrls.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <vector>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStringList>
#include <QStyleOptionGroupBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/Forms.h"
#include "ui/QtBridge.h"

namespace ui {

namespace {

TForm* FormOfControl(TControl* c) {
    for (TControl* p = c; p; p = p->Parent())
        if (auto* f = dynamic_cast<TForm*>(p))
            return f;
    return nullptr;
}

} // namespace

// ---- TLabel ---------------------------------------------------------------------------------

namespace {

// The smallest letters a fitted label writes.
constexpr int kFitMinPixels = 9;

// A label that can fit its text into its bounds: from its font's size down, the first size at
// which the text fits on one line, or wrapped into the label's height.
class FitLabel : public QLabel {
public:
    bool fit = false;

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!fit || text().isEmpty()) {
            QLabel::paintEvent(e);
            return;
        }
        const QRect area = contentsRect();
        QFont f = font();
        int flags = 0;
        for (int size = std::max(kFitMinPixels, f.pixelSize()); size >= kFitMinPixels; --size) {
            f.setPixelSize(size);
            const QFontMetrics m(f);
            if (m.horizontalAdvance(text()) <= area.width()) {
                flags = 0;
                break;
            }
            flags = Qt::TextWordWrap;
            if (m.boundingRect(area, Qt::TextWordWrap | int(alignment()), text()).height() <=
                area.height())
                break;
        }
        QPainter p(this);
        p.setFont(f);
        p.setPen(palette().color(foregroundRole()));
        p.drawText(area, int(alignment()) | flags, text());
    }
};

} // namespace

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner, NewWidget<FitLabel>()) {
    Label()->setTextFormat(Qt::PlainText);
    SetClickOnMouse(true);
    ApplyAlignment();
}

QLabel* TLabel::Label() const { return static_cast<QLabel*>(Widget()); }

void TLabel::SetAlignment(TAlignment a) {
    alignment_ = a;
    ApplyAlignment();
}

void TLabel::SetLayout(TTextLayout l) {
    layout_ = l;
    ApplyAlignment();
}

void TLabel::ApplyAlignment() {
    Qt::Alignment h = alignment_ == taCenter         ? Qt::AlignHCenter
                      : alignment_ == taRightJustify ? Qt::AlignRight
                                                     : Qt::AlignLeft;
    Qt::Alignment v = layout_ == tlCenter   ? Qt::AlignVCenter
                      : layout_ == tlBottom ? Qt::AlignBottom
                                            : Qt::AlignTop;
    Label()->setAlignment(h | v);
}

void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    Fit();
}

void TLabel::SetWordWrap(bool on) { Label()->setWordWrap(on); }

void TLabel::SetFitText(bool on) {
    static_cast<FitLabel*>(Label())->fit = on;
    Label()->update();
}

void TLabel::CaptionChanged() {
    Label()->setText(ToQ(Caption()));
    Fit();
}

void TLabel::FontChanged() {
    TControl::FontChanged();
    Fit();
}

void TLabel::Fit() {
    if (!autoSize_ || Label()->wordWrap() || fitting_)
        return;
    fitting_ = true;
    const QSize s = Label()->sizeHint();
    switch (Align()) {
    case alNone: SetBounds(Left(), Top(), s.width(), s.height()); break;
    case alTop:
    case alBottom: SetHeight(s.height()); break;
    case alLeft:
    case alRight: SetWidth(s.width()); break;
    case alClient: break;
    }
    fitting_ = false;
}

// ---- TEdit ----------------------------------------------------------------------------------

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QLineEdit>()) {
    Widget()->resize(121, 21);
    QObject::connect(Edit(), &QLineEdit::textChanged, Widget(), [this] {
        if (OnChange)
            Dispatch([&] { OnChange(this); });
    });
}

QLineEdit* TEdit::Edit() const { return static_cast<QLineEdit*>(Widget()); }
std::string TEdit::Text() const { return FromQ(Edit()->text()); }
void TEdit::SetText(const std::string& text) { Edit()->setText(ToQ(text)); }
bool TEdit::ReadOnly() const { return Edit()->isReadOnly(); }
void TEdit::SetReadOnly(bool on) { Edit()->setReadOnly(on); }

// ---- TButton --------------------------------------------------------------------------------

// Reports presses and releases of any mouse button; the click comes before the release event.
class PushButton : public QPushButton {
public:
    explicit PushButton(TButton* owner) : owner_(owner) {}
    TButton* owner_;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        QPushButton::mousePressEvent(e);
        e->accept();
        const QPoint p = e->position().toPoint();
        if (owner_)
            owner_->MouseDown(ButtonOf(e->button()), ShiftOf(e), p.x(), p.y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QPointer<PushButton> self(this);
        QPushButton::mouseReleaseEvent(e);
        if (!self)
            return;
        e->accept();
        const QPoint p = e->position().toPoint();
        if (owner_)
            owner_->MouseUp(ButtonOf(e->button()), ShiftOf(e), p.x(), p.y());
    }
};

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner, NewWidget<PushButton>(this)) {
    WatchMouse(false);
    Widget()->resize(75, 25);
    QObject::connect(Button(), &QPushButton::clicked, Widget(), [this] { Click(); });
}

QPushButton* TButton::Button() const { return static_cast<QPushButton*>(Widget()); }

void TButton::SetDefault(bool on) {
    default_ = on;
    Button()->setDefault(on);
}

void TButton::Click() {
    if (modalResult_ != 0)
        if (TForm* f = FormOfControl(this))
            f->SetModalResult(modalResult_);
    TControl::Click();
}

void TButton::CaptionChanged() { Button()->setText(ToQ(Caption())); }

void TButton::FontChanged() {
    TControl::FontChanged();
    ApplyStyle();
}

void TButton::ColorChanged() { ApplyStyle(); }

void TButton::ApplyStyle() {
    QString sheet;
    if (Color() != clDefault)
        sheet += QStringLiteral(
                     "background-color: %1; border: 1px solid #707070; border-radius: 3px; "
                     "padding: 3px;")
                     .arg(ToQColor(Color()).name());
    if (Font().Color != clWindowText)
        sheet += QStringLiteral("color: %1;").arg(ToQColor(Font().Color).name());
    Button()->setStyleSheet(sheet.isEmpty() ? QString()
                                            : QStringLiteral("QPushButton { %1 }").arg(sheet));
}

// ---- TCheckBox ------------------------------------------------------------------------------

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QCheckBox>()) {
    Widget()->resize(97, 17);
    QObject::connect(CheckBox(), &QCheckBox::toggled, Widget(), [this] { Click(); });
}

QCheckBox* TCheckBox::CheckBox() const { return static_cast<QCheckBox*>(Widget()); }
bool TCheckBox::Checked() const { return CheckBox()->isChecked(); }
void TCheckBox::SetChecked(bool on) { CheckBox()->setChecked(on); }
void TCheckBox::CaptionChanged() { CheckBox()->setText(ToQ(Caption())); }

// ---- TGroupBox ------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QGroupBox>()) {
    Widget()->resize(185, 105);
    SetClickOnMouse(true);
}

QGroupBox* TGroupBox::GroupBox() const { return static_cast<QGroupBox*>(Widget()); }

void TGroupBox::CaptionChanged() { GroupBox()->setTitle(ToQ(Caption())); }

TRect TGroupBox::ClientRect() const {
    QGroupBox* g = GroupBox();
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.lineWidth = 1;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect r =
        g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxContents, g);
    return TRect{r.left() + 2, r.top() + 2, r.right() - 1, r.bottom() - 1};
}

// ---- TMemo ----------------------------------------------------------------------------------

// The lines are the widget's document, held nowhere else. Lines added in a row wait in a short
// list until the event loop hands them to the widget in one batch, so adding a line costs the
// same however long the memo is; reading flushes the batch first. With a bound the document
// drops its oldest lines, and the batch never holds more than the bound. The oldest lines go a
// tenth of the bound at a time: the widget lays its whole document out again whenever lines
// leave its start, which line by line would cost more with every line the memo holds.
class TMemo::MemoLines : public TStrings {
public:
    explicit MemoLines(QPlainTextEdit* e) : edit_(e) {}

    int Count() const override {
        Flush();
        return DocumentLines();
    }
    std::string Get(int index) const override {
        Flush();
        Check(index);
        return FromQ(Block(index).text());
    }
    void Put(int index, const std::string& s) override {
        Flush();
        Check(index);
        QTextCursor c(Block(index));
        c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        c.insertText(ToQ(s));
    }
    int Add(const std::string& s) override {
        pending_.push_back(s);
        if (max_ > 0 && pending_.size() > max_)
            pending_.pop_front();
        if (!flushQueued_) {
            flushQueued_ = true;
            QMetaObject::invokeMethod(
                edit_, [this] { Flush(); }, Qt::QueuedConnection);
        }
        const bool replaces = max_ > 0 && pending_.size() >= max_;
        const std::size_t lines =
            pending_.size() + (replaces ? 0 : static_cast<std::size_t>(DocumentLines()));
        return static_cast<int>(lines) - 1;
    }
    void Clear() override {
        pending_.clear();
        edit_->clear();
        hasLines_ = false;
    }
    void Delete(int index) override {
        Flush();
        Check(index);
        const QTextBlock block = Block(index);
        QTextCursor c(block);
        if (block.next().isValid()) {
            c.setPosition(block.next().position(), QTextCursor::KeepAnchor);
        } else if (block.previous().isValid()) {
            c.setPosition(block.previous().position() + block.previous().length() - 1);
            c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        } else {
            Clear();
            return;
        }
        c.removeSelectedText();
    }

    void SetMax(int lines) {
        max_ = lines > 0 ? static_cast<std::size_t>(lines) : 0;
        while (max_ > 0 && pending_.size() > max_)
            pending_.pop_front();
        // A bounded memo is a log: keeping what each drop removed for undo would hold every
        // line again.
        edit_->document()->setUndoRedoEnabled(max_ == 0);
        Trim(0);
    }
    int Max() const { return static_cast<int>(max_); }

    // Hands the lines added since the last flush to the widget.
    void Flush() const {
        flushQueued_ = false;
        if (pending_.empty())
            return;
        QStringList batch;
        batch.reserve(static_cast<int>(pending_.size()));
        for (const std::string& s : pending_)
            batch << ToQ(s);
        // A batch that fills the bound by itself replaces every older line.
        const bool replace = DocumentLines() == 0 || (max_ > 0 && pending_.size() >= max_);
        pending_.clear();
        if (replace)
            edit_->setPlainText(batch.join(QChar('\n')));
        else
            edit_->appendPlainText(batch.join(QChar('\n')));
        hasLines_ = true;
        Trim(max_ / 10);
        // As a memo does: the caret goes to the end of what was added, which is shown. A memo
        // not shown does so when it is shown.
        if (edit_->isVisible())
            ShowEnd();
        else
            endPending_ = true;
    }

    void ShowEnd() const {
        endPending_ = false;
        QTextCursor end(edit_->document());
        end.movePosition(QTextCursor::End);
        edit_->setTextCursor(end);
        edit_->ensureCursorVisible();
        // The newest line from its first character: the memo scrolls down, never sideways.
        edit_->horizontalScrollBar()->setValue(0);
    }
    bool EndPending() const { return endPending_; }

private:
    // Down to the bound, once the document holds more than the bound and the slack.
    void Trim(std::size_t slack) const {
        const int lines = DocumentLines();
        if (max_ == 0 || static_cast<std::size_t>(lines) <= max_ + slack)
            return;
        QTextCursor c(edit_->document());
        c.setPosition(Block(lines - static_cast<int>(max_)).position(), QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }

    // An empty document is no line, unless an empty line was added to it.
    int DocumentLines() const {
        const QTextDocument* doc = edit_->document();
        return doc->isEmpty() && !hasLines_ ? 0 : doc->blockCount();
    }
    QTextBlock Block(int index) const { return edit_->document()->findBlockByNumber(index); }
    void Check(int index) const {
        if (index < 0 || index >= DocumentLines())
            throw std::out_of_range("list index out of bounds");
    }
    QPlainTextEdit* edit_;
    mutable std::deque<std::string> pending_;
    mutable bool hasLines_ = false;
    mutable bool flushQueued_ = false;
    mutable bool endPending_ = false;
    std::size_t max_ = 0;
};

namespace {

// Runs a function when the watched widget is shown.
class ShowWatch : public QObject {
public:
    ShowWatch(QObject* parent, std::function<void()> shown)
        : QObject(parent), shown_(std::move(shown)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show)
            shown_();
        return false;
    }

private:
    std::function<void()> shown_;
};

} // namespace

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QPlainTextEdit>()) {
    Widget()->resize(185, 89);
    lines_ = std::make_unique<MemoLines>(TextEdit());
    TextEdit()->setMaximumBlockCount(0);
    showWatch_ = new ShowWatch(TextEdit(), [this] {
        if (lines_->EndPending())
            lines_->ShowEnd();
    });
    TextEdit()->installEventFilter(showWatch_);
}

TMemo::~TMemo() { delete showWatch_.data(); }

TStrings& TMemo::Lines() { return *lines_; }
void TMemo::Clear() { lines_->Clear(); }

QPlainTextEdit* TMemo::TextEdit() const { return static_cast<QPlainTextEdit*>(Widget()); }
bool TMemo::ReadOnly() const { return TextEdit()->isReadOnly(); }
void TMemo::SetReadOnly(bool on) { TextEdit()->setReadOnly(on); }

void TMemo::SetScrollBars(TScrollStyle s) {
    const bool h = s == ssHorizontal || s == ssBoth;
    const bool v = s == ssVertical || s == ssBoth;
    TextEdit()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    TextEdit()->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool on) {
    TextEdit()->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int TMemo::MaxLines() const { return lines_->Max(); }
void TMemo::SetMaxLines(int lines) { lines_->SetMax(lines); }

} // namespace ui
