// The main window: its components as designed, their start-up state and the handlers bound
// to them.
#include "app/Unit1.h"

#include "app/Texts.h"

#include <string_view>
#include <tuple>
#include <utility>

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

TLabel* MakeLabel(TComponent* owner, TWinControl* parent, const char* name, const char* text,
                int left, int top) {
    TLabel* l = Make<TLabel>(owner, parent, name);
    l->SetLeft(left);
    l->SetTop(top);
    l->SetCaption(text);
    return l;
}

TEdit* MakeEdit(TComponent* owner, TWinControl* parent, const char* name, const char* text,
            int left, int top, int width = 100) {
    TEdit* e = Place<TEdit>(owner, parent, name, left, top, width, 21);
    e->SetText(text);
    return e;
}

TButton* MakeButton(TComponent* owner, TWinControl* parent, const char* name, const char* text,
                int left, int top, int width = 75) {
    TButton* b = Place<TButton>(owner, parent, name, left, top, width, 25);
    b->SetCaption(text);
    return b;
}

TGroupBox* MakeGroup(TComponent* owner, TWinControl* parent, const char* name, const char* text,
                 int left, int top, int width, int height) {
    TGroupBox* g = Place<TGroupBox>(owner, parent, name, left, top, width, height);
    g->SetCaption(text);
    return g;
}

TLineSeries* MakeSeries(TComponent* owner, TChart* chart, const char* name, TColor color, int width) {
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
    StatusBar1 = Place<ui::TStatusBar>(this, this, "StatusBar1", 0, 745, 1520, 19);
    StatusBar1->SetAlign(ui::alBottom);
    for (int w : {300, 300, 100, 100, 50})
        StatusBar1->AddPanel(w);

    Panel4 = Place<ui::TPanel>(this, this, "Panel4", 0, 692, 1520, 53);
    Panel4->SetAlign(ui::alBottom);
    BitBtn3 = Place<ui::TBitBtn>(this, Panel4, "BitBtn3", 16, 8, 160, 37);
    BitBtn3->SetCaption(t.BitBtn3);
    BitBtn3->SetFont(FontOf(19, true));
    BitBtn2 = Place<ui::TBitBtn>(this, Panel4, "BitBtn2", 192, 8, 160, 37);
    BitBtn2->SetCaption(t.BitBtn2);
    BitBtn2->SetFont(FontOf(19, true, ui::clRed));
    BitBtn1 = Place<ui::TBitBtn>(this, Panel4, "BitBtn1", 368, 8, 160, 37);
    BitBtn1->SetCaption(t.BitBtn1);
    BitBtn1->SetFont(FontOf(19, true, ui::clGreen));
    BitBtn1->SetDefault(true);

    Panel3 = Place<ui::TPanel>(this, this, "Panel3", 1247, 0, 273, 692);
    Panel3->SetAlign(ui::alRight);
    Panel1 = Place<ui::TPanel>(this, this, "Panel1", 0, 0, 1247, 692);
    Panel1->SetAlign(ui::alClient);

    Panel2 = Place<ui::TPanel>(this, Panel1, "Panel2", 1, 1, 1245, 32);
    Panel2->SetAlign(ui::alTop);
    Label4 = Make<ui::TLabel>(this, Panel2, "Label4");
    Label4->SetAutoSize(false);
    Label4->SetAlign(ui::alClient);
    Label4->SetAlignment(ui::taCenter);
    Label4->SetLayout(ui::tlCenter);
    Label4->SetFont(FontOf(19, true));
    Label4->SetCaption("");
}

