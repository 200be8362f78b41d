#pragma once
// The main window: its components, its fields, and every handler and routine it has.
// The methods are split over several files by concern:
//   Unit1.cpp          construction, layout, components
//   Unit1Protocol.cpp  output reports, the poll and the run buttons
//   Unit1Parse.cpp     input reports and the displays
//   Unit1Binding.cpp   finding and binding the analyzer
//   Unit1Run.cpp       run display and state machine (Timer2, Timer3)
//   Unit1Journal.cpp   journal grid, data2.tab, record curve files
//   Unit1Charts.cpp    the run charts' pop-up menus (curve files)
//   Unit1Print.cpp     HTML reports and printing
//   Unit1Service.cpp   service tabs: parameters, EEPROM access, service charts, key sequence
//   Unit1Life.cpp      creation, resize, close, main menu
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <map>
#include <vector>

#include "app/core/InputReport.h"
#include "app/core/Journal.h"
#include "app/core/OutputReport.h"
#include "app/RunDisplay.h"
#include "app/Unit1Journal.h"
#include "hid/HidControllerClass.h"
#include "ui/Buttons.h"
#include "ui/Chart.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Grids.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/WebBrowser.h"

// One entry of FDeviceList: a checked-out device (owned by the window until it frees it)
// and its display name.
namespace app {
struct TDeviceEntry {
    hid::THidDevice* Device = nullptr;
    std::string Name;
};
} // namespace app

// The main window; its measurement fields are core::TMeasurement's.
class TForm1 : public ui::TForm, public core::TMeasurement {
public:
    explicit TForm1(ui::TComponent* AOwner);
    ~TForm1() override;

    // ---- HID controller ------------------------------------------------------------------
    // OnArrival = HidControllerArrival, OnEnumerate = HidControllerEnumerate.
    std::unique_ptr<hid::THidDeviceController> HidController;

    // ---- timers ----------------------------------------------------------------------------
    ui::TTimer* Timer1 = nullptr; // enabled: the poll
    ui::TTimer* Timer2 = nullptr; // disabled until the first successful poll: run display
    ui::TTimer* Timer3 = nullptr; // disabled: run seconds

    // ---- menus and dialogs -----------------------------------------------------------------
    ui::TMainMenu* MainMenu1 = nullptr;
    ui::TMenuItem* N1 = nullptr;          // "Файл"
    ui::TMenuItem* N3 = nullptr;          // "Печать..."
    ui::TMenuItem* N4 = nullptr;          // "---------------" (no handler)
    ui::TMenuItem* N2 = nullptr;          // "Выход"
    ui::TPopupMenu* PopupMenu1 = nullptr; // Chart1, Chart2
    ui::TMenuItem* N8 = nullptr;          // "Сохранить"
    ui::TMenuItem* N9 = nullptr;          // "Загрузить"
    ui::TPopupMenu* PopupMenu2 = nullptr; // Chart3
    ui::TMenuItem* N10 = nullptr;         // "Загрузить"
    ui::TPopupMenu* PopupMenu3 = nullptr; // attached to no control
    ui::TMenuItem* N11 = nullptr;         // "Загрузить"
    ui::TOpenDialog* OpenDialog1 = nullptr;
    ui::TSaveDialog* SaveDialog1 = nullptr;

    // ---- window layout ---------------------------------------------------------------------
    ui::TStatusBar* StatusBar1 = nullptr; // panels 300, 300, 100, 100, 50
    ui::TPanel* Panel4 = nullptr;         // bottom: BitBtn3, BitBtn2, BitBtn1
    ui::TBitBtn* BitBtn3 = nullptr;       // "СЛИВ"
    ui::TBitBtn* BitBtn2 = nullptr;       // "СТОП", red
    ui::TBitBtn* BitBtn1 = nullptr;       // "ПУСК", green, default
    ui::TPanel* Panel3 = nullptr;         // right: the display groups
    ui::TPanel* Panel1 = nullptr;         // the rest: message line, charts, journal
    ui::TPanel* Panel2 = nullptr;         // top of Panel1: the message line
    ui::TLabel* Label4 = nullptr;         // run message line

