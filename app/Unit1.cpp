// The main window: its components as designed, their start-up state and the handlers bound
// to them.
#include "app/Unit1.h"

#include "app/Texts.h"

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

TForm1* Form1 = nullptr;

namespace {

using namespace ui;

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name) {
    T* c = new T(owner);
    c->SetName(name);
    if (parent)
        c->SetParent(parent);
    return c;
}

template <class T>
T* Place(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width,
         int height) {
    T* c = Make<T>(owner, parent, name);
    c->SetBounds(left, top, width, height);
    return c;
}

// A control of the design: the window's field it fills (its name and class come with it).
struct TField {
    const char* Name;
    TControl* (*Create)(TComponent* owner, void* field);
    void* Field;
};

template <class T>
TField FieldOf(const char* name, T*& field) {
    return {
        name,
        [](TComponent* owner, void* f) -> TControl* { return *static_cast<T**>(f) = new T(owner); },
        &field};
}

// The field and its name, written once.
#define FIELD(name) FieldOf(#name, name)

// Where a control stands in its parent. A width of 0 places it only (auto-sized labels).
struct TAt {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// One row of a design table.
struct TDesign {
    TField Field;
    const char* Parent = nullptr;  // the parent's name; nullptr: the window
    const char* Caption = nullptr; // the caption (an edit's text); nullptr: none
    std::optional<TAt> At{};
    TAlign Align = alNone;
    std::optional<TFont> Font{};
};

// Creates the rows' controls in order, owned by form; a parent is found by its name, so it
// comes before its children.
void CreateDesign(TForm* form, std::span<const TDesign> rows) {
    for (const TDesign& row : rows) {
        TControl* c = row.Field.Create(form, row.Field.Field);
        c->SetName(row.Field.Name);
        if (row.Parent) {
            auto* parent = dynamic_cast<TWinControl*>(form->FindComponent(row.Parent));
            if (!parent)
                throw std::logic_error(std::string("no parent ") + row.Parent);
            c->SetParent(parent);
        } else {
            c->SetParent(form);
        }
        if (row.At && row.At->Width > 0) {
            c->SetBounds(row.At->Left, row.At->Top, row.At->Width, row.At->Height);
        } else if (row.At) {
            c->SetLeft(row.At->Left);
            c->SetTop(row.At->Top);
        }
        if (row.Align != alNone)
            c->SetAlign(row.Align);
        if (row.Caption) {
            if (auto* edit = dynamic_cast<TEdit*>(c))
                edit->SetText(row.Caption);
            else
                c->SetCaption(row.Caption);
        }
        if (row.Font)
            c->SetFont(*row.Font);
    }
}

// A label that fills its parent, its text centred both ways.
void CentreLabel(TLabel* l) {
    l->SetAutoSize(false);
    l->SetAlignment(taCenter);
    l->SetLayout(tlCenter);
}

TLineSeries* MakeSeries(TComponent* owner, TChart* chart, const char* name, TColor color,
                        int width) {
    TLineSeries* s = new TLineSeries(owner);
    s->SetName(name);
    s->SetSeriesColor(color);
    s->SetLinePenWidth(width);
    s->SetParentChart(chart);
    return s;
}

void SetChartTexts(TChart* chart, const char* title, const char* foot, const char* leftAxis) {
    chart->TitleText().Clear();
    chart->TitleText().Add(title);
    chart->FootText().Clear();
    if (foot)
        chart->FootText().Add(foot);
    if (leftAxis)
        chart->SetLeftAxisTitle(leftAxis);
}

TFont FontOf(int height, bool bold = false, TColor color = clWindowText) {
    TFont f;
    f.Height = height;
    f.Bold = bold;
    f.Color = color;
    return f;
}

} // namespace

