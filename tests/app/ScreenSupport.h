#pragma once
// The window as the operator's screen shows it: shown at a screen's size, and what it last
// painted there (the screen's copy, not a fresh paint), with the dark pixels of a part of it;
// the checks both builds' windows pass on small screens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
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

// Whether the label shows its text whole: its dark pixels clear of every side, in letters of a
// readable size.
inline testing::AssertionResult ReadableIn(ui::TLabel* label) {
    const QImage img = PaintedOf(label->Widget());
    const QRect ink = InkBox(img);
    if (ink.isNull())
        return testing::AssertionFailure() << "nothing painted";
    if (ink.left() <= 0 || ink.right() >= img.width() - 1 || ink.top() <= 0 ||
        ink.bottom() >= img.height() - 1)
        return testing::AssertionFailure()
               << "cut: painted " << ink.left() << "," << ink.top() << " to " << ink.right() << ","
               << ink.bottom() << " in " << img.width() << " x " << img.height();
    if (ink.height() < 9)
        return testing::AssertionFailure() << "letters " << ink.height() << " pixels high";
    return testing::AssertionSuccess();
}

// The message line of a window bound to a device, shown at 1024 x 768 and at 800 x 560, told
// each state by a run tick: its text is readable in every one.
inline void ExpectTheMessageLineReadable(TForm1* f, std::initializer_list<std::uint8_t> states) {
    f->Timer2->SetEnabled(true);
    for (const TScreenSize& size : {k1024x768, k800x560}) {
        ShowAt(f, size);
        for (std::uint8_t state : states) {
            SCOPED_TRACE(std::string(size.name) + ", state " + std::to_string(state));
            f->FState = state;
            f->FTemperature = 5;
            f->FRecordPending = false;
            ASSERT_TRUE(f->Timer2->Tick());
            EXPECT_TRUE(ReadableIn(f->Label4)) << f->Label4->Caption();
        }
    }
}

// With the service tabs revealed and the window shown at the size, every control of every tab
// can be brought into sight (a page that does not fit scrolls) and none covers another.
inline void ExpectEveryControlOfEveryTabReachable(TForm1* f, const TScreenSize& size) {
    for (ui::TTabSheet* s : {f->TabSheet4, f->TabSheet5, f->TabSheet6})
        s->SetTabVisible(true);
    ShowAt(f, size);
    for (ui::TTabSheet* page :
         {f->TabSheet1, f->TabSheet2, f->TabSheet3, f->TabSheet4, f->TabSheet5, f->TabSheet6}) {
        SCOPED_TRACE(page->Caption());
        f->PageControl1->SetActivePage(page);
        ui::Application->ProcessMessages();
        const std::vector<ui::TControl*> controls = ControlsOn(f, page);
        EXPECT_FALSE(controls.empty());
        for (ui::TControl* c : controls)
            EXPECT_EQ(Unreachable(c, page->Widget()), "") << c->Name();
        for (ui::TControl* a : controls)
            for (ui::TControl* b : controls) {
                if (a >= b || a->Parent() != b->Parent())
                    continue;
                const QRect ra = a->Widget()->geometry(), rb = b->Widget()->geometry();
                EXPECT_FALSE(ra.intersects(rb)) << a->Name() << " and " << b->Name();
            }
    }
}

// Whether the chart's axes can be read as painted: room for a plot, and numbers (figures, not
// dots) left of it and under it.
inline testing::AssertionResult AxesReadable(ui::TChart* chart, int plotHeight) {
    QChartView* view = chart->View();
    const QImage img = PaintedOf(view);
    const QRect plot =
        view->mapFromScene(chart->Chart()->mapToScene(chart->Chart()->plotArea())).boundingRect();
    const QRect left = InkBox(img, QRect(plot.left() - 34, plot.top() - 6, 31, plot.height() + 12));
    const QRect under = InkBox(img, QRect(plot.left(), plot.bottom() + 3, plot.width(), 14));
    if (plot.height() < plotHeight || left.width() < 18 || under.height() < 6)
        return testing::AssertionFailure()
               << chart->Name() << ": plot " << plot.height() << " high, left numbers "
               << left.width() << " wide, bottom numbers " << under.height() << " high";
    return testing::AssertionSuccess();
}

// Shown at 800 x 560, the run charts keep axes whose numbers can be read (the axes do not
// collapse to ellipses).
inline void ExpectTheRunChartsReadableAt800x560(TForm1* f) {
    ShowAt(f, k800x560);
    const std::pair<ui::TTabSheet*, ui::TChart*> pages[] = {
        {f->TabSheet1, f->Chart1}, {f->TabSheet2, f->Chart2}, {f->TabSheet3, f->Chart3}};
    for (const auto& [page, chart] : pages) {
        f->PageControl1->SetActivePage(page);
        ui::Application->ProcessMessages();
        EXPECT_TRUE(AxesReadable(chart, 90));
    }
}

} // namespace apptest
