#include "ui/Graphics.h"

#include <QFontMetrics>
#include <QPainter>

#include "ui/QtBridge.h"

namespace ui {

void TCanvas::FillRect(const TRect& r) {
    if (painter_)
        painter_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(Brush.Color));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    if (!painter_)
        return;
    painter_->save();
    painter_->setFont(ToQFont(Font));
    painter_->setPen(ToQColor(Font.Color));
    const QFontMetrics fm(painter_->font());
    painter_->drawText(QPoint(x, y + fm.ascent()), ToQ(text));
    painter_->restore();
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    if (!painter_)
        return;
    painter_->save();
    painter_->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::IntersectClip);
    painter_->setFont(ToQFont(Font));
    painter_->setPen(ToQColor(Font.Color));
    const QFontMetrics fm(painter_->font());
    painter_->drawText(QPoint(x, y + fm.ascent()), ToQ(text));
    painter_->restore();
}

void TCanvas::MoveTo(int x, int y) {
    penX_ = x;
    penY_ = y;
}

void TCanvas::LineTo(int x, int y) {
    if (painter_) {
        painter_->save();
        painter_->setPen(QPen(ToQColor(Pen.Color), Pen.Width));
        painter_->drawLine(penX_, penY_, x, y);
        painter_->restore();
    }
    MoveTo(x, y);
}

int TCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(ToQFont(Font)).horizontalAdvance(ToQ(text));
}

int TCanvas::TextHeight(const std::string&) const { return QFontMetrics(ToQFont(Font)).height(); }

} // namespace ui