TForm1::TForm1(ui::TComponent* AOwner) : ui::TForm(AOwner) {
    const app::TTexts& t = app::RussianTexts;
    SetName("Form1");
    SetCaption(t.FormCaption);
    SetFont(FontOf(11));
    SetKeyPreview(true);
    SetBounds(268, 78, 1536, 823);
    SetWindowState(ui::wsMaximized);

    Timer1 = new ui::TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(true);
    Timer2 = new ui::TTimer(this);
    Timer2->SetName("Timer2");
    Timer2->SetInterval(1000);
    Timer2->SetEnabled(false);
    Timer3 = new ui::TTimer(this);
    Timer3->SetName("Timer3");
    Timer3->SetInterval(1000);
    Timer3->SetEnabled(false);

    CreateMenus();
    CreateBottom();
    CreateDisplays();
    CreateCharts();
    CreateJournal();
    CreateCorrectionsTab();
    CreateSystemTab();
    CreateEepromTab();
    PageControl1->SetActivePage(TabSheet3);
    BindHandlers();

    // Its construction posts the first device change, handled once the message loop runs.
    HidController = std::make_unique<hid::THidDeviceController>(this);
    HidController->OnArrival = hid::THidPlugEvent::Of<&TForm1::HidControllerArrival>(this);
    HidController->SetOnEnumerate(
        hid::THidEnumerateEvent::Of<&TForm1::HidControllerEnumerate>(this));
}

