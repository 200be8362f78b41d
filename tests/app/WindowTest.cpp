// The main window as designed: components, their start-up state and the fields.
#include "AppFixture.h"

#include "app/Texts.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

namespace {

using apptest::AppFixture;

class WindowTest : public AppFixture {};

TEST_F(WindowTest, WindowItselfAsDesigned) {
    TForm1* f = CreateWindow(false);
    EXPECT_EQ(f->Caption(),
              "Анализатор помутнения и застывания дизельного топлива Kelvane А, Kelvane, Dovrel");
    EXPECT_EQ(f->WindowState(), ui::wsMaximized);
    EXPECT_TRUE(f->KeyPreview());
    EXPECT_EQ(f->Font().Name, "Arial");
    EXPECT_EQ(f->Font().Height, 11);
    EXPECT_EQ(f->Menu(), f->MainMenu1);
}

TEST_F(WindowTest, TimersAtStart) {
    TForm1* f = CreateWindow(false);
    EXPECT_TRUE(f->Timer1->Enabled());
    EXPECT_FALSE(f->Timer2->Enabled());
    EXPECT_FALSE(f->Timer3->Enabled());
    for (ui::TTimer* t : {f->Timer1, f->Timer2, f->Timer3}) {
        EXPECT_EQ(t->Interval(), 1000u);
        EXPECT_TRUE(static_cast<bool>(t->OnTimer));
    }
}

TEST_F(WindowTest, DisplaysStartWithZeroAndQuestionMarks) {
    TForm1* f = CreateWindow();
    EXPECT_EQ(f->Label4->Caption(), "");
    EXPECT_EQ(f->Label1->Caption(), "0");
    EXPECT_EQ(f->Label5->Caption(), "0");
    EXPECT_EQ(f->Label2->Caption(), "?");
    EXPECT_EQ(f->Label3->Caption(), "?");
    EXPECT_EQ(f->Label6->Caption(), "?");
    EXPECT_TRUE(f->Label1->Font().Bold);
    EXPECT_EQ(f->Label1->Font().Height, 44);
    EXPECT_EQ(f->Label5->Font().Height, 44);
    EXPECT_EQ(f->Label3->Font().Color, ui::clRed);
    EXPECT_TRUE(f->Label4->Font().Bold);
    EXPECT_EQ(f->Label4->Font().Height, 19);
    EXPECT_EQ(f->Label4->Alignment(), ui::taCenter);

    const std::pair<ui::TGroupBox*, const char*> groups[] = {
        {f->GroupBox1, "Температура пробы  С°"},
        {f->GroupBox4, "Оптическое пропускание  %"},
        {f->GroupBox2, "Температура помутнения  С°"},
        {f->GroupBox3, "Температура застывания С°"},
        {f->GroupBox5, "Пред. температура фильтруемости С°"},
    };
    for (const auto& [g, caption] : groups)
        EXPECT_EQ(g->Caption(), caption);
    EXPECT_EQ(f->Label1->Parent(), f->GroupBox1);
    EXPECT_EQ(f->Label5->Parent(), f->GroupBox4);
    EXPECT_EQ(f->Label2->Parent(), f->GroupBox2);
    EXPECT_EQ(f->Label3->Parent(), f->GroupBox3);
    EXPECT_EQ(f->Label6->Parent(), f->GroupBox5);
}

TEST_F(WindowTest, StatusBarHasFivePanels) {
    TForm1* f = CreateWindow();
    ASSERT_EQ(f->StatusBar1->PanelCount(), 5);
    const int widths[] = {300, 300, 100, 100, 50};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f->StatusBar1->Panels(i).Width(), widths[i]);
        EXPECT_EQ(f->StatusBar1->Panels(i).Text(), "");
    }
}

TEST_F(WindowTest, PagesAndHiddenServiceTabs) {
    TForm1* f = CreateWindow();
    ASSERT_EQ(f->PageControl1->PageCount(), 6);
    const std::tuple<ui::TTabSheet*, const char*, bool> pages[] = {
        {f->TabSheet1, "Температура", true},
        {f->TabSheet2, "Опт. проницаемость/температура", true},
        {f->TabSheet3, "Скрорость  опт. пропускания", true},
        {f->TabSheet4, "Коррекции", false},
        {f->TabSheet5, "Системная", false},
        {f->TabSheet6, "eeprom", false},
    };
    int index = 0;
    for (const auto& [sheet, caption, visible] : pages) {
        EXPECT_EQ(f->PageControl1->Pages(index++), sheet);
        EXPECT_EQ(sheet->Caption(), caption);
        EXPECT_EQ(sheet->TabVisible(), visible) << caption;
    }
    EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet3);
    EXPECT_EQ(f->Chart1->Parent(), f->TabSheet1);
    EXPECT_EQ(f->Chart2->Parent(), f->TabSheet2);
    EXPECT_EQ(f->Chart3->Parent(), f->TabSheet3);
    EXPECT_EQ(f->Memo1->Parent(), f->TabSheet4);
}

