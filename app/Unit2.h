#pragma once
// The method dialog: what to determine. Created at start; no control shows it.
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

class TForm2 : public ui::TForm {
public:
    explicit TForm2(ui::TComponent* AOwner);

    ui::TRadioGroup* RadioGroup1 = nullptr; // "Что измеряем ?"

    // No item is selected when the dialog is shown.
    void FormShow(ui::TObject* Sender);
    // Picking an item closes the dialog; ItemIndex keeps the choice.
    void RadioGroup1Click(ui::TObject* Sender);
};

extern TForm2* Form2;