TForm1::~TForm1() {
    // An editor that closes as the window goes saves nothing: the close has saved.
    StringGrid1->OnEditingDone = nullptr;
    // The devices go back to the controller (their read threads end) before it goes.
    FreeDeviceList();
    HidController.reset();
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::CreateMenus() {
    const app::TTexts& t = app::RussianTexts;
    MainMenu1 = new ui::TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    auto item = [this](const char* name, const char* caption) {
        auto* i = new ui::TMenuItem(this);
        i->SetName(name);
        i->SetCaption(caption);
        return i;
    };
    N1 = item("N1", t.N1);
    N3 = item("N3", t.N3);
    N4 = item("N4", "---------------");
    N2 = item("N2", t.N2);
    MainMenu1->Items()->Add(N1);
    N1->Add(N3);
    N1->Add(N4);
    N1->Add(N2);
    SetMenu(MainMenu1);

    PopupMenu1 = new ui::TPopupMenu(this);
    PopupMenu1->SetName("PopupMenu1");
    N8 = item("N8", "Сохранить");
    N9 = item("N9", "Загрузить");
    PopupMenu1->Items()->Add(N8);
    PopupMenu1->Items()->Add(N9);
    PopupMenu2 = new ui::TPopupMenu(this);
    PopupMenu2->SetName("PopupMenu2");
    N10 = item("N10", "Загрузить");
    PopupMenu2->Items()->Add(N10);
    PopupMenu3 = new ui::TPopupMenu(this);
    PopupMenu3->SetName("PopupMenu3");
    N11 = item("N11", "Загрузить");
    PopupMenu3->Items()->Add(N11);

    OpenDialog1 = new ui::TOpenDialog(this);
    OpenDialog1->SetName("OpenDialog1");
    SaveDialog1 = new ui::TSaveDialog(this);
    SaveDialog1->SetName("SaveDialog1");
}

void TForm1::CreateBottom() {
    const app::TTexts& t = app::RussianTexts;
    const TDesign design[] = {
        {.Field = FIELD(StatusBar1), .At = TAt{0, 745, 1520, 19}, .Align = alBottom},
        {.Field = FIELD(Panel4), .At = TAt{0, 692, 1520, 53}, .Align = alBottom},
        {.Field = FIELD(BitBtn3),
         .Parent = "Panel4",
         .Caption = t.BitBtn3,
         .At = TAt{16, 8, 160, 37},
         .Font = FontOf(19, true)},
        {.Field = FIELD(BitBtn2),
         .Parent = "Panel4",
         .Caption = t.BitBtn2,
         .At = TAt{192, 8, 160, 37},
         .Font = FontOf(19, true, clRed)},
        {.Field = FIELD(BitBtn1),
         .Parent = "Panel4",
         .Caption = t.BitBtn1,
         .At = TAt{368, 8, 160, 37},
         .Font = FontOf(19, true, clGreen)},
        {.Field = FIELD(Panel3), .At = TAt{1247, 0, 273, 692}, .Align = alRight},
        {.Field = FIELD(Panel1), .At = TAt{0, 0, 1247, 692}, .Align = alClient},
        {.Field = FIELD(Panel2), .Parent = "Panel1", .At = TAt{1, 1, 1245, 32}, .Align = alTop},
        {.Field = FIELD(Label4),
         .Parent = "Panel2",
         .Caption = "",
         .Align = alClient,
         .Font = FontOf(19, true)},
    };
    CreateDesign(this, design);
    for (int w : {300, 300, 100, 100, 50})
        StatusBar1->AddPanel(w);
    BitBtn1->SetDefault(true);
    CentreLabel(Label4);
    // A long message on a small screen: smaller letters or two lines, never cut.
    Label4->SetFitText(true);
}

void TForm1::CreateDisplays() {
    // Each display is a group with one label filling it.
    const app::TTexts& t = app::RussianTexts;
    const TDesign design[] = {
        {.Field = FIELD(GroupBox1),
         .Parent = "Panel3",
         .Caption = t.GroupBox1,
         .At = TAt{1, 1, 271, 96},
         .Align = alTop},
        {.Field = FIELD(Label1),
         .Parent = "GroupBox1",
         .Caption = "0",
         .Align = alClient,
         .Font = FontOf(44, true)},
        {.Field = FIELD(GroupBox4),
         .Parent = "Panel3",
         .Caption = t.GroupBox4,
         .At = TAt{1, 97, 271, 96},
         .Align = alTop},
        {.Field = FIELD(Label5),
         .Parent = "GroupBox4",
         .Caption = "0",
         .Align = alClient,
         .Font = FontOf(44)},
        {.Field = FIELD(GroupBox2),
         .Parent = "Panel3",
         .Caption = t.GroupBox2,
         .At = TAt{1, 193, 271, 80},
         .Align = alTop},
        {.Field = FIELD(Label2),
         .Parent = "GroupBox2",
         .Caption = "?",
         .Align = alClient,
         .Font = FontOf(32, true)},
        {.Field = FIELD(GroupBox3),
         .Parent = "Panel3",
         .Caption = t.GroupBox3,
         .At = TAt{1, 273, 271, 80},
         .Align = alTop},
        {.Field = FIELD(Label3),
         .Parent = "GroupBox3",
         .Caption = "?",
         .Align = alClient,
         .Font = FontOf(32, true, clRed)},
        {.Field = FIELD(GroupBox5),
         .Parent = "Panel3",
         .Caption = t.GroupBox5,
         .At = TAt{1, 353, 271, 80},
         .Align = alTop},
        {.Field = FIELD(Label6),
         .Parent = "GroupBox5",
         .Caption = "?",
         .Align = alClient,
         .Font = FontOf(32, true)},
    };
    CreateDesign(this, design);
    for (TLabel* l : {Label1, Label5, Label2, Label3, Label6})
        CentreLabel(l);
}

void TForm1::CreateCharts() {
    const app::TTexts& t = app::RussianTexts;
    PageControl1 = Place<ui::TPageControl>(this, Panel1, "PageControl1", 1, 33, 1245, 400);
    PageControl1->SetAlign(ui::alClient);
    auto sheet = [this](const char* name, const char* caption) {
        auto* s = Make<ui::TTabSheet>(this, nullptr, name);
        s->SetPageControl(PageControl1);
        s->SetCaption(caption);
        return s;
    };
    TabSheet1 = sheet("TabSheet1", t.TabSheet1);
    TabSheet2 = sheet("TabSheet2", t.TabSheet2);
    TabSheet3 = sheet("TabSheet3", t.TabSheet3);
    TabSheet4 = sheet("TabSheet4", "Коррекции");
    TabSheet5 = sheet("TabSheet5", "Системная");
    TabSheet6 = sheet("TabSheet6", "eeprom");
    for (ui::TTabSheet* s : {TabSheet4, TabSheet5, TabSheet6}) {
        s->SetTabVisible(false);
        // On a small screen a service page scrolls rather than cutting its controls.
        s->SetAutoScroll(true);
    }

    auto chart = [this](const char* name, ui::TTabSheet* sheet) {
        auto* c = Make<ui::TChart>(this, sheet, name);
        c->SetAlign(ui::alClient);
        return c;
    };
    Chart1 = chart("Chart1", TabSheet1);
    SetChartTexts(Chart1, t.Chart1Title, t.Chart1Foot, t.Chart1LeftAxis);
    Chart1->SetPopupMenu(PopupMenu1);
    Series1 = MakeSeries(this, Chart1, "Series1", ui::clRed, 3);
    Series4 = MakeSeries(this, Chart1, "Series4", ui::clGreen, 2);

    Chart2 = chart("Chart2", TabSheet2);
    SetChartTexts(Chart2, t.Chart2Title, t.Chart2Foot, t.Chart2LeftAxis);
    Chart2->SetPopupMenu(PopupMenu1);
    Series2 = MakeSeries(this, Chart2, "Series2", 10485760, 3);
    Series3 = MakeSeries(this, Chart2, "Series3", ui::clRed, 3);

    Chart3 = chart("Chart3", TabSheet3);
    SetChartTexts(Chart3, t.Chart3Title, t.Chart3Foot, t.Chart3LeftAxis);
    Chart3->SetPopupMenu(PopupMenu2);
    Series5 = MakeSeries(this, Chart3, "Series5", ui::clRed, 2);
    Series6 = MakeSeries(this, Chart3, "Series6", ui::clBlue, 2);
}

void TForm1::CreateJournal() {
    const app::TTexts& t = app::RussianTexts;
    const TDesign design[] = {
        {.Field = FIELD(ToolBar1),
         .Parent = "Panel1",
         .At = TAt{1, 652, 1245, 39},
         .Align = alBottom},
        {.Field = FIELD(ToolButton4), .Parent = "ToolBar1", .Caption = t.ToolButton4},
        {.Field = FIELD(ToolButton2), .Parent = "ToolBar1", .Caption = t.ToolButton2},
        {.Field = FIELD(ToolButton1), .Parent = "ToolBar1", .Caption = t.ToolButton1},
        {.Field = FIELD(StringGrid1),
         .Parent = "Panel1",
         .At = TAt{1, 433, 1245, 219},
         .Align = alBottom,
         .Font = FontOf(11)},
        {.Field = FIELD(Web), .Parent = "Panel1", .At = TAt{0, 0, 1, 1}},
        {.Field = FIELD(WebBrowser1), .Parent = "Panel1", .At = TAt{1, 0, 1, 1}},
    };
    CreateDesign(this, design);
    ToolBar1->SetShowCaptions(true);
    StringGrid1->SetColCount(6);
    StringGrid1->SetRowCount(2);
    StringGrid1->SetFixedCols(0);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetOptions(ui::TGridOptions()
                            << ui::goFixedVertLine << ui::goFixedHorzLine << ui::goVertLine
                            << ui::goHorzLine << ui::goRangeSelect << ui::goDrawFocusSelected
                            << ui::goColSizing << ui::goEditing);
    StringGrid1->SetScrollBars(ui::ssVertical);
}

// The design rows of the parameter groups, from the parameter table: five columns of groups
// (194 x 80, 198 apart) in rows 84 apart. A group's read button stands at (122, 16), its write
// button at (122, 46); one value fills the group's left, two have labels "К=" and "B=", the
// three PID terms stand in a column with their labels and the group's fourth label.
namespace {

std::vector<TDesign> ParameterGroupRows(TForm1& f) {
    const TAt readAt{122, 16, 66, 25}, writeAt{122, 46, 66, 25}, valueAt{6, 33, 110, 21};
    std::vector<TDesign> rows;
    const auto groups = core::ParameterTable<TForm1>();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const core::TParameterGroup<TForm1>& group = groups[g];
        const char* box = group.Box.Name;
        const int column = static_cast<int>(g % 5), row = static_cast<int>(g / 5);
        rows.push_back({.Field = FieldOf(box, f.*group.Box.Field),
                        .Parent = "TabSheet4",
                        .Caption = group.Caption,
                        .At = TAt{4 + 198 * column, 4 + 84 * row, 194, 80}});
        for (std::size_t v = 0; v < group.Count; ++v) {
            const core::TParameterValue<TForm1>& value = group.Values[v];
            const int i = static_cast<int>(v);
            if (value.Label.Name)
                rows.push_back(
                    {.Field = FieldOf(value.Label.Name, f.*value.Label.Field),
                     .Parent = box,
                     .Caption = value.LabelText,
                     .At = group.Count == 3 ? TAt{4, 17 + 22 * i} : TAt{6, 21 + 30 * i}});
            const TAt at = group.Count == 1   ? valueAt
                           : group.Count == 2 ? TAt{26, 18 + 30 * i, 90, 21}
                                              : TAt{54, 14 + 22 * i, 64, 21};
            rows.push_back({.Field = FieldOf(value.Edit.Name, f.*value.Edit.Field),
                            .Parent = box,
                            .Caption = value.Text,
                            .At = at});
        }
        if (group.OtherLabel.Name)
            rows.push_back({.Field = FieldOf(group.OtherLabel.Name, f.*group.OtherLabel.Field),
                            .Parent = box,
                            .Caption = group.OtherLabelText,
                            .At = TAt{124, 61}});
        const bool column3 = group.Count == 3;
        rows.push_back({.Field = FieldOf(group.Read.Name, f.*group.Read.Field),
                        .Parent = box,
                        .Caption = "Читать",
                        .At = column3 ? TAt{122, 10, 66, 25} : readAt});
        rows.push_back({.Field = FieldOf(group.Write.Name, f.*group.Write.Field),
                        .Parent = box,
                        .Caption = group.WriteText,
                        .At = column3 ? TAt{122, 35, 66, 25} : writeAt});
    }
    return rows;
}

} // namespace

