#include "ui/ComCtrls.h"

#include <algorithm>

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QTabWidget>
#include <QToolButton>

#include "ui/Forms.h"
#include "ui/QtBridge.h"

namespace ui {

// ---- TStatusBar -----------------------------------------------------------------------------

void TStatusPanel::SetText(const std::string& text) {
    text_ = text;
    if (label_)
        label_->setText(ToQ(text));
}

void TStatusPanel::SetWidth(int w) {
    width_ = w;
    if (label_)
        label_->setFixedWidth(std::max(0, w));
}

TStatusBar::TStatusBar(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QFrame>()) {
    auto* row = new QHBoxLayout(Widget());
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(2);
    row->addStretch(1);
    Widget()->resize(200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

TStatusPanel& TStatusBar::AddPanel(int width, const std::string& text) {
    auto panel = std::make_unique<TStatusPanel>();
    auto* label = new QLabel(Widget());
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    panel->label_ = label;
    panel->SetWidth(width);
    panel->SetText(text);
    auto* row = static_cast<QHBoxLayout*>(Widget()->layout());
    row->insertWidget(row->count() - 1, label);
    panels_.push_back(std::move(panel));
    return *panels_.back();
}

// ---- TTabSheet / TPageControl ---------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QWidget>()) {}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

TSize ControlsExtent(const TWinControl* c) {
    constexpr int kMargin = 4;
    int placedW = 0, placedH = 0;   // far edges of the placed controls
    int alignedW = 0, alignedH = 0; // the top and left aligned controls' far edges
    int rightW = 0, bottomH = 0;    // controls aligned to the right and to the bottom
    int acrossW = 0, acrossH = 0;   // what aligned windowed children need across
    for (int i = 0; i < c->ControlCount(); ++i) {
        const TControl* child = c->Controls(i);
        if (!child->Visible())
            continue;
        const auto* wc = dynamic_cast<const TWinControl*>(child);
        const TSize inner = wc && child->Align() != alNone ? ControlsExtent(wc) : TSize{};
        switch (child->Align()) {
        case alNone:
            placedW = std::max(placedW, child->Left() + child->Width());
            placedH = std::max(placedH, child->Top() + child->Height());
            break;
        case alTop:
            alignedH = std::max(alignedH, child->Top() + child->Height());
            acrossW = std::max(acrossW, inner.cx);
            break;
        case alBottom:
            bottomH += child->Height();
            acrossW = std::max(acrossW, inner.cx);
            break;
        case alLeft:
            alignedW = std::max(alignedW, child->Left() + child->Width());
            acrossH = std::max(acrossH, inner.cy);
            break;
        case alRight:
            rightW += child->Width();
            acrossH = std::max(acrossH, inner.cy);
            break;
        case alClient:
            acrossW = std::max(acrossW, inner.cx);
            acrossH = std::max(acrossH, inner.cy);
            break;
        }
    }
    if (placedW > 0)
        placedW += kMargin;
    if (placedH > 0)
        placedH += kMargin;
    const int w = std::max(placedW, alignedW) + rightW;
    const int h = std::max(placedH, alignedH) + bottomH;
    return {std::max(w, acrossW), std::max(h, acrossH)};
}

// Fits a scrolling page's area whenever the part of it that shows changes size.
class ScrollWatch : public QObject {
public:
    ScrollWatch(TTabSheet* page, QObject* parent) : QObject(parent), page_(page) {}
    bool eventFilter(QObject*, QEvent* e) override;

private:
    TTabSheet* page_;
};

bool ScrollWatch::eventFilter(QObject*, QEvent* e) {
    if (e->type() == QEvent::Resize || e->type() == QEvent::Show)
        page_->FitScrolled();
    return false;
}

void TTabSheet::SetAutoScroll(bool on) {
    if (on == (scroll_ != nullptr))
        return;
    if (!on) {
        delete scroll_;
        scroll_ = nullptr;
        scrolled_ = nullptr;
        WatchClient();
        return;
    }
    auto* layout = new QVBoxLayout(Widget());
    layout->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(Widget());
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(false);
    scrolled_ = new QWidget();
    scroll_->setWidget(scrolled_);
    layout->addWidget(scroll_);
    auto* watch = new ScrollWatch(this, scroll_);
    scroll_->viewport()->installEventFilter(watch);
    WatchClient();
    FitScrolled();
}

QWidget* TTabSheet::ClientWidget() const { return scrolled_ ? scrolled_ : Widget(); }

void TTabSheet::FitScrolled() {
    if (!scroll_ || !scrolled_)
        return;
    const TSize need = ControlsExtent(this);
    const QSize shown = scroll_->viewport()->size();
    const QSize size(std::max(need.cx, shown.width()), std::max(need.cy, shown.height()));
    if (scrolled_->size() != size)
        scrolled_->resize(size);
    // A hidden area gets its resize event only when shown.
    if (!scrolled_->isVisible())
        Realign();
}

void TTabSheet::SetPageControl(TPageControl* pc) { SetParent(pc); }

int TTabSheet::PageIndex() const {
    if (!pageControl_)
        return -1;
    auto it = std::find(pageControl_->pages_.begin(), pageControl_->pages_.end(), this);
    return static_cast<int>(it - pageControl_->pages_.begin());
}

void TTabSheet::SetTabVisible(bool on) {
    tabVisible_ = on;
    if (pageControl_) {
        QTabWidget* t = pageControl_->Tabs();
        t->setTabVisible(t->indexOf(Widget()), on);
    }
}

void TTabSheet::CaptionChanged() {
    if (pageControl_) {
        QTabWidget* t = pageControl_->Tabs();
        t->setTabText(t->indexOf(Widget()), ToQ(Caption()));
    }
}

// Every page takes the size of the page on show whenever that one is resized, so the
// controls of a page never opened are laid out at the size they have when it opens.
class PageSizer : public QObject {
public:
    explicit PageSizer(TPageControl* pc) : QObject(pc->Widget()), pc_(pc) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Resize && o == pc_->Tabs()->currentWidget())
            pc_->SizePages();
        return false;
    }

private:
    TPageControl* pc_;
};

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QTabWidget>()) {
    Widget()->resize(289, 193);
    pageSizer_ = new PageSizer(this);
    QObject::connect(Tabs(), &QTabWidget::currentChanged, Widget(), [this] {
        if (TTabSheet* p = ActivePage())
            p->Realign();
        if (!settingPage_ && OnChange)
            Dispatch([&] { OnChange(this); });
    });
}