    // ---- displays --------------------------------------------------------------------------
    ui::TGroupBox* GroupBox1 = nullptr; // "Температура пробы  С°"
    ui::TLabel* Label1 = nullptr;       // sample temperature
    ui::TGroupBox* GroupBox4 = nullptr; // "Оптическое пропускание  %"
    ui::TLabel* Label5 = nullptr;       // transmission
    ui::TGroupBox* GroupBox2 = nullptr; // "Температура помутнения  С°"
    ui::TLabel* Label2 = nullptr;       // cloud point
    ui::TGroupBox* GroupBox3 = nullptr; // "Температура застывания С°"
    ui::TLabel* Label3 = nullptr;       // pour point
    ui::TGroupBox* GroupBox5 = nullptr; // "Пред. температура фильтруемости С°"
    ui::TLabel* Label6 = nullptr; // filterability temperature

    // ---- chart pages -----------------------------------------------------------------------
    ui::TPageControl* PageControl1 = nullptr;
    ui::TTabSheet* TabSheet1 = nullptr; // "Температура": Chart1
    ui::TTabSheet* TabSheet2 = nullptr; // "Опт. проницаемость/температура": Chart2
    ui::TTabSheet* TabSheet3 = nullptr; // "Скрорость  опт. пропускания": Chart3 (shown at start)
    ui::TTabSheet* TabSheet4 = nullptr; // "Коррекции" (tab hidden)
    ui::TTabSheet* TabSheet5 = nullptr; // "Системная" (tab hidden)
    ui::TTabSheet* TabSheet6 = nullptr; // "eeprom" (tab hidden)
    ui::TChart* Chart1 = nullptr;
    ui::TLineSeries* Series1 = nullptr; // temperature: red, 3
    ui::TLineSeries* Series4 = nullptr; // transmission: green, 2
    ui::TChart* Chart2 = nullptr;
    ui::TLineSeries* Series2 = nullptr; // colour 10485760, 3
    ui::TLineSeries* Series3 = nullptr; // red, 3
    ui::TChart* Chart3 = nullptr;
    ui::TLineSeries* Series5 = nullptr; // red, 2
    ui::TLineSeries* Series6 = nullptr; // blue, 2

    // ---- journal ---------------------------------------------------------------------------
    ui::TStringGrid* StringGrid1 = nullptr; // 6 x 2, header row fixed, editing allowed
    ui::TToolBar* ToolBar1 = nullptr;
    ui::TToolButton* ToolButton4 = nullptr; // "Показать/Cкрыть график"
    ui::TToolButton* ToolButton2 = nullptr; // "Печать журнала"
    ui::TToolButton* ToolButton1 = nullptr; // "Удалить запись"

    // ---- printing --------------------------------------------------------------------------
    ui::TWebBrowser* Web = nullptr;         // 1 x 1
    ui::TWebBrowser* WebBrowser1 = nullptr; // 1 x 1