void TForm1::CreateCorrectionsTab() {
    // The parameter groups, then the last row's other controls and the hex log under them.
    CreateDesign(this, ParameterGroupRows(*this));
    const TDesign design[] = {
        {.Field = FIELD(GroupBox22),
         .Parent = "TabSheet4",
         .Caption = "Работа с 18f4550",
         .At = TAt{400, 172, 194, 80}},
        {.Field = FIELD(pic18f4550),
         .Parent = "GroupBox22",
         .Caption = "EEPROM 18f4550",
         .At = TAt{6, 33, 112, 21}},
        {.Field = FIELD(Button27),
         .Parent = "GroupBox22",
         .Caption = "Прочитать",
         .At = TAt{122, 31, 66, 25}},

        // The fourth and fifth columns of the last row hold loose controls.
        {.Field = FIELD(Button1),
         .Parent = "TabSheet4",
         .Caption = "Применить",
         .At = TAt{602, 188, 90, 25}},
        {.Field = FIELD(Button17),
         .Parent = "TabSheet4",
         .Caption = "Сброс!",
         .At = TAt{602, 220, 90, 25}},
        {.Field = FIELD(Edit10),
         .Parent = "TabSheet4",
         .Caption = "200",
         .At = TAt{800, 190, 80, 21}},
        {.Field = FIELD(Button18),
         .Parent = "TabSheet4",
         .Caption = "CCPR1L",
         .At = TAt{800, 220, 80, 25}},

        {.Field = FIELD(Memo1),
         .Parent = "TabSheet4",
         .At = TAt{4, 260, 1237, 120},
         .Align = alBottom},
    };
    CreateDesign(this, design);
    // GroupBox20's hint "Температура нагрева испарителя или нагрев ячейки" is never shown.
    pic18f4550->SetChecked(false);
    Memo1->SetScrollBars(ui::ssVertical);
    Memo1->SetWordWrap(false);
    // The most recent lines only: a working day of status reports (three lines each, one a
    // second for 8 hours) and more; the oldest lines go.
    Memo1->SetMaxLines(100000);
}

