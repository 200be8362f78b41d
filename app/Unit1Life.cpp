// The main window's creation, resize and close, and the main menu's "Выход".
#include <algorithm>

#include "app/ProgramDir.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "app/about.h"
#include "platform/Files.h"
#include "platform/WinApi.h"

namespace {

constexpr int kJournalWidths[5] = {50, 110, 50, 50, 50};
// On a small screen the journal gives the run charts this much of the height (the tabs
// included), and keeps its head and two rows.
constexpr int kChartsMinHeight = 250;
constexpr int kJournalMinHeight = 74;
// The first service chart's designed height; on a lower page the two service charts share it.
constexpr int kServiceChartHeight = 195;

// Journal column 5 takes what columns 0 to 4 leave of width, less 50.
int CommentColumnWidth(ui::TStringGrid* grid, int width) {
    for (int c = 0; c < 5; ++c)
        width -= grid->ColWidths(c);
    return width - 50;
}

// Columns 0 to 4 keep their widths where their texts fit, and widen to show them whole
// where they do not. Returns whether one widened.
bool WidenJournalColumns(ui::TStringGrid* grid, int firstRow = 0) {
    bool widened = false;
    for (int c = 0; c < 5; ++c) {
        const int need = grid->ColTextWidth(c, firstRow);
        if (need > grid->ColWidths(c)) {
            grid->SetColWidths(c, need);
            widened = true;
        }
    }
    return widened;
}

void SetChartTexts(ui::TChart* chart, const char* title, const char* foot, const char* axis) {
    chart->TitleText().Clear();
    chart->TitleText().Add(title);
    chart->FootText().Clear();
    chart->FootText().Add(foot);
    chart->SetLeftAxisTitle(axis);
}

// The main screen's texts of this build (the design's own in the Russian build).
void SetCaptions(TForm1& f, const app::TTexts& t) {
    f.TabSheet1->SetCaption(t.TabSheet1);
    f.TabSheet2->SetCaption(t.TabSheet2);
    f.TabSheet3->SetCaption(t.TabSheet3);
    f.GroupBox1->SetCaption(t.GroupBox1);
    f.GroupBox4->SetCaption(t.GroupBox4);
    f.GroupBox2->SetCaption(t.GroupBox2);
    f.GroupBox3->SetCaption(t.GroupBox3);
    f.GroupBox5->SetCaption(t.GroupBox5);
    f.N1->SetCaption(t.N1);
    f.N3->SetCaption(t.N3);
    f.N2->SetCaption(t.N2);
    f.SetCaption(t.FormCaption);
    f.ToolButton4->SetCaption(t.ToolButton4);
    f.ToolButton2->SetCaption(t.ToolButton2);
    f.ToolButton1->SetCaption(t.ToolButton1);
    f.BitBtn3->SetCaption(t.BitBtn3);
    f.BitBtn2->SetCaption(t.BitBtn2);
    f.BitBtn1->SetCaption(t.BitBtn1);
    SetChartTexts(f.Chart1, t.Chart1Title, t.Chart1Foot, t.Chart1LeftAxis);
    SetChartTexts(f.Chart2, t.Chart2Title, t.Chart2Foot, t.Chart2LeftAxis);
    SetChartTexts(f.Chart3, t.Chart3Title, t.Chart3Foot, t.Chart3LeftAxis);
}

} // namespace

void TForm1::FormCreate(ui::TObject*) {
    SetCurrentDirectoryA(app::ProgramDir().c_str());
    // Temporary files of saves that a killed process left.
    platform::RemoveStaleTemporaries(app::ProgramDir());
    platform::RemoveStaleTemporaries(app::ProgramDir() + "gr/");
    FDeviceList.clear();

    FJournalHeight = StringGrid1->Height();
    const app::TTexts& t = app::Texts();
    for (int c = 0; c < 5; ++c) {
        StringGrid1->SetCells(c, 0, t.JournalHeader[c]);
        StringGrid1->SetColWidths(c, kJournalWidths[c]);
    }
    StringGrid1->SetCells(5, 0, t.JournalHeader[5]);
    SetCaptions(*this, t);
    WidenJournalColumns(StringGrid1);
    StringGrid1->SetColWidths(5, CommentColumnWidth(StringGrid1, Panel1->Width()));

    // A missing data2.tab leaves here: its error box shows, and the window goes on with
    // an empty journal.
    LoadJournal();
    FRecordPending = false;
    CreateGraphBoxes();
    AttachCurveFiles();
    FitJournalColumns();
    StringGrid1->SetTopRow(StringGrid1->RowCount() - 1);
}

void TForm1::FitJournalColumns(int firstRow) {
    if (WidenJournalColumns(StringGrid1, firstRow))
        FormResize(this);
}

void TForm1::FormResize(ui::TObject*) {
    StringGrid1->SetColWidths(5, CommentColumnWidth(StringGrid1, StringGrid1->Width()));
    // The designed height where the window is large enough; lower where the run charts
    // would have too little room to show their axes.
    if (FJournalHeight <= 0)
        return;
    const int room =
        Panel1->ClientHeight() - Panel2->Height() - ToolBar1->Height() - kChartsMinHeight;
    const int height = std::clamp(room, kJournalMinHeight, FJournalHeight);
    const int old = StringGrid1->Height();
    if (height != old)
        StringGrid1->SetBounds(StringGrid1->Left(), StringGrid1->Top() + old - height,
                               StringGrid1->Width(), height);
    const int shared = std::min(kServiceChartHeight, TabSheet5->Height() / 2);
    if (shared > 0 && Chart4->Height() != shared)
        Chart4->SetHeight(shared);
}

void TForm1::FormClose(ui::TObject*, ui::TCloseAction& Action) {
    // A close that comes while the operator is asked whether to write the journal (an end
    // signal, a logout) is abandoned: the answer writes it, and the operator closes again.
    if (FJournalAsking) {
        Action = ui::caNone;
        return;
    }
    // A journal that cannot be written raises here, and the close is abandoned.
    SaveJournal();
}

void TForm1::N2Click(ui::TObject*) { Close(); }

void TForm1::N7Click(ui::TObject*) {
    if (AboutBox)
        AboutBox->ShowModal();
}