TEST_F(WindowTest, RunChartsHaveTheirDesignedSeries) {
    TForm1* f = CreateWindow();
    struct Expected {
        ui::TChart* chart;
        int position;
        ui::TLineSeries* series;
        ui::TColor color;
        int width;
    };
    const Expected series[] = {
        {f->Chart1, 0, f->Series1, ui::clRed, 3}, {f->Chart1, 1, f->Series4, ui::clGreen, 2},
        {f->Chart2, 0, f->Series2, 10485760, 3},  {f->Chart2, 1, f->Series3, ui::clRed, 3},
        {f->Chart3, 0, f->Series5, ui::clRed, 2}, {f->Chart3, 1, f->Series6, ui::clBlue, 2},
        {f->Chart4, 0, f->Series7, ui::clRed, 2},
    };
    for (const Expected& e : series) {
        ASSERT_LT(e.position, e.chart->SeriesCount());
        EXPECT_EQ(e.chart->Series(e.position), e.series);
        EXPECT_EQ(e.series->SeriesColor(), e.color) << e.series->Name();
        EXPECT_EQ(e.series->LinePenWidth(), e.width) << e.series->Name();
        EXPECT_EQ(e.series->Count(), 0);
    }
    for (ui::TChart* c : {f->Chart1, f->Chart2, f->Chart3})
        EXPECT_EQ(c->SeriesCount(), 2);
    EXPECT_EQ(f->Chart5->SeriesCount(), 1);
    EXPECT_EQ(f->Series8->Title(), "dT");
    EXPECT_EQ(f->Button28->Parent(), f->Chart4);
    EXPECT_EQ(f->Button13->Parent(), f->Chart5);
    EXPECT_EQ(f->Chart1->PopupMenu(), f->PopupMenu1);
    EXPECT_EQ(f->Chart2->PopupMenu(), f->PopupMenu1);
    EXPECT_EQ(f->Chart3->PopupMenu(), f->PopupMenu2);
    EXPECT_EQ(f->Chart4->PopupMenu(), nullptr);
    EXPECT_EQ(f->Chart5->PopupMenu(), nullptr);
}

TEST_F(WindowTest, JournalGridAndToolBar) {
    TForm1* f = CreateWindow();
    EXPECT_EQ(f->StringGrid1->ColCount(), 6);
    EXPECT_EQ(f->StringGrid1->RowCount(), 2);
    EXPECT_EQ(f->StringGrid1->FixedRows(), 1);
    EXPECT_EQ(f->StringGrid1->FixedCols(), 0);
    EXPECT_TRUE(f->StringGrid1->Options().Contains(ui::goEditing));
    ASSERT_EQ(f->ToolBar1->ButtonCount(), 3);
    EXPECT_EQ(f->ToolBar1->Buttons(0), f->ToolButton4);
    EXPECT_EQ(f->ToolBar1->Buttons(1), f->ToolButton2);
    EXPECT_EQ(f->ToolBar1->Buttons(2), f->ToolButton1);
    EXPECT_EQ(f->ToolButton4->Caption(), "Показать/Cкрыть график");
    EXPECT_EQ(f->ToolButton2->Caption(), "Печать журнала");
    EXPECT_EQ(f->ToolButton1->Caption(), "Удалить запись");
    // The tool bar lies under the journal.
    EXPECT_GE(f->ToolBar1->Top(), f->StringGrid1->Top() + f->StringGrid1->Height());
}

TEST_F(WindowTest, RunButtonsLeftToRight) {
    TForm1* f = CreateWindow();
    ASSERT_EQ(f->Panel4->ControlCount(), 3);
    EXPECT_EQ(f->BitBtn3->Caption(), "СЛИВ");
    EXPECT_EQ(f->BitBtn2->Caption(), "СТОП");
    EXPECT_EQ(f->BitBtn1->Caption(), "ПУСК");
    for (ui::TBitBtn* b : {f->BitBtn1, f->BitBtn2, f->BitBtn3})
        EXPECT_EQ(b->Parent(), f->Panel4);
    EXPECT_LT(f->BitBtn3->Left(), f->BitBtn2->Left());
    EXPECT_LT(f->BitBtn2->Left(), f->BitBtn1->Left());
    EXPECT_EQ(f->BitBtn1->Font().Color, ui::clGreen);
    EXPECT_EQ(f->BitBtn2->Font().Color, ui::clRed);
    EXPECT_TRUE(f->BitBtn1->Default());
    EXPECT_FALSE(f->BitBtn2->Default());
    EXPECT_FALSE(f->BitBtn3->Default());
}

