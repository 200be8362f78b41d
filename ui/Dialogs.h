#pragma once
// Open and save dialogs, MessageDlg and ShowMessage; all go through the modal seam.
#include <string>

#include "ui/Classes.h"

namespace ui {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
};
using TMsgDlgButtons = unsigned;

// A box captioned "Warning", "Error", "Information", "Confirm" (or the application title
// for mtCustom) with the type's icon and the buttons; returns the modal result.
int MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx = 0);
// The message in a box captioned with the application title, one OK button.
void ShowMessage(const std::string& msg);

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}
    // True when a file was chosen; FileName is then exactly the name chosen.
    virtual bool Execute();
    const std::string& FileName() const { return fileName_; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }

protected:
    bool Run(bool save);
    std::string fileName_;
    std::string title_;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};

} // namespace ui
