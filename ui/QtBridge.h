#pragma once
// Conversions between the window layer's values and Qt's (used inside ui/ only).
#include <string>

#include <QColor>
#include <QFont>
#include <QMouseEvent>
#include <QString>

#include "ui/Controls.h"
#include "ui/Graphics.h"
#include "ui/Modal.h"

namespace ui {

void EnsureApplication();

// The real box for a message-box request (Forms.cpp).
ModalAnswer ShowRealMessageBox(const ModalRequest& r);

inline QString ToQ(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string FromQ(const QString& s) { return s.toStdString(); }

inline QColor ToQColor(TColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

inline QFont ToQFont(const TFont& f) {
    QFont q(ToQ(f.Name));
    q.setPixelSize(f.Height > 0 ? f.Height : 11);
    q.setBold(f.Bold);
    q.setItalic(f.Italic);
    q.setUnderline(f.Underline);
    return q;
}

// The mouse button and the shift state of a mouse event.
inline TMouseButton ButtonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
    }
}

inline TShiftState ShiftOf(const QMouseEvent* e) {
    TShiftState s = 0;
    const auto m = e->modifiers();
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    const auto b = e->buttons() | e->button();
    if (b & Qt::LeftButton)
        s |= ssLeft;
    if (b & Qt::RightButton)
        s |= ssRight;
    if (b & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

// Widgets are made only once the Qt application exists.
template <class W, class... A>
W* NewWidget(A&&... args) {
    EnsureApplication();
    return new W(std::forward<A>(args)...);
}

} // namespace ui
