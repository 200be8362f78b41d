#include "ui/Controls.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>

#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/QtBridge.h"

namespace ui {

namespace {

// Reports presses and releases on a control's widget to its mouse events.
class MouseFilter : public QObject {
public:
    MouseFilter(TControl* c, QObject* parent) : QObject(parent), control_(c) {}
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(e);
            const QPoint p = me->position().toPoint();
            if (e->type() == QEvent::MouseButtonPress) {
                leftDown_ = me->button() == Qt::LeftButton;
                control_->MouseDown(ButtonOf(me->button()), ShiftOf(me), p.x(), p.y());
            } else {
                const bool click = leftDown_ && me->button() == Qt::LeftButton &&
                                   static_cast<QWidget*>(obj)->rect().contains(p);
                leftDown_ = false;
                // The click comes before the release, as on a button.
                if (click && control_->ClickOnMouse())
                    control_->Click();
                control_->MouseUp(ButtonOf(me->button()), ShiftOf(me), p.x(), p.y());
            }
            // Forms, panels, labels and group boxes use the press up themselves, so it does
            // not travel on to their parents.
            return control_->ClickOnMouse();
        }
        return false;
    }

private:
    TControl* control_;
    bool leftDown_ = false;
};

// Realigns a windowed control's children when its client area changes size.
class ResizeFilter : public QObject {
public:
    ResizeFilter(TWinControl* c, QObject* parent) : QObject(parent), control_(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize)
            control_->Realign();
        return false;
    }

private:
    TWinControl* control_;
};

} // namespace

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner, QWidget* widget, bool ownsWidget)
    : TComponent(AOwner), widget_(widget), ownsWidget_(ownsWidget) {
    EnsureApplication();
    WatchMouse(true);
}

TControl::~TControl() {
    DestroyComponents();
    if (parent_)
        parent_->Remove(this);
    parent_ = nullptr;
    if (ownsWidget_ && widget_)
        delete widget_.data();
}

void TControl::WatchMouse(bool on) {
    if (on && !mouseFilter_ && widget_) {
        mouseFilter_ = new MouseFilter(this, widget_);
        widget_->installEventFilter(mouseFilter_);
    } else if (!on && mouseFilter_) {
        if (widget_)
            widget_->removeEventFilter(mouseFilter_);
        delete mouseFilter_;
        mouseFilter_ = nullptr;
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_ || !widget_)
        return;
    if (parent_) {
        TWinControl* old = parent_;
        old->Remove(this);
        parent_ = nullptr;
        old->Realign();
    }
    parent_ = parent;
    if (parent_) {
        parent_->PlaceWidget(this);
        parent_->Insert(this);
        ApplyVisible();
        parent_->Realign();
    } else {
        widget_->setParent(nullptr);
    }
}

int TControl::Left() const { return widget_ ? widget_->x() : 0; }
int TControl::Top() const { return widget_ ? widget_->y() : 0; }
int TControl::Width() const { return widget_ ? widget_->width() : 0; }
int TControl::Height() const { return widget_ ? widget_->height() : 0; }
void TControl::SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
void TControl::SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
void TControl::SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
void TControl::SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!widget_)
        return;
    widget_->setGeometry(left, top, std::max(0, width), std::max(0, height));
    if (parent_ && align_ != alNone)
        parent_->Realign();
    // A hidden widget gets its resize event only when shown: lay its children out now.
    if (auto* wc = dynamic_cast<TWinControl*>(this); wc && !widget_->isVisible())
        wc->Realign();
    BoundsChanged();
}

void TControl::SetAlign(TAlign align) {
    if (align == align_)
        return;
    align_ = align;
    if (parent_)
        parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    ApplyVisible();
    if (parent_ && align_ != alNone)
        parent_->Realign();
}

void TControl::ApplyVisible() {
    if (widget_ && widget_->parentWidget())
        widget_->setVisible(visible_);
}

void TControl::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (widget_)
        widget_->setEnabled(enabled);
}

void TControl::SetCaption(const std::string& caption) {
    caption_ = caption;
    CaptionChanged();
}

void TControl::SetHint(const std::string& hint) {
    if (widget_)
        widget_->setToolTip(ToQ(hint));
}

TFont TControl::Font() const {
    if (ownFont_)
        return font_;
    return parent_ ? parent_->Font() : TFont{};
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    ownFont_ = true;
    FontChanged();
}

void TControl::FontChanged() {
    if (!widget_)
        return;
    widget_->setFont(ToQFont(font_));
    QPalette pal = widget_->palette();
    const QColor c = ToQColor(font_.Color);
    pal.setColor(QPalette::WindowText, c);
    pal.setColor(QPalette::Text, c);
    pal.setColor(QPalette::ButtonText, c);
    widget_->setPalette(pal);
}

void TControl::SetColor(TColor color) {
    color_ = color;
    ColorChanged();
}