void TForm1::CreateDisplays() {
    const app::TTexts& t = app::RussianTexts;
    auto display = [this](const char* groupName, const char* caption, int top, int height,
                          const char* labelName, const char* text, const TFont& font) {
        auto* g = MakeGroup(this, Panel3, groupName, caption, 1, top, 271, height);
        g->SetAlign(ui::alTop);
        auto* l = Make<ui::TLabel>(this, g, labelName);
        l->SetAutoSize(false);
        l->SetAlign(ui::alClient);
        l->SetAlignment(ui::taCenter);
        l->SetLayout(ui::tlCenter);
        l->SetFont(font);
        l->SetCaption(text);
        return std::pair{g, l};
    };
    std::tie(GroupBox1, Label1) =
        display("GroupBox1", t.GroupBox1, 1, 96, "Label1", "0", FontOf(44, true));
    std::tie(GroupBox4, Label5) =
        display("GroupBox4", t.GroupBox4, 97, 96, "Label5", "0", FontOf(44));
    std::tie(GroupBox2, Label2) =
        display("GroupBox2", t.GroupBox2, 193, 80, "Label2", "?", FontOf(32, true));
    std::tie(GroupBox3, Label3) =
        display("GroupBox3", t.GroupBox3, 273, 80, "Label3", "?", FontOf(32, true, ui::clRed));
    std::tie(GroupBox5, Label6) =
        display("GroupBox5", t.GroupBox5, 353, 80, "Label6", "?", FontOf(32, true));
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
    for (ui::TTabSheet* s : {TabSheet4, TabSheet5, TabSheet6})
        s->SetTabVisible(false);

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
    ToolBar1 = Place<ui::TToolBar>(this, Panel1, "ToolBar1", 1, 652, 1245, 39);
    ToolBar1->SetAlign(ui::alBottom);
    ToolBar1->SetShowCaptions(true);
    auto tool = [this](const char* name, const char* caption) {
        auto* b = Make<ui::TToolButton>(this, ToolBar1, name);
        b->SetCaption(caption);
        return b;
    };
    ToolButton4 = tool("ToolButton4", t.ToolButton4);
    ToolButton2 = tool("ToolButton2", t.ToolButton2);
    ToolButton1 = tool("ToolButton1", t.ToolButton1);

    StringGrid1 = Place<ui::TStringGrid>(this, Panel1, "StringGrid1", 1, 433, 1245, 219);
    StringGrid1->SetAlign(ui::alBottom);
    StringGrid1->SetColCount(6);
    StringGrid1->SetRowCount(2);
    StringGrid1->SetFixedCols(0);
    StringGrid1->SetFixedRows(1);
    StringGrid1->SetFont(FontOf(11));
    StringGrid1->SetOptions(ui::TGridOptions() << ui::goFixedVertLine << ui::goFixedHorzLine
                                               << ui::goVertLine << ui::goHorzLine
                                               << ui::goRangeSelect << ui::goDrawFocusSelected
                                               << ui::goEditing);
    StringGrid1->SetScrollBars(ui::ssVertical);

    Web = Place<ui::TWebBrowser>(this, Panel1, "Web", 0, 0, 1, 1);
    WebBrowser1 = Place<ui::TWebBrowser>(this, Panel1, "WebBrowser1", 1, 0, 1, 1);
}