void TForm1::CreateSystemTab() {
    const TDesign design[] = {
        {.Field = FIELD(Chart4), .Parent = "TabSheet5", .At = TAt{0, 0, 1237, 195}, .Align = alTop},
        {.Field = FIELD(Button28), .Parent = "Chart4", .Caption = "clear", .At = TAt{8, 8, 75, 25}},
        {.Field = FIELD(Chart5),
         .Parent = "TabSheet5",
         .At = TAt{0, 195, 1237, 195},
         .Align = alClient},
        {.Field = FIELD(Button13),
         .Parent = "Chart5",
         .Caption = "Очистить",
         .At = TAt{8, 8, 75, 25}},
    };
    CreateDesign(this, design);
    SetChartTexts(Chart4, "TChart", nullptr, nullptr);
    Series7 = MakeSeries(this, Chart4, "Series7", ui::clRed, 2);
    SetChartTexts(Chart5, "TChart", nullptr, nullptr);
    Series8 = MakeSeries(this, Chart5, "Series8", ui::clRed, 1);
    Series8->SetTitle("dT");
}

void TForm1::CreateEepromTab() {
    // The tools on the left (they fit the page of a maximized window on a 1024 x 768
    // screen), the dump grid in the rest of the page.
    const TDesign design[] = {
        {.Field = FIELD(Panel5), .Parent = "TabSheet6", .At = TAt{0, 0, 312, 400}, .Align = alLeft},
        {.Field = FIELD(Label30),
         .Parent = "Panel5",
         .Caption = "Микросхема(Control, 160,162)",
         .At = TAt{8, 7}},
        {.Field = FIELD(control), .Parent = "Panel5", .Caption = "160", .At = TAt{200, 4, 80, 21}},

        {.Field = FIELD(GroupBox23),
         .Parent = "Panel5",
         .Caption = "Работа с одним байтом",
         .At = TAt{4, 28, 300, 94}},
        {.Field = FIELD(Label31),
         .Parent = "GroupBox23",
         .Caption = "Адрес(0-65536)",
         .At = TAt{8, 19}},
        {.Field = FIELD(adr_one_byte),
         .Parent = "GroupBox23",
         .Caption = "55",
         .At = TAt{120, 16, 80, 21}},
        {.Field = FIELD(Label32),
         .Parent = "GroupBox23",
         .Caption = "Данные(0-255)",
         .At = TAt{8, 43}},
        {.Field = FIELD(data_one_byte),
         .Parent = "GroupBox23",
         .Caption = "55",
         .At = TAt{120, 40, 80, 21}},
        {.Field = FIELD(Button21),
         .Parent = "GroupBox23",
         .Caption = "Записать",
         .At = TAt{8, 66, 90, 25}},
        {.Field = FIELD(Button22),
         .Parent = "GroupBox23",
         .Caption = "Читать",
         .At = TAt{110, 66, 90, 25}},

        {.Field = FIELD(GroupBox24),
         .Parent = "Panel5",
         .Caption = "Чтение массива",
         .At = TAt{4, 124, 300, 94}},
        {.Field = FIELD(start_adress_32),
         .Parent = "GroupBox24",
         .Caption = "0",
         .At = TAt{8, 18, 80, 21}},
        {.Field = FIELD(Button20),
         .Parent = "GroupBox24",
         .Caption = "читать 32 байта с адреса",
         .At = TAt{96, 16, 196, 25}},
        {.Field = FIELD(Button23),
         .Parent = "GroupBox24",
         .Caption = "Все читать",
         .At = TAt{8, 44, 120, 25}},
        {.Field = FIELD(Progress), .Parent = "GroupBox24", .At = TAt{8, 72, 284, 18}},

        {.Field = FIELD(GroupBox25),
         .Parent = "Panel5",
         .Caption = "Запись массива",
         .At = TAt{4, 220, 300, 116}},
        {.Field = FIELD(Label33), .Parent = "GroupBox25", .Caption = "Адрес", .At = TAt{8, 19}},
        {.Field = FIELD(Edit14),
         .Parent = "GroupBox25",
         .Caption = "0",
         .At = TAt{160, 16, 80, 21}},
        {.Field = FIELD(Label34),
         .Parent = "GroupBox25",
         .Caption = "Размер массива(0-60)",
         .At = TAt{8, 43}},
        {.Field = FIELD(Edit15),
         .Parent = "GroupBox25",
         .Caption = "32",
         .At = TAt{160, 40, 80, 21}},
        {.Field = FIELD(Label35), .Parent = "GroupBox25", .Caption = "Значение", .At = TAt{8, 67}},
        {.Field = FIELD(Edit16),
         .Parent = "GroupBox25",
         .Caption = "255",
         .At = TAt{160, 64, 80, 21}},
        {.Field = FIELD(Button24),
         .Parent = "GroupBox25",
         .Caption = "Записать",
         .At = TAt{8, 88, 90, 25}},
        {.Field = FIELD(Button25),
         .Parent = "GroupBox25",
         .Caption = "Удалить все",
         .At = TAt{110, 88, 110, 25}},

        {.Field = FIELD(StringGrid2),
         .Parent = "TabSheet6",
         .At = TAt{312, 0, 640, 400},
         .Align = alClient},
    };
    CreateDesign(this, design);
    Panel5->SetBevelOuter(ui::bvNone);
    Progress->SetMin(0);
    Progress->SetMax(65536);
    StringGrid2->SetColCount(core::kDumpGridColumns);
    StringGrid2->SetRowCount(core::kDumpGridRows);
    StringGrid2->SetFixedCols(1);
    StringGrid2->SetFixedRows(1);
    StringGrid2->SetDefaultColWidth(32);
    StringGrid2->SetColWidths(0, 56);
    StringGrid2->SetOptions(ui::TGridOptions()
                            << ui::goFixedVertLine << ui::goFixedHorzLine << ui::goVertLine
                            << ui::goHorzLine << ui::goRangeSelect);
}