TEST_F(WindowTest, MenusAndDialogs) {
    TForm1* f = CreateWindow();
    ASSERT_EQ(f->MainMenu1->Items()->Count(), 1);
    EXPECT_EQ(f->MainMenu1->Items()->Items(0), f->N1);
    EXPECT_EQ(f->N1->Caption(), "Файл");
    ASSERT_EQ(f->N1->Count(), 3);
    EXPECT_EQ(f->N1->Items(0)->Caption(), "Печать...");
    EXPECT_EQ(f->N1->Items(1)->Caption(), "---------------");
    EXPECT_EQ(f->N1->Items(2)->Caption(), "Выход");
    EXPECT_TRUE(static_cast<bool>(f->N3->OnClick));
    EXPECT_FALSE(static_cast<bool>(f->N4->OnClick));
    EXPECT_TRUE(static_cast<bool>(f->N2->OnClick));

    const std::tuple<ui::TPopupMenu*, std::vector<std::string>> popups[] = {
        {f->PopupMenu1, {"Сохранить", "Загрузить"}},
        {f->PopupMenu2, {"Загрузить"}},
        {f->PopupMenu3, {"Загрузить"}},
    };
    for (const auto& [menu, captions] : popups) {
        ASSERT_EQ(menu->Items()->Count(), static_cast<int>(captions.size()));
        for (std::size_t i = 0; i < captions.size(); ++i) {
            EXPECT_EQ(menu->Items()->Items(static_cast<int>(i))->Caption(), captions[i]);
            EXPECT_TRUE(static_cast<bool>(menu->Items()->Items(static_cast<int>(i))->OnClick));
        }
    }
    EXPECT_NE(f->OpenDialog1, nullptr);
    EXPECT_NE(f->SaveDialog1, nullptr);
    EXPECT_EQ(f->Web->Width(), 1);
    EXPECT_EQ(f->Web->Height(), 1);
    EXPECT_EQ(f->WebBrowser1->Width(), 1);
    EXPECT_EQ(f->WebBrowser1->Height(), 1);
    EXPECT_TRUE(static_cast<bool>(f->Web->OnNavigateComplete2));
    EXPECT_TRUE(static_cast<bool>(f->WebBrowser1->OnNavigateComplete2));
}

TEST_F(WindowTest, ServiceControlsStartWithTheirTexts) {
    TForm1* f = CreateWindow();
    const std::tuple<ui::TEdit*, const char*, ui::TTabSheet*> edits[] = {
        {f->Edit1, "Edit1", f->TabSheet4},       {f->Edit2, "Edit2", f->TabSheet4},
        {f->Edit3, "Edit3", f->TabSheet4},       {f->Edit4, "Edit4", f->TabSheet4},
        {f->Edit5, "Edit5", f->TabSheet4},       {f->Edit6, "Edit6", f->TabSheet4},
        {f->Edit7, "Edit7", f->TabSheet4},       {f->Edit8, "Edit8", f->TabSheet4},
        {f->Edit9, "Edit9", f->TabSheet4},       {f->gr_df, "gr_df", f->TabSheet4},
        {f->Edit11, "Edit11", f->TabSheet4},     {f->Edit12, "Edit11", f->TabSheet4},
        {f->Edit13, "Edit11", f->TabSheet4},     {f->Edit17, "Edit17", f->TabSheet4},
        {f->Edit18, "Edit18", f->TabSheet4},     {f->Edit19, "Edit19", f->TabSheet4},
        {f->Edit10, "200", f->TabSheet4},        {f->control, "160", f->TabSheet6},
        {f->adr_one_byte, "55", f->TabSheet6},   {f->data_one_byte, "55", f->TabSheet6},
        {f->start_adress_32, "0", f->TabSheet6}, {f->Edit14, "0", f->TabSheet6},
        {f->Edit15, "32", f->TabSheet6},         {f->Edit16, "255", f->TabSheet6},
    };
    for (const auto& [edit, text, tab] : edits) {
        EXPECT_EQ(edit->Text(), text) << edit->Name();
        // On its tab, directly or inside a group.
        ui::TWinControl* p = edit->Parent();
        while (p && p != tab)
            p = p->Parent();
        EXPECT_EQ(p, tab) << edit->Name();
    }
    const std::pair<ui::TGroupBox*, const char*> groups[] = {
        {f->GroupBox10, "Коррекция цируса"},
        {f->GroupBox11, "Коррекция термопары"},
        {f->GroupBox12, "Коррекция гр. застывания"},
        {f->GroupBox13, "Реверс"},
        {f->GroupBox14, "Время открытия клапана"},
        {f->GroupBox15, "Скорость охлаждения"},
        {f->GroupBox16, "Граница помутнения"},
        {f->GroupBox17, "Граница Dф. застывания по  клапану "},
        {f->GroupBox18, "Минимальная скорость"},
        {f->GroupBox19, "Температура конденсатора"},
        {f->GroupBox20, "температура нагрева исп. или ячейки"},
        {f->GroupBox21, "ПИД"},
        {f->GroupBox22, "Работа с 18f4550"},
        {f->GroupBox23, "Работа с одним байтом"},
        {f->GroupBox24, "Чтение массива"},
        {f->GroupBox25, "Запись массива"},
    };
    for (const auto& [g, caption] : groups)
        EXPECT_EQ(g->Caption(), caption);
    EXPECT_EQ(f->Edit1->Parent(), f->GroupBox10);
    EXPECT_EQ(f->Edit8->Parent(), f->GroupBox14);
    EXPECT_EQ(f->gr_df->Parent(), f->GroupBox17);
    EXPECT_EQ(f->Edit19->Parent(), f->GroupBox21);
    EXPECT_EQ(f->data_one_byte->Parent(), f->GroupBox23);
    EXPECT_EQ(f->Label24->Caption(), "Label24");
    EXPECT_EQ(f->Label27->Caption(), "Label27");
    EXPECT_EQ(f->Button30->Caption(), "Button30");
    EXPECT_EQ(f->pic18f4550->Caption(), "EEPROM 18f4550");
    EXPECT_FALSE(f->pic18f4550->Checked());
    EXPECT_EQ(f->Progress->Min(), 0);
    EXPECT_EQ(f->Progress->Max(), 65536);
    EXPECT_FALSE(static_cast<bool>(f->Button24->OnClick));
    for (ui::TButton* b :
         {f->Button20, f->Button21, f->Button22, f->Button23, f->Button25, f->Button27, f->Button28,
          f->Button13, f->Button1, f->Button17, f->Button18, f->Button3, f->Button36})
        EXPECT_TRUE(static_cast<bool>(b->OnClick)) << b->Name();
}