    // ---- service tab "Коррекции" (TabSheet4) -----------------------------------------------
    ui::TGroupBox* GroupBox10 = nullptr; // "Коррекция цируса"
    ui::TLabel* Label10 = nullptr;       // "К="
    ui::TEdit* Edit1 = nullptr;
    ui::TLabel* Label11 = nullptr; // "B="
    ui::TEdit* Edit2 = nullptr;
    ui::TButton* Button3 = nullptr;      // "Читать"
    ui::TButton* Button4 = nullptr;      // "Записать"
    ui::TGroupBox* GroupBox11 = nullptr; // "Коррекция термопары"
    ui::TLabel* Label12 = nullptr;       // "К="
    ui::TEdit* Edit3 = nullptr;
    ui::TLabel* Label13 = nullptr; // "B="
    ui::TEdit* Edit4 = nullptr;
    ui::TButton* Button5 = nullptr;
    ui::TButton* Button6 = nullptr;
    ui::TGroupBox* GroupBox12 = nullptr; // "Коррекция гр. застывания"
    ui::TEdit* Edit5 = nullptr;
    ui::TButton* Button7 = nullptr;
    ui::TButton* Button8 = nullptr;
    ui::TGroupBox* GroupBox13 = nullptr; // "Реверс"
    ui::TEdit* Edit6 = nullptr;
    ui::TButton* Button2 = nullptr;
    ui::TButton* Button9 = nullptr;
    ui::TGroupBox* GroupBox14 = nullptr; // "Время открытия клапана"
    ui::TEdit* Edit8 = nullptr;
    ui::TButton* Button14 = nullptr;
    ui::TButton* Button11 = nullptr;
    ui::TGroupBox* GroupBox15 = nullptr; // "Скорость охлаждения"
    ui::TEdit* Edit7 = nullptr;
    ui::TButton* Button15 = nullptr;
    ui::TButton* Button10 = nullptr;
    ui::TGroupBox* GroupBox16 = nullptr; // "Граница помутнения"
    ui::TEdit* Edit9 = nullptr;
    ui::TButton* Button16 = nullptr;
    ui::TButton* Button12 = nullptr;
    ui::TGroupBox* GroupBox17 = nullptr; // "Граница Dф. застывания по  клапану "
    ui::TEdit* gr_df = nullptr;
    ui::TButton* Button19 = nullptr;
    ui::TButton* Button26 = nullptr;
    ui::TGroupBox* GroupBox18 = nullptr; // "Минимальная скорость"
    ui::TEdit* Edit11 = nullptr;
    ui::TButton* Button29 = nullptr;
    ui::TButton* Button30 = nullptr;     // caption "Button30"
    ui::TGroupBox* GroupBox19 = nullptr; // "Температура конденсатора"
    ui::TEdit* Edit12 = nullptr;
    ui::TButton* Button31 = nullptr;
    ui::TButton* Button32 = nullptr;
    ui::TGroupBox* GroupBox20 = nullptr; // "температура нагрева исп. или ячейки"
    ui::TEdit* Edit13 = nullptr;
    ui::TButton* Button33 = nullptr;
    ui::TButton* Button34 = nullptr;
    ui::TGroupBox* GroupBox21 = nullptr; // "ПИД" (absent in the English build)
    ui::TLabel* Label24 = nullptr;
    ui::TLabel* Label25 = nullptr;
    ui::TLabel* Label26 = nullptr;
    ui::TLabel* Label27 = nullptr;
    ui::TEdit* Edit17 = nullptr;
    ui::TEdit* Edit18 = nullptr;
    ui::TEdit* Edit19 = nullptr;
    ui::TButton* Button35 = nullptr;
    ui::TButton* Button36 = nullptr;
    ui::TGroupBox* GroupBox22 = nullptr; // "Работа с 18f4550"
    ui::TCheckBox* pic18f4550 = nullptr; // "EEPROM 18f4550"
    ui::TButton* Button27 = nullptr;     // "Прочитать"
    ui::TButton* Button1 = nullptr;      // "Применить"
    ui::TButton* Button17 = nullptr;     // "Сброс!"
    ui::TEdit* Edit10 = nullptr;         // "200"
    ui::TButton* Button18 = nullptr;     // "CCPR1L"
    ui::TMemo* Memo1 = nullptr;          // hex log of input reports

    // ---- service tab "Системная" (TabSheet5) -----------------------------------------------
    ui::TChart* Chart4 = nullptr;
    ui::TLineSeries* Series7 = nullptr; // red, 2
    ui::TButton* Button28 = nullptr;    // "clear", on Chart4
    ui::TChart* Chart5 = nullptr;
    ui::TLineSeries* Series8 = nullptr; // red, "dT"
    ui::TButton* Button13 = nullptr;    // "Очистить", on Chart5