void TForm1::CreateCorrectionsTab() {
    // Five columns of groups in three rows, the hex log under them.
    ui::TTabSheet* tab = TabSheet4;
    const int w = 194, h = 80, dx = 198, dy = 84;
    auto at = [&](int col, int row, const char* name, const char* caption) {
        return MakeGroup(this, tab, name, caption, 4 + col * dx, 4 + row * dy, w, h);
    };
    auto readWrite = [this](ui::TGroupBox* g, const char* readName, const char* writeName,
                            ui::TButton*& read, ui::TButton*& write,
                            const char* writeCaption = "Записать") {
        read = MakeButton(this, g, readName, "Читать", 122, 16, 66);
        write = MakeButton(this, g, writeName, writeCaption, 122, 46, 66);
    };

    GroupBox10 = at(0, 0, "GroupBox10", "Коррекция цируса");
    Label10 = MakeLabel(this, GroupBox10, "Label10", "К=", 6, 21);
    Edit1 = MakeEdit(this, GroupBox10, "Edit1", "Edit1", 26, 18, 90);
    Label11 = MakeLabel(this, GroupBox10, "Label11", "B=", 6, 51);
    Edit2 = MakeEdit(this, GroupBox10, "Edit2", "Edit2", 26, 48, 90);
    readWrite(GroupBox10, "Button3", "Button4", Button3, Button4);

    GroupBox11 = at(1, 0, "GroupBox11", "Коррекция термопары");
    Label12 = MakeLabel(this, GroupBox11, "Label12", "К=", 6, 21);
    Edit3 = MakeEdit(this, GroupBox11, "Edit3", "Edit3", 26, 18, 90);
    Label13 = MakeLabel(this, GroupBox11, "Label13", "B=", 6, 51);
    Edit4 = MakeEdit(this, GroupBox11, "Edit4", "Edit4", 26, 48, 90);
    readWrite(GroupBox11, "Button5", "Button6", Button5, Button6);

    auto single = [&](int col, int row, const char* groupName, const char* caption,
                      ui::TGroupBox*& group, const char* editName, const char* text,
                      ui::TEdit*& edit, const char* readName, const char* writeName,
                      ui::TButton*& read, ui::TButton*& write,
                      const char* writeCaption = "Записать") {
        group = at(col, row, groupName, caption);
        edit = MakeEdit(this, group, editName, text, 6, 33, 110);
        readWrite(group, readName, writeName, read, write, writeCaption);
    };
    single(2, 0, "GroupBox12", "Коррекция гр. застывания", GroupBox12, "Edit5", "Edit5", Edit5,
           "Button7", "Button8", Button7, Button8);
    single(3, 0, "GroupBox13", "Реверс", GroupBox13, "Edit6", "Edit6", Edit6, "Button2",
           "Button9", Button2, Button9);
    single(4, 0, "GroupBox14", "Время открытия клапана", GroupBox14, "Edit8", "Edit8", Edit8,
           "Button14", "Button11", Button14, Button11);
    single(0, 1, "GroupBox15", "Скорость охлаждения", GroupBox15, "Edit7", "Edit7", Edit7,
           "Button15", "Button10", Button15, Button10);
    single(1, 1, "GroupBox16", "Граница помутнения", GroupBox16, "Edit9", "Edit9", Edit9,
           "Button16", "Button12", Button16, Button12);
    single(2, 1, "GroupBox17", "Граница Dф. застывания по  клапану ", GroupBox17, "gr_df",
           "gr_df", gr_df, "Button19", "Button26", Button19, Button26);
    single(3, 1, "GroupBox18", "Минимальная скорость", GroupBox18, "Edit11", "Edit11", Edit11,
           "Button29", "Button30", Button29, Button30, "Button30");
    single(4, 1, "GroupBox19", "Температура конденсатора", GroupBox19, "Edit12", "Edit11",
           Edit12, "Button31", "Button32", Button31, Button32);
    single(0, 2, "GroupBox20", "температура нагрева исп. или ячейки", GroupBox20, "Edit13",
           "Edit11", Edit13, "Button33", "Button34", Button33, Button34);
    GroupBox20->SetHint("Температура нагрева испарителя или нагрев ячейки");

    GroupBox21 = at(1, 2, "GroupBox21", "ПИД");
    Label24 = MakeLabel(this, GroupBox21, "Label24", "Label24", 4, 17);
    Edit17 = MakeEdit(this, GroupBox21, "Edit17", "Edit17", 54, 14, 64);
    Label25 = MakeLabel(this, GroupBox21, "Label25", "Label25", 4, 39);
    Edit18 = MakeEdit(this, GroupBox21, "Edit18", "Edit18", 54, 36, 64);
    Label26 = MakeLabel(this, GroupBox21, "Label26", "Label26", 4, 61);
    Edit19 = MakeEdit(this, GroupBox21, "Edit19", "Edit19", 54, 58, 64);
    Label27 = MakeLabel(this, GroupBox21, "Label27", "Label27", 124, 61);
    Button35 = MakeButton(this, GroupBox21, "Button35", "Читать", 122, 10, 66);
    Button36 = MakeButton(this, GroupBox21, "Button36", "Записать", 122, 34, 66);

    GroupBox22 = at(2, 2, "GroupBox22", "Работа с 18f4550");
    pic18f4550 = Place<ui::TCheckBox>(this, GroupBox22, "pic18f4550", 6, 33, 112, 21);
    pic18f4550->SetCaption("EEPROM 18f4550");
    pic18f4550->SetChecked(false);
    Button27 = MakeButton(this, GroupBox22, "Button27", "Прочитать", 122, 31, 66);

    const int x = 4 + 3 * dx, y = 4 + 2 * dy;
    Button1 = MakeButton(this, tab, "Button1", "Применить", x + 4, y + 16, 90);
    Button17 = MakeButton(this, tab, "Button17", "Сброс!", x + 4, y + 48, 90);
    Edit10 = MakeEdit(this, tab, "Edit10", "200", x + dx + 4, y + 18, 80);
    Button18 = MakeButton(this, tab, "Button18", "CCPR1L", x + dx + 4, y + 48, 80);

    Memo1 = Place<ui::TMemo>(this, tab, "Memo1", 4, 8 + 3 * dy, 1237, 120);
    Memo1->SetAlign(ui::alBottom);
    Memo1->SetScrollBars(ui::ssVertical);
    Memo1->SetWordWrap(false);
    // The most recent lines only: a working day of status reports (three lines each, one a
    // second for 8 hours) and more; the oldest lines go.
    Memo1->SetMaxLines(100000);
}

void TForm1::CreateSystemTab() {
    Chart4 = Place<ui::TChart>(this, TabSheet5, "Chart4", 0, 0, 1237, 195);
    Chart4->SetAlign(ui::alTop);
    SetChartTexts(Chart4, "TChart", nullptr, nullptr);
    Series7 = MakeSeries(this, Chart4, "Series7", ui::clRed, 2);
    Button28 = MakeButton(this, Chart4, "Button28", "clear", 8, 8);

    Chart5 = Place<ui::TChart>(this, TabSheet5, "Chart5", 0, 195, 1237, 195);
    Chart5->SetAlign(ui::alClient);
    SetChartTexts(Chart5, "TChart", nullptr, nullptr);
    Series8 = MakeSeries(this, Chart5, "Series8", ui::clRed, 1);
    Series8->SetTitle("dT");
    Button13 = MakeButton(this, Chart5, "Button13", "Очистить", 8, 8);
}

