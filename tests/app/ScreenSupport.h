#pragma once
// The window as the operator's screen shows it: shown at a screen's size, and what it last
// painted there (the screen's copy, not a fresh paint), with the dark pixels of a part of it.
#include <QApplication>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <string>
#include <vector>
#include <QKeyEvent>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "app/Unit1.h"
#include "ui/Forms.h"

// The controls of the window whose widgets are on the page, shown.
inline std::vector<ui::TControl*> ControlsOn(TForm1* f, const ui::TTabSheet* page) {
    std::vector<ui::TControl*> out;
    for (int i = 0; i < f->ComponentCount(); ++i) {
        auto* c = dynamic_cast<ui::TControl*>(f->Components(i));
        if (c && c != page && c->Widget() && page->Widget()->isAncestorOf(c->Widget()) &&
            c->Widget()->isVisibleTo(page->Widget()) && c->Width() > 1 && c->Height() > 1)
            out.push_back(c);
    }
    return out;
}

// Scrolls the area so that as much of w as its part on show can hold is in sight.
inline void BringIntoSight(QScrollArea* area, QWidget* w) {
    const QRect r(w->mapTo(area->widget(), QPoint(0, 0)), w->size());
    auto bring = [](QScrollBar* bar, int from, int to, int shown) {
        int v = bar->value();
        if (to > v + shown)
            v = to - shown;
        if (from < v)
            v = from;
        bar->setValue(v);
    };
    bring(area->horizontalScrollBar(), r.left(), r.right() + 1, area->viewport()->width());
    bring(area->verticalScrollBar(), r.top(), r.bottom() + 1, area->viewport()->height());
}

// Empty when every part of the control can be brought into sight on its page: scrolled to
// where a page scrolls, no widget between it and the page cuts it. Otherwise what cuts it.
inline std::string Unreachable(const ui::TControl* c, const QWidget* page) {
    QWidget* w = c->Widget();
    for (QWidget* p = w->parentWidget(); p && p != page; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p))
            BringIntoSight(area, w);
    ui::Application->ProcessMessages();
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        // A scrolling area is seen part by part: its whole scrolled extent counts.
        auto* area = qobject_cast<QScrollArea*>(p->parentWidget());
        const QWidget* within = area && area->viewport() == p ? area->widget() : p;
        const QRect r(w->mapTo(within, QPoint(0, 0)), w->size());
        if (!within->rect().contains(r))
            return "cut at " + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
                   std::to_string(r.width()) + " x " + std::to_string(r.height()) + " by " +
                   std::string(within->metaObject()->className()) + " " +
                   std::to_string(within->width()) + " x " + std::to_string(within->height());
        if (within != p) {
            w = area; // the area as a whole inside its parents
            p = area;
        }
        if (p == page)
            break;
    }
    return {};
}

// The platform's own delivery of a key press: shortcuts first (QtGui's, as the key
// simulation of Qt's test library uses it).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace apptest {

// The client area of a window maximized on a screen of that size under a window manager
// with a title bar of 19 pixels.
struct TScreenSize {
    const char* name;
    int width;
    int height;
};
inline constexpr TScreenSize k1024x768{"1024 x 768", 1024, 749};
inline constexpr TScreenSize k800x560{"800 x 560", 800, 541};

// Shows the window at the size and lets it lay itself out and paint.
inline void ShowAt(TForm1* f, const TScreenSize& size) {
    f->SetWindowState(ui::wsNormal);
    f->Show();
    f->SetBounds(0, 0, size.width, size.height);
    ui::Application->ProcessMessages();
    ui::Application->ProcessMessages();
}

// What the window last painted of the widget.
inline QImage PaintedOf(const QWidget* w) {
    ui::Application->ProcessMessages();
    QWidget* window = w->window();
    const QImage all = window->screen()->grabWindow(window->winId()).toImage();
    return all.copy(QRect(w->mapTo(window, QPoint(0, 0)), w->size()));
}

// The smallest rectangle of area holding every dark pixel of the picture (null: none).
inline QRect InkBox(const QImage& img, QRect area = {}) {
    if (area.isNull())
        area = img.rect();
    area &= img.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < 110)
                box |= QRect(x, y, 1, 1);
    return box;
}

// One key pressed or released as the keyboard delivers it: to the focused widget of the
// window (the window itself when none), shortcuts tried first on a press.
inline void Key(TForm1* f, bool press, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                const QString& text = QString()) {
    QWidget* w = QApplication::focusWidget();
    if (QWidget* popup = QApplication::activePopupWidget())
        w = popup;
    if (!w)
        w = f->Widget();
    static ulong time = 1;
    ++time;
    if (press && qt_sendShortcutOverrideEvent(w, time, key, mods, text))
        return;
    QKeyEvent e(press ? QEvent::KeyPress : QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(w, &e);
    ui::Application->ProcessMessages();
}

// A key typed: pressed and released.
inline void TypeKey(TForm1* f, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString& text = QString()) {
    Key(f, true, key, mods, text);
    Key(f, false, key, mods, text);
}

} // namespace apptest