void TForm1::BindHandlers() {
    using ui::TObject;
    auto notify = [this](void (TForm1::*fn)(TObject*)) {
        return [this, fn](TObject* Sender) { (this->*fn)(Sender); };
    };

    OnCreate = notify(&TForm1::FormCreate);
    OnResize = notify(&TForm1::FormResize);
    OnClose = [this](TObject* Sender, ui::TCloseAction& Action) { FormClose(Sender, Action); };
    OnKeyPress = [this](TObject* Sender, char16_t& Key) { FormKeyPress(Sender, Key); };

    Timer1->OnTimer = notify(&TForm1::Timer1Timer);
    Timer2->OnTimer = notify(&TForm1::Timer2Timer);
    Timer3->OnTimer = notify(&TForm1::Timer3Timer);

    BitBtn1->OnClick = notify(&TForm1::BitBtn1Click);
    BitBtn2->OnClick = notify(&TForm1::BitBtn2Click);
    BitBtn3->OnClick = notify(&TForm1::BitBtn3Click);
    BitBtn3->OnMouseDown = [this](TObject* Sender, ui::TMouseButton Button, ui::TShiftState Shift,
                                  int X, int Y) { BitBtn3MouseDown(Sender, Button, Shift, X, Y); };
    BitBtn3->OnMouseUp = [this](TObject* Sender, ui::TMouseButton Button, ui::TShiftState Shift,
                                int X, int Y) { BitBtn3MouseUp(Sender, Button, Shift, X, Y); };

    N3->OnClick = notify(&TForm1::N3Click);
    N2->OnClick = notify(&TForm1::N2Click);
    N8->OnClick = notify(&TForm1::N8Click);
    N9->OnClick = notify(&TForm1::N9Click);
    N10->OnClick = notify(&TForm1::N10Click);
    N11->OnClick = notify(&TForm1::N11Click);

    ToolButton1->OnClick = notify(&TForm1::ToolButton1Click);
    ToolButton2->OnClick = notify(&TForm1::ToolButton2Click);
    ToolButton4->OnClick = notify(&TForm1::ToolButton4Click);
    StringGrid1->OnClick = notify(&TForm1::StringGrid1Click);
    StringGrid1->OnDrawCell = [this](TObject* Sender, int ACol, int ARow, const ui::TRect& Rect,
                                     ui::TGridDrawState State) {
        StringGrid1DrawCell(Sender, ACol, ARow, Rect, State);
    };
    StringGrid1->OnSelectCell = [this](TObject* Sender, int ACol, int ARow, bool& CanSelect) {
        StringGrid1SelectCell(Sender, ACol, ARow, CanSelect);
    };
    StringGrid1->OnEditingDone = notify(&TForm1::StringGrid1EditingDone);

    auto navigated = [this](TObject* Sender, const std::string& URL) {
        WebNavigateComplete2(Sender, URL);
    };
    Web->OnNavigateComplete2 = navigated;
    WebBrowser1->OnNavigateComplete2 = navigated;

    const std::pair<ui::TButton*, void (TForm1::*)(TObject*)> buttons[] = {
        {Button2, &TForm1::Button2Click},   {Button3, &TForm1::Button3Click},
        {Button5, &TForm1::Button5Click},   {Button7, &TForm1::Button7Click},
        {Button14, &TForm1::Button14Click}, {Button15, &TForm1::Button15Click},
        {Button16, &TForm1::Button16Click}, {Button19, &TForm1::Button19Click},
        {Button29, &TForm1::Button29Click}, {Button31, &TForm1::Button31Click},
        {Button33, &TForm1::Button33Click}, {Button35, &TForm1::Button35Click},
        {Button4, &TForm1::Button4Click},   {Button6, &TForm1::Button6Click},
        {Button8, &TForm1::Button8Click},   {Button9, &TForm1::Button9Click},
        {Button10, &TForm1::Button10Click}, {Button11, &TForm1::Button11Click},
        {Button12, &TForm1::Button12Click}, {Button26, &TForm1::Button26Click},
        {Button30, &TForm1::Button30Click}, {Button32, &TForm1::Button32Click},
        {Button34, &TForm1::Button34Click}, {Button36, &TForm1::Button36Click},
        {Button1, &TForm1::Button1Click},   {Button17, &TForm1::Button17Click},
        {Button18, &TForm1::Button18Click}, {Button20, &TForm1::Button20Click},
        {Button21, &TForm1::Button21Click}, {Button22, &TForm1::Button22Click},
        {Button23, &TForm1::Button23Click}, {Button25, &TForm1::Button25Click},
        {Button27, &TForm1::Button27Click}, {Button28, &TForm1::Button28Click},
        {Button13, &TForm1::Button13Click},
    };
    for (const auto& [button, fn] : buttons)
        button->OnClick = notify(fn);
    // Button24 "Записать" of "Запись массива" has no handler.
}

#undef FIELD