void TControl::ColorChanged() {
    if (!widget_)
        return;
    if (color_ == clDefault) {
        widget_->setAutoFillBackground(false);
        return;
    }
    QPalette pal = widget_->palette();
    pal.setColor(QPalette::Window, ToQColor(color_));
    pal.setColor(QPalette::Base, ToQColor(color_));
    widget_->setPalette(pal);
    widget_->setAutoFillBackground(true);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    popup_ = menu;
    if (!widget_)
        return;
    QObject::disconnect(widget_, &QWidget::customContextMenuRequested, nullptr, nullptr);
    if (!menu) {
        widget_->setContextMenuPolicy(Qt::DefaultContextMenu);
        return;
    }
    widget_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget_, &QWidget::customContextMenuRequested, widget_,
                     [this](const QPoint& pos) {
                         if (!popup_ || !widget_)
                             return;
                         const QPoint g = widget_->mapToGlobal(pos);
                         popup_->Popup(g.x(), g.y());
                     });
}

void TControl::Repaint() {
    if (!widget_)
        return;
    // What the control shows: its widget and the widgets inside it (a grid's cells are
    // painted by its viewport, not by its frame).
    widget_->update();
    for (QWidget* child : widget_->findChildren<QWidget*>())
        child->update();
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        Dispatch([&] { OnMouseDown(this, button, shift, x, y); });
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        Dispatch([&] { OnMouseUp(this, button, shift, x, y); });
}

void TControl::Click() {
    if (OnClick)
        Dispatch([&] { OnClick(this); });
}

// ---- TWinControl ----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner, QWidget* widget, bool ownsWidget)
    : TControl(AOwner, widget, ownsWidget) {
    WatchClient();
}

TWinControl::~TWinControl() {
    DestroyComponents();
    // Children owned elsewhere keep their widgets: take them out of this one.
    for (TControl* c : controls_) {
        c->parent_ = nullptr;
        if (c->widget_)
            c->widget_->setParent(nullptr);
    }
    controls_.clear();
}

QWidget* TWinControl::ClientWidget() const { return Widget(); }

TRect TWinControl::ClientRect() const {
    QWidget* w = ClientWidget();
    if (!w)
        return {};
    const QRect r = w->contentsRect();
    return TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

int TWinControl::ClientWidth() const { return ClientRect().Width(); }
int TWinControl::ClientHeight() const { return ClientRect().Height(); }

void TWinControl::WatchClient() {
    QWidget* w = ClientWidget();
    if (!w)
        return;
    if (resizeFilter_) {
        delete resizeFilter_;
        resizeFilter_ = nullptr;
    }
    resizeFilter_ = new ResizeFilter(this, w);
    w->installEventFilter(resizeFilter_);
}

void TWinControl::PlaceWidget(TControl* c) {
    QWidget* w = c->Widget();
    const QRect g = w->geometry();
    w->setParent(ClientWidget());
    w->setGeometry(g);
}

void TWinControl::Insert(TControl* c) {
    controls_.push_back(c);
    ControlAdded(c);
}

void TWinControl::Remove(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it != controls_.end()) {
        controls_.erase(it);
        ControlRemoved(c);
    }
}

void TWinControl::Realign() {
    if (aligning_)
        return;
    aligning_ = true;
    TRect r = ClientRect();
    auto take = [&](TAlign a) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->align_ == a && c->visible_ && c->widget_)
                list.push_back(c);
        // Stacked in the order of their positions, as placed.
        std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
            switch (a) {
            case alTop: return x->Top() < y->Top();
            case alBottom: return x->Top() + x->Height() > y->Top() + y->Height();
            case alLeft: return x->Left() < y->Left();
            case alRight: return x->Left() + x->Width() > y->Left() + y->Width();
            default: return false;
            }
        });
        return list;
    };
    auto place = [](TControl* c, int x, int y, int w, int h) {
        c->widget_->setGeometry(x, y, std::max(0, w), std::max(0, h));
        // A hidden widget gets its resize event only when shown: lay its children out now.
        if (auto* wc = dynamic_cast<TWinControl*>(c); wc && !c->widget_->isVisible())
            wc->Realign();
    };
    for (TControl* c : take(alTop)) {
        const int h = c->Height();
        place(c, r.Left, r.Top, r.Width(), h);
        r.Top += h;
    }
    for (TControl* c : take(alBottom)) {
        const int h = c->Height();
        place(c, r.Left, r.Bottom - h, r.Width(), h);
        r.Bottom -= h;
    }
    for (TControl* c : take(alLeft)) {
        const int w = c->Width();
        place(c, r.Left, r.Top, w, r.Height());
        r.Left += w;
    }
    for (TControl* c : take(alRight)) {
        const int w = c->Width();
        place(c, r.Right - w, r.Top, w, r.Height());
        r.Right -= w;
    }
    for (TControl* c : take(alClient))
        place(c, r.Left, r.Top, r.Width(), r.Height());
    aligning_ = false;
}

void TWinControl::SetFocus() {
    if (Widget())
        Widget()->setFocus(Qt::OtherFocusReason);
}

} // namespace ui