    // ---- service tab "eeprom" (TabSheet6) --------------------------------------------------
    ui::TPanel* Panel5 = nullptr;           // the tools, left of the dump grid
    ui::TLabel* Label30 = nullptr;          // "Микросхема(Control, 160,162)"
    ui::TEdit* control = nullptr;           // "160"
    ui::TGroupBox* GroupBox23 = nullptr;    // "Работа с одним байтом"
    ui::TLabel* Label31 = nullptr;          // "Адрес(0-65536)"
    ui::TEdit* adr_one_byte = nullptr;      // "55"
    ui::TLabel* Label32 = nullptr;          // "Данные(0-255)"
    ui::TEdit* data_one_byte = nullptr;     // "55"
    ui::TButton* Button21 = nullptr;        // "Записать"
    ui::TButton* Button22 = nullptr;        // "Читать"
    ui::TGroupBox* GroupBox24 = nullptr;    // "Чтение массива"
    ui::TEdit* start_adress_32 = nullptr;   // "0"
    ui::TButton* Button20 = nullptr;        // "читать 32 байта с адреса"
    ui::TButton* Button23 = nullptr;        // "Все читать"
    ui::TProgressBar* Progress = nullptr;   // 0 to 65536
    ui::TGroupBox* GroupBox25 = nullptr;    // "Запись массива"
    ui::TLabel* Label33 = nullptr;          // "Адрес"
    ui::TEdit* Edit14 = nullptr;            // "0"
    ui::TLabel* Label34 = nullptr;          // "Размер массива(0-60)"
    ui::TEdit* Edit15 = nullptr;            // "32"
    ui::TLabel* Label35 = nullptr;          // "Значение"
    ui::TEdit* Edit16 = nullptr;            // "255"
    ui::TButton* Button24 = nullptr;        // "Записать", no handler
    ui::TButton* Button25 = nullptr;        // "Удалить все"
    ui::TStringGrid* StringGrid2 = nullptr; // 17 x 4097, column 0 and row 0 fixed

    // ==== handlers and routines, by file ====================================================

    // Unit1Protocol.cpp
    void WriteReport(const core::TOutputReport& Report);
    void ShowStatus(const std::string& Text);
    void Timer1Timer(ui::TObject* Sender);
    void BitBtn1Click(ui::TObject* Sender);
    void BitBtn2Click(ui::TObject* Sender);
    void BitBtn3MouseDown(ui::TObject* Sender, ui::TMouseButton Button, ui::TShiftState Shift,
                          int X, int Y);
    void BitBtn3MouseUp(ui::TObject* Sender, ui::TMouseButton Button, ui::TShiftState Shift, int X,
                        int Y);
    void BitBtn3Click(ui::TObject* Sender);

    // Unit1Parse.cpp
    void ParseDeviceReport(hid::THidDevice* HidDev, std::uint8_t ReportID, const void* Data,
                           std::uint16_t Size);

    // Unit1Binding.cpp
    void HidControllerArrival(hid::THidDevice* HidDev);
    bool HidControllerEnumerate(hid::THidDevice* HidDev, const std::int32_t Idx);
    std::string DeviceName(hid::THidDevice* Device);

    // Unit1Run.cpp
    void Timer2Timer(ui::TObject* Sender);
    void Timer3Timer(ui::TObject* Sender);

    // Unit1Journal.cpp
    void LoadJournal();
    void SaveJournal();
    void AppendRecord();
    void CreateGraphBoxes();
    void RemoveGraphBoxes();
    void AttachCurveFiles();
    void ToolButton1Click(ui::TObject* Sender);
    void ToolButton4Click(ui::TObject* Sender);
    void StringGrid1SelectCell(ui::TObject* Sender, int ACol, int ARow, bool& CanSelect);
    void StringGrid1DrawCell(ui::TObject* Sender, int ACol, int ARow, const ui::TRect& Rect,
                             ui::TGridDrawState State);
    void StringGrid1Click(ui::TObject* Sender);
    void CheckBox1Click(ui::TObject* Sender);
    // An edit ended in the grid: what was typed is saved at once (a display that goes, a
    // power cut, would take it otherwise).
    void StringGrid1EditingDone(ui::TObject* Sender);
    // Unit1Charts.cpp
    void N8Click(ui::TObject* Sender);
    void N9Click(ui::TObject* Sender);
    void N10Click(ui::TObject* Sender);
    void N11Click(ui::TObject* Sender);

