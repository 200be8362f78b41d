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

} // namespace ui