// The heating group's hint is never shown: pointing at the group on the revealed tab shows
// no tip, and no control of the window has one.
TEST_F(WindowTest, NoControlShowsAHint) {
    TForm1* f = CreateWindow();
    f->Show();
    f->TabSheet4->SetTabVisible(true);
    f->PageControl1->SetActivePage(f->TabSheet4);
    Drain();
    QWidget* box = f->GroupBox20->Widget();
    ASSERT_TRUE(box->isVisible());
    const QPoint at(box->width() / 2, box->height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, box->mapToGlobal(at));
    QApplication::sendEvent(box, &help);
    EXPECT_EQ(QToolTip::text().toStdString(), "");
    for (const QWidget* w : f->Widget()->findChildren<QWidget*>())
        EXPECT_EQ(w->toolTip().toStdString(), "") << w->objectName().toStdString();
}

TEST_F(WindowTest, DumpGridShape) {
    TForm1* f = CreateWindow();
    EXPECT_EQ(f->StringGrid2->ColCount(), 17);
    EXPECT_EQ(f->StringGrid2->RowCount(), 4097);
    EXPECT_EQ(f->StringGrid2->FixedCols(), 1);
    EXPECT_EQ(f->StringGrid2->FixedRows(), 1);
    EXPECT_FALSE(f->StringGrid2->Options().Contains(ui::goEditing));
    EXPECT_FALSE(f->StringGrid2->CellEditable(1, 1));
}

TEST_F(WindowTest, FieldsStartAtZero) {
    TForm1* f = CreateWindow();
    EXPECT_EQ(f->FState, 0);
    EXPECT_EQ(f->FTemperature, 0);
    EXPECT_EQ(f->FPrevTemperature, 0);
    EXPECT_EQ(f->FSignal, 0);
    EXPECT_EQ(f->FCloudPoint, 0);
    EXPECT_EQ(f->FPourPoint, 0);
    EXPECT_EQ(f->FFilterPoint, 0);
    EXPECT_EQ(f->FBaseline, 0);
    EXPECT_FALSE(f->FRecordPending);
    EXPECT_EQ(f->FCurrentDevice, nullptr);
    EXPECT_TRUE(f->FDeviceList.empty());
}

TEST_F(WindowTest, AnExceptionInAHandlerShowsInABoxWithTheTitle) {
    TForm1* f = CreateWindow();
    bool after = false;
    f->BitBtn2->OnClick = [&](ui::TObject*) {
        throw rt::Exception("bad thing");
        after = true;
    };
    f->BitBtn2->Click();
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().caption, apptest::kTitle);
    EXPECT_EQ(Boxes().Last().icon, ui::ModalIcon::Error);
    EXPECT_EQ(Boxes().Last().text, "bad thing");
    EXPECT_FALSE(after);
}

} // namespace
