#pragma once
// The About box. Created at start; only N7Click of the main window shows it, and nothing
// is bound to that.
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

class TAboutBox : public ui::TForm {
public:
    explicit TAboutBox(ui::TComponent* AOwner);

    ui::TPanel* Panel1 = nullptr;
    ui::TLabel* ProgramIcon = nullptr; // the program's 16 x 16 mark
    ui::TLabel* ProductName = nullptr; // "Kelvane A"
    ui::TLabel* Version = nullptr;     // "Version 3.1A  Build 09.2014"
    ui::TLabel* Copyright = nullptr;   // the maker's name and contact details
    ui::TLabel* Comments = nullptr;
    ui::TLabel* Contact1 = nullptr;
    ui::TLabel* Contact2 = nullptr;
    ui::TButton* OKButton = nullptr; // "OK", default

    void OKButtonClick(ui::TObject* Sender);
};

extern TAboutBox* AboutBox;
