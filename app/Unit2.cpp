#include "app/Unit2.h"

TForm2* Form2 = nullptr;

TForm2::TForm2(ui::TComponent* AOwner) : ui::TForm(AOwner) {
    SetName("Form2");
    SetCaption("ВЫбор метода  измерения");
    ui::TFont font;
    // MS Sans Serif of the design is not on Linux: Arial (Liberation Sans) has its widths.
    font.Name = "Arial";
    font.Height = 11;
    SetFont(font);
    SetBorderStyle(ui::bsDialog, false);
    SetPosition(ui::poMainFormCenter);
    SetClientWidth(438);
    SetClientHeight(180);

    RadioGroup1 = new ui::TRadioGroup(this);
    RadioGroup1->SetName("RadioGroup1");
    RadioGroup1->SetParent(this);
    RadioGroup1->SetAlign(ui::alClient);
    RadioGroup1->SetCaption("Что измеряем ?");
    ui::TFont big = font;
    big.Height = 21;
    RadioGroup1->SetFont(big);
    RadioGroup1->Items().Add("Помутнение");
    RadioGroup1->Items().Add("Помутнение+Застывание+ПТФ");

    auto click = [this](ui::TObject* Sender) { RadioGroup1Click(Sender); };
    RadioGroup1->OnClick = click;
    OnClick = click;
    OnShow = [this](ui::TObject* Sender) { FormShow(Sender); };
}

void TForm2::FormShow(ui::TObject*) {
    RadioGroup1->SetFocus();
    RadioGroup1->SetItemIndex(-1);
}

void TForm2::RadioGroup1Click(ui::TObject*) {
    if (Form2)
        Form2->Close();
}
