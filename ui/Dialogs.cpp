#include "ui/Dialogs.h"

#include <QFileDialog>

#include "ui/Forms.h"
#include "ui/QtBridge.h"

namespace ui {

int MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int) {
    Application->Initialize();
    ModalRequest r;
    r.kind = ModalKind::MessageBox;
    r.text = msg;
    switch (type) {
    case mtWarning:
        r.caption = "Warning";
        r.icon = ModalIcon::Warning;
        break;
    case mtError:
        r.caption = "Error";
        r.icon = ModalIcon::Error;
        break;
    case mtInformation:
        r.caption = "Information";
        r.icon = ModalIcon::Information;
        break;
    case mtConfirmation:
        r.caption = "Confirm";
        r.icon = ModalIcon::Question;
        break;
    case mtCustom:
        r.caption = Application->Title();
        r.icon = ModalIcon::None;
        break;
    }
    const std::pair<TMsgDlgBtn, int> order[] = {
        {mbYes, IDYES},     {mbNo, IDNO},       {mbOK, IDOK},        {mbCancel, IDCANCEL},
        {mbAbort, IDABORT}, {mbRetry, IDRETRY}, {mbIgnore, IDIGNORE}};
    for (const auto& [bit, id] : order)
        if (buttons & bit)
            r.buttons.push_back(id);
    if (r.buttons.empty())
        r.buttons.push_back(IDOK);
    r.defaultButton = r.buttons.front();
    return RunModal(r, [&] { return ShowRealMessageBox(r); }).button;
}

void ShowMessage(const std::string& msg) {
    Application->MessageBox(msg, Application->Title(), MB_OK);
}

bool TOpenDialog::Execute() { return Run(false); }
bool TSaveDialog::Execute() { return Run(true); }

bool TOpenDialog::Run(bool save) {
    Application->Initialize();
    ModalRequest r;
    r.kind = save ? ModalKind::SaveFile : ModalKind::OpenFile;
    r.text = title_;
    r.fileName = fileName_;
    r.buttons = {IDOK, IDCANCEL};
    const ModalAnswer a = RunModal(r, [&] {
        const QString name =
            save ? QFileDialog::getSaveFileName(nullptr, ToQ(title_), ToQ(fileName_))
                 : QFileDialog::getOpenFileName(nullptr, ToQ(title_), ToQ(fileName_));
        return ModalAnswer{name.isEmpty() ? IDCANCEL : IDOK, FromQ(name)};
    });
    if (a.button != IDOK || a.fileName.empty())
        return false;
    fileName_ = a.fileName;
    return true;
}

} // namespace ui