    // Unit1Print.cpp
    void PrintMeasurement();
    void PrintJournal(ui::TStringGrid* Grid);
    void N3Click(ui::TObject* Sender);
    void ToolButton2Click(ui::TObject* Sender);
    void WebNavigateComplete2(ui::TObject* Sender, const std::string& URL);

    // Unit1Service.cpp: parameters
    void WriteControllerByte(std::uint8_t Address, std::uint8_t Value);
    void WriteEepromByte(std::uint8_t Address, std::uint8_t Value);
    void Button2Click(ui::TObject* Sender);
    void Button3Click(ui::TObject* Sender);
    void Button5Click(ui::TObject* Sender);
    void Button7Click(ui::TObject* Sender);
    void Button14Click(ui::TObject* Sender);
    void Button15Click(ui::TObject* Sender);
    void Button16Click(ui::TObject* Sender);
    void Button19Click(ui::TObject* Sender);
    void Button29Click(ui::TObject* Sender);
    void Button31Click(ui::TObject* Sender);
    void Button33Click(ui::TObject* Sender);
    void Button35Click(ui::TObject* Sender);
    void Button4Click(ui::TObject* Sender);
    void Button6Click(ui::TObject* Sender);
    void Button8Click(ui::TObject* Sender);
    void Button9Click(ui::TObject* Sender);
    void Button10Click(ui::TObject* Sender);
    void Button11Click(ui::TObject* Sender);
    void Button12Click(ui::TObject* Sender);
    void Button26Click(ui::TObject* Sender);
    void Button30Click(ui::TObject* Sender);
    void Button32Click(ui::TObject* Sender);
    void Button34Click(ui::TObject* Sender);
    void Button36Click(ui::TObject* Sender);
    void Button1Click(ui::TObject* Sender);
    void Button17Click(ui::TObject* Sender);
    void Button18Click(ui::TObject* Sender);
    // Unit1Service.cpp: EEPROM access, service charts, key sequence
    void FormKeyPress(ui::TObject* Sender, char16_t& Key);
    void Button20Click(ui::TObject* Sender);
    void Button21Click(ui::TObject* Sender);
    void Button22Click(ui::TObject* Sender);
    void Button23Click(ui::TObject* Sender);
    void Button25Click(ui::TObject* Sender);
    void Button27Click(ui::TObject* Sender);
    void Button28Click(ui::TObject* Sender);
    void Button13Click(ui::TObject* Sender);

    // Unit1Life.cpp
    void FormCreate(ui::TObject* Sender);
    void FormResize(ui::TObject* Sender);
    void FormClose(ui::TObject* Sender, ui::TCloseAction& Action);
    // Widens journal columns 0 to 4 whose texts, of rows firstRow onward, do not fit (the
    // comment column takes the rest again).
    void FitJournalColumns(int firstRow = 0);
    // The journal's designed height (FormCreate takes it from the layout).
    int FJournalHeight = 0;
    void N2Click(ui::TObject* Sender);
    void N7Click(ui::TObject* Sender);

    // ==== the window's fields (all zero, false or empty at creation) ========================

    // Measurement fields: core::TMeasurement's (FState to FAuxByte), written by
    // ParseDeviceReport from the status reports.

    // Run display.
    double FBaseline = 0;
    bool FRecordPending = false;
    int FRunSeconds = 0;
    // Status reports decoded (ParseDeviceReport counts them) and the count the last Timer2
    // tick found: a tick that finds no new report plots nothing and ends no determination.
    std::uint64_t FStatusReports = 0;
    std::uint64_t FStatusReportsTicked = 0;
    // A running state (20, 30, 40) was seen since the charts were last cleared, and the
    // results that the determination's reports gave: a ready state that follows it without
    // its end (it ended while the cable was out) records it first.
    bool FRunSeen = false;
    app::RecordResults FRunResults;

    // ---- one journal row per determination (run display and journal) ----------------------
    // Timer2Timer makes FDeterminationMark new on every tick that sets FRecordPending: a
    // ready state (1 to 4) or a running state (20, 30, 40); a determination is being
    // prepared or runs. AppendRecord takes at most one record per mark: it returns at once
    // when FRecordedMark equals FDeterminationMark, and sets FRecordedMark :=
    // FDeterminationMark before anything that can raise or open a box. So an AppendRecord
    // entered again from a tick while its error box is open, or on the tick after one that
    // ended in an error, adds no second row. (A test that appends several records by hand
    // makes the mark new in between.)
    std::uint64_t FDeterminationMark = 1;
    std::uint64_t FRecordedMark = 0;

