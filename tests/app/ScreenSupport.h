#pragma once
// The window as the operator's screen shows it: shown at a screen's size, and what it last
// painted there (the screen's copy, not a fresh paint), with the dark pixels of a part of it.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "app/Unit1.h"
#include "ui/Forms.h"

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
