#include "ui/ComCtrls.h"

#include <algorithm>

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
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
