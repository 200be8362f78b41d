#include "app/about.h"

TAboutBox* AboutBox = nullptr;

namespace {

ui::TLabel* Text(TAboutBox* box, ui::TWinControl* parent, const char* name, const char* text,
                 int left, int top) {
    auto* l = new ui::TLabel(box);
    l->SetName(name);
    l->SetParent(parent);
    l->SetLeft(left);
    l->SetTop(top);
    l->SetCaption(text);
    return l;
}

} // namespace

TAboutBox::TAboutBox(ui::TComponent* AOwner) : ui::TForm(AOwner) {
    SetName("AboutBox");
    SetCaption("О программе");
    ui::TFont font;
    // MS Sans Serif of the design is not on Linux: Arial (Liberation Sans) has its widths.
    font.Name = "Arial";
    font.Height = 11;
    SetFont(font);
    SetBorderStyle(ui::bsDialog);
    SetPosition(ui::poScreenCenter);
    SetClientWidth(234);
    SetClientHeight(177);

    Panel1 = new ui::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetBounds(6, 6, 222, 130);
    Panel1->SetBevelInner(ui::bvRaised);
    Panel1->SetBevelOuter(ui::bvLowered);

    // A snowflake stands for the program's icon: the analyzer finds cold points.
    ProgramIcon = Text(this, Panel1, "ProgramIcon", "\u2744", 6, 6);
    ProgramIcon->SetAutoSize(false);
    ProgramIcon->SetBounds(6, 6, 16, 16);
    ProgramIcon->SetAlignment(ui::taCenter);
    ProgramIcon->SetLayout(ui::tlCenter);
    ui::TFont icon = font;
    icon.Height = 15;
    icon.Bold = true;
    icon.Color = ui::RGB(0, 90, 200);
    ProgramIcon->SetFont(icon);

    ProductName = Text(this, Panel1, "ProductName", "Kelvane A", 28, 8);
    Version = Text(this, Panel1, "Version", "Version 3.1A  Build 09.2014", 0, 8);
    Version->SetLeft(ProductName->Left() + ProductName->Width() + 6);
    Copyright = Text(this, Panel1, "Copyright", "Orvane", 8, 40);
    Comments = Text(this, Panel1, "Comments", "Анализаторы низкотемпературных", 8, 60);
    Contact1 = Text(this, Panel1, "Contact1", "свойств дизельного топлива", 8, 78);
    Contact2 = Text(this, Panel1, "Contact2", "Сервис: через поставщика прибора", 8, 100);

    OKButton = new ui::TButton(this);
    OKButton->SetName("OKButton");
    OKButton->SetParent(this);
    OKButton->SetBounds(80, 144, 75, 25);
    OKButton->SetCaption("OK");
    OKButton->SetDefault(true);
    OKButton->OnClick = [this](ui::TObject* Sender) { OKButtonClick(Sender); };
}

void TAboutBox::OKButtonClick(ui::TObject*) { Close(); }