void TForm1::CreateEepromTab() {
    // The tools on the left, the dump grid on the right.
    ui::TTabSheet* tab = TabSheet6;
    Label30 = MakeLabel(this, tab, "Label30", "Микросхема(Control, 160,162)", 8, 9);
    control = MakeEdit(this, tab, "control", "160", 200, 6, 80);

    GroupBox23 = MakeGroup(this, tab, "GroupBox23", "Работа с одним байтом", 4, 32, 300, 96);
    Label31 = MakeLabel(this, GroupBox23, "Label31", "Адрес(0-65536)", 8, 19);
    adr_one_byte = MakeEdit(this, GroupBox23, "adr_one_byte", "55", 120, 16, 80);
    Label32 = MakeLabel(this, GroupBox23, "Label32", "Данные(0-255)", 8, 43);
    data_one_byte = MakeEdit(this, GroupBox23, "data_one_byte", "55", 120, 40, 80);
    Button21 = MakeButton(this, GroupBox23, "Button21", "Записать", 8, 66, 90);
    Button22 = MakeButton(this, GroupBox23, "Button22", "Читать", 110, 66, 90);

    GroupBox24 = MakeGroup(this, tab, "GroupBox24", "Чтение массива", 4, 132, 300, 96);
    start_adress_32 = MakeEdit(this, GroupBox24, "start_adress_32", "0", 8, 18, 80);
    Button20 = MakeButton(this, GroupBox24, "Button20", "читать 32 байта с адреса", 96, 16, 196);
    Button23 = MakeButton(this, GroupBox24, "Button23", "Все читать", 8, 44, 120);
    Progress = Place<ui::TProgressBar>(this, GroupBox24, "Progress", 8, 72, 284, 18);
    Progress->SetMin(0);
    Progress->SetMax(65536);

    GroupBox25 = MakeGroup(this, tab, "GroupBox25", "Запись массива", 4, 232, 300, 120);
    Label33 = MakeLabel(this, GroupBox25, "Label33", "Адрес", 8, 19);
    Edit14 = MakeEdit(this, GroupBox25, "Edit14", "0", 160, 16, 80);
    Label34 = MakeLabel(this, GroupBox25, "Label34", "Размер массива(0-60)", 8, 43);
    Edit15 = MakeEdit(this, GroupBox25, "Edit15", "32", 160, 40, 80);
    Label35 = MakeLabel(this, GroupBox25, "Label35", "Значение", 8, 67);
    Edit16 = MakeEdit(this, GroupBox25, "Edit16", "255", 160, 64, 80);
    Button24 = MakeButton(this, GroupBox25, "Button24", "Записать", 8, 90, 90);
    Button25 = MakeButton(this, GroupBox25, "Button25", "Удалить все", 110, 90, 110);

    StringGrid2 = Place<ui::TStringGrid>(this, tab, "StringGrid2", 312, 0, 640, 400);
    StringGrid2->SetAlign(ui::alRight);
    StringGrid2->SetColCount(core::kDumpGridColumns);
    StringGrid2->SetRowCount(core::kDumpGridRows);
    StringGrid2->SetFixedCols(1);
    StringGrid2->SetFixedRows(1);
    StringGrid2->SetDefaultColWidth(32);
    StringGrid2->SetColWidths(0, 56);
    StringGrid2->SetOptions(ui::TGridOptions() << ui::goFixedVertLine << ui::goFixedHorzLine
                                               << ui::goVertLine << ui::goHorzLine
                                               << ui::goRangeSelect);
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

ui::TEdit* TForm1::EditByName(const char* Name) const {
    const std::pair<const char*, ui::TEdit*> edits[] = {
        {"Edit1", Edit1},   {"Edit2", Edit2},   {"Edit3", Edit3},   {"Edit4", Edit4},
        {"Edit5", Edit5},   {"Edit6", Edit6},   {"Edit7", Edit7},   {"Edit8", Edit8},
        {"Edit9", Edit9},   {"gr_df", gr_df},   {"Edit11", Edit11}, {"Edit12", Edit12},
        {"Edit13", Edit13}, {"Edit17", Edit17}, {"Edit18", Edit18}, {"Edit19", Edit19},
    };
    for (const auto& [name, edit] : edits)
        if (std::string_view(name) == Name)
            return edit;
    return nullptr;
}
