#include "ui/Grab.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include "ui/Controls.h"
#include "ui/Forms.h"

namespace ui {

bool GrabToPng(TControl* control, const std::string& path, int width, int height) {
    if (!control || !control->Widget())
        return false;
    Application->Initialize();
    QWidget* w = control->Widget();
    if (width > 0 && height > 0) {
        w->setWindowState(Qt::WindowNoState);
        w->resize(width, height);
    }
    if (auto* wc = dynamic_cast<TWinControl*>(control))
        wc->Realign();
    Application->ProcessMessages();
    const QPixmap picture = w->grab();
    return picture.save(QString::fromStdString(path), "PNG");
}

} // namespace ui