TPageControl::~TPageControl() {
    DestroyComponents();
    for (TTabSheet* p : pages_)
        p->pageControl_ = nullptr;
}

QTabWidget* TPageControl::Tabs() const { return static_cast<QTabWidget*>(Widget()); }

void TPageControl::PlaceWidget(TControl* c) {
    auto* page = dynamic_cast<TTabSheet*>(c);
    if (!page) {
        TWinControl::PlaceWidget(c);
        return;
    }
    settingPage_ = true;
    pages_.push_back(page);
    page->pageControl_ = this;
    const int i = Tabs()->addTab(page->Widget(), ToQ(page->Caption()));
    Tabs()->setTabVisible(i, page->tabVisible_);
    page->Widget()->installEventFilter(pageSizer_);
    settingPage_ = false;
    SizePages();
}

void TPageControl::SizePages() {
    QWidget* current = Tabs()->currentWidget();
    if (!current)
        return;
    const QRect g = current->geometry();
    for (TTabSheet* p : pages_) {
        QWidget* w = p->Widget();
        if (w == current || w->geometry() == g)
            continue;
        w->setGeometry(g);
        // A hidden widget gets its resize event only when shown.
        if (!w->isVisible())
            p->Realign();
    }
}

void TPageControl::ControlRemoved(TControl* c) {
    auto* page = dynamic_cast<TTabSheet*>(c);
    if (!page)
        return;
    settingPage_ = true;
    const int i = Tabs()->indexOf(page->Widget());
    if (i >= 0)
        Tabs()->removeTab(i);
    page->Widget()->removeEventFilter(pageSizer_);
    settingPage_ = false;
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    page->pageControl_ = nullptr;
}

TTabSheet* TPageControl::ActivePage() const {
    QWidget* w = Tabs()->currentWidget();
    for (TTabSheet* p : pages_)
        if (p->Widget() == w)
            return p;
    return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (!page || page->pageControl_ != this)
        return;
    settingPage_ = true;
    Tabs()->setCurrentWidget(page->Widget());
    settingPage_ = false;
}

// ---- TProgressBar ---------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QProgressBar>()) {
    Bar()->setRange(0, 100);
    Bar()->setValue(0);
    Bar()->setTextVisible(false);
    Widget()->resize(150, 16);
}

QProgressBar* TProgressBar::Bar() const { return static_cast<QProgressBar*>(Widget()); }
int TProgressBar::Min() const { return Bar()->minimum(); }
int TProgressBar::Max() const { return Bar()->maximum(); }
void TProgressBar::SetMin(int v) { Bar()->setMinimum(v); }
void TProgressBar::SetMax(int v) { Bar()->setMaximum(v); }
int TProgressBar::Position() const { return Bar()->value(); }
void TProgressBar::SetPosition(int v) { Bar()->setValue(std::clamp(v, Min(), Max())); }

// ---- TToolBar / TToolButton -----------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner, NewWidget<QFrame>()) {
    auto* row = new QHBoxLayout(Widget());
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    row->addStretch(1);
    Widget()->resize(150, 29);
    SetAlign(alTop);
}

void TToolBar::SetShowCaptions(bool on) {
    showCaptions_ = on;
    for (TToolButton* b : buttons_)
        b->ToolButton()->setToolButtonStyle(on ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
}

void TToolBar::PlaceWidget(TControl* c) {
    auto* b = dynamic_cast<TToolButton*>(c);
    if (!b) {
        TWinControl::PlaceWidget(c);
        return;
    }
    buttons_.push_back(b);
    auto* row = static_cast<QHBoxLayout*>(Widget()->layout());
    row->insertWidget(row->count() - 1, b->Widget());
}

void TToolBar::ControlRemoved(TControl* c) {
    auto* b = dynamic_cast<TToolButton*>(c);
    if (!b)
        return;
    Widget()->layout()->removeWidget(b->Widget());
    buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), b), buttons_.end());
}

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner, NewWidget<QToolButton>()) {
    ToolButton()->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolButton()->setAutoRaise(false);
    QObject::connect(ToolButton(), &QToolButton::clicked, Widget(), [this] { Click(); });
}

QToolButton* TToolButton::ToolButton() const { return static_cast<QToolButton*>(Widget()); }

void TToolButton::CaptionChanged() { ToolButton()->setText(ToQ(Caption())); }

} // namespace ui