    // ---- journal rows' attachments (Unit1Journal.cpp) -------------------------------------
    // The graph boxes (objects of column 5) and curve-file references (columns 1, 2, 3) of
    // StringGrid1's record rows; test a cell object with app::GraphBoxOf / app::CurveFileRefOf.
    app::TJournalAttachments FJournalCells;
    // data2.tab exists but did not load whole: its old bytes are kept beside it (or in gr/)
    // before the first SaveJournal replaces it; where they can be kept nowhere, the operator
    // is asked whether to write the journal without them.
    bool FJournalKeepOld = false;
    // Set with FJournalKeepOld: the curve files of records that are not in the grid are
    // renamed aside (as the journal's copy is named) before the first record is written or
    // the journal first replaced. FCurveFilesKept holds their new names until the box that
    // says where the journal was kept; FCurveFilesLeft those that could not be renamed (with
    // the reason), which are never written over.
    bool FCurveFilesKeepOld = false;
    std::vector<std::string> FCurveFilesKept;
    std::map<std::string, std::string> FCurveFilesLeft;
    // The box that names the characters a saved journal could not hold has been shown (once
    // a session).
    bool FCharsNotKeptTold = false;
    // The numbers of the records appended since the last save that reached data2.tab whose
    // curve files were written: a failed save says so with its error.
    std::vector<std::string> FCurvesWithoutLine;
    // The operator is being asked whether to write the journal without its old bytes: a save
    // entered meanwhile (a tick's record, an edit) leaves the rows to the save that asks.
    bool FJournalAsking = false;
    // AppendRecord and the deletion close the grid's editor and save themselves.
    bool FEditSavePaused = false;
    // The first record row whose graph box is marked, or 0 when none is.
    int MarkedJournalRow() const;
    // The texts of the record rows (grid row r is element r - 1).
    std::vector<core::TJournalRow> JournalRows() const;

    // The drain button: held (its drain written, no release yet), and an end of drain owed
    // to the analyzer (a drain was sent and no end has been written since), which the poll
    // sends while the button is not held.
    bool FDrainHeld = false;
    bool FDrainEndOwed = false;

    // Service sequence.
    std::int32_t FServiceKeyCount = 0;

    // Devices.
    std::vector<app::TDeviceEntry> FDeviceList;
    hid::THidDevice* FCurrentDevice = nullptr;

    // The edit of a value of the parameter table, or nullptr (removed by the English build).
    ui::TEdit* ParameterEdit(core::TParameterRef Ref) const;

    // What differs in the English build's parsing (set before the first report arrives).
    core::TParseRules FParseRules = core::kRussianParseRules;

private:
    // Unit1.cpp: the parts of the layout.
    void CreateMenus();
    void CreateBottom();
    void CreateDisplays();
    void CreateCharts();
    void CreateJournal();
    void CreateCorrectionsTab();
    void CreateSystemTab();
    void CreateEepromTab();
    void BindHandlers();

    // Unit1Binding.cpp: gives every held device back and empties FDeviceList.
    void FreeDeviceList();

    // Unit1Parse.cpp: the parts of ParseDeviceReport.
    void ShowStatusReport(const std::uint8_t* Data, std::size_t Size,
                          const hid::THidDevice* Device);
    void ShowEepromReply(const core::TEepromReply& Reply);

    // Unit1Journal.cpp: empties a row's texts and gives its attachments back; closes the grid's
    // editor without the save of an edit.
    void ClearJournalRow(int Row);
    void CloseJournalEditor();
    // Writes the rows of the grid to data2.tab (the error raised names the records that are
    // only in the window while their curve files are written).
    void WriteJournal();
};

// The main window (set by Application->CreateForm; tests set it themselves).
extern TForm1* Form1;
