// The journal: StringGrid1's record rows, data2.tab, the record curve files, the graph boxes
// and the journal's tool buttons and grid events.
#include "app/Unit1Journal.h"

#include "app/LSgraf.h"
#include "app/ProgramDir.h"
#include "app/Texts.h"
#include "app/Unit1.h"
#include "platform/Files.h"
#include "platform/FolderList.h"
#include "app/core/Journal.h"
#include "app/core/NumberText.h"
#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace app {

// ---- attachments ---------------------------------------------------------------------------

TGraphBox* GraphBoxOf(ui::TObject* cellObject) { return dynamic_cast<TGraphBox*>(cellObject); }

TCurveFileRef* CurveFileRefOf(ui::TObject* cellObject) {
    return dynamic_cast<TCurveFileRef*>(cellObject);
}

TJournalAttachments::TJournalAttachments() = default;
TJournalAttachments::~TJournalAttachments() = default;

TGraphBox* TJournalAttachments::NewGraphBox() {
    TGraphBox* box = nullptr;
    if (!freeBoxes_.empty()) {
        box = freeBoxes_.back();
        freeBoxes_.pop_back();
        free_.erase(box);
    } else {
        boxes_.push_back(std::make_unique<TGraphBox>());
        box = boxes_.back().get();
        mine_.insert(box);
    }
    box->SetChecked(false);
    box->SetVisible(false);
    return box;
}

TCurveFileRef* TJournalAttachments::NewCurveFileRef(const std::string& path) {
    auto ref = std::make_unique<TCurveFileRef>(path);
    TCurveFileRef* raw = ref.get();
    refs_.emplace(raw, std::move(ref));
    return raw;
}

void TJournalAttachments::Release(ui::TObject* object) {
    if (object == nullptr)
        return;
    if (auto* box = GraphBoxOf(object); box && mine_.contains(box)) {
        if (free_.insert(box).second) {
            box->SetChecked(false);
            box->SetVisible(false);
            freeBoxes_.push_back(box);
        }
        return;
    }
    refs_.erase(object);
}

std::string JournalDateTimeText(const ui::TDateTimeTexts& when) {
    return core::RecordDateTimeText(when.Date, when.Time);
}

} // namespace app

// ---- the window's journal ------------------------------------------------------------------

namespace {

constexpr int kNumberCol = 0;
constexpr int kCommentCol = 5;
// Columns of the curve-file references.
constexpr int kChart3RefCol = 1;
constexpr int kChart1RefCol = 2;
constexpr int kChart2RefCol = 3;

constexpr ui::TColor kMarkedRowColor = 0xCCCCFF;

const ui::TGridOptions kJournalOptions = ui::TGridOptions()
                                         << ui::goFixedVertLine << ui::goFixedHorzLine
                                         << ui::goVertLine << ui::goHorzLine << ui::goRangeSelect
                                         << ui::goDrawFocusSelected << ui::goColSizing;

std::string JournalPath() { return app::ProgramDir() + core::kJournalFileName; }

std::vector<std::string> RowVector(const core::TJournalRow& row) {
    return std::vector<std::string>(row.begin(), row.end());
}

} // namespace

void TForm1::ClearJournalRow(int Row) {
    for (int c = 0; c < StringGrid1->ColCount(); ++c) {
        ui::TObject* object = StringGrid1->Objects(c, Row);
        StringGrid1->SetObjects(c, Row, nullptr);
        FJournalCells.Release(object);
        StringGrid1->SetCells(c, Row, std::string());
    }
}

// Keeps the journal's present bytes in a copy, beside it or else in gr/; the copy's path, or
// "" when there is no journal to keep. A journal that cannot be read is renamed to the copy's
// name. Behind a symbolic link the journal is the file the link leads to, as for a save: a
// link that leads to nothing keeps nothing. Raises rt::EFCreateError (the first place's) when
// no copy can be made.
static std::string KeepOldJournal(const std::string& path) {
    const std::string journal = platform::LinkTarget(path);
    const std::string places[] = {journal, app::ProgramDir() + "gr/" + core::kJournalFileName};
    std::string bytes;
    bool unreadable = false;
    try {
        bytes = platform::ReadFileBytes(journal);
    } catch (const rt::EFOpenError&) {
        unreadable = true;
    }
    std::optional<rt::EFCreateError> first;
    for (const std::string& place : places) {
        const std::string copy = core::JournalCopyName(place, &platform::PathTaken);
        try {
            if (unreadable)
                return platform::RenameFile(journal, copy) ? copy : std::string();
            platform::ReplaceFile(copy, bytes);
            return copy;
        } catch (const rt::EFCreateError& e) {
            if (!first)
                first = e;
        }
    }
    throw *first;
}

// Renames aside, once, the curve files of gr/ that belong to no record row (the records that
// now live only in the journal's copy), so that no new record writes over them.
static void KeepCurveFilesOfNoRecord(TForm1& f) {
    if (!f.FCurveFilesKeepOld)
        return;
    f.FCurveFilesKeepOld = false;
    const std::string gr = app::ProgramDir() + "gr/";
    std::vector<std::string> numbers;
    for (int r = 1; r < f.StringGrid1->RowCount(); ++r)
        numbers.push_back(f.StringGrid1->Cells(kNumberCol, r));
    for (const std::string& name : core::CurveFilesOfNoRecord(platform::FolderNames(gr), numbers)) {
        const std::string path = gr + name;
        try {
            const std::string kept = core::JournalCopyName(path, &platform::PathTaken);
            if (platform::RenameFile(path, kept))
                f.FCurveFilesKept.push_back(kept);
        } catch (const rt::EFCreateError& e) {
            f.FCurveFilesLeft.emplace(path, e.Message());
        }
    }
}

// The box that says what was kept where ("" when nothing was).
static std::string KeptText(const std::string& journalCopy,
                            const std::vector<std::string>& curves) {
    const app::TTexts& t = app::Texts();
    std::string text;
    if (!journalCopy.empty())
        text = std::string(t.JournalKept) + journalCopy;
    if (!curves.empty()) {
        if (!text.empty())
            text += '\n';
        text += t.CurveFilesKept;
        for (const std::string& kept : curves)
            text += '\n' + kept;
    }
    return text;
}

// The file's code page writes what it cannot hold as '?': the first time that happens in a
// session a box names those characters.
static void TellCharsNotKept(TForm1& f, const std::vector<core::TJournalRow>& rows) {
    if (f.FCharsNotKeptTold)
        return;
    std::string text;
    for (const core::TJournalRow& row : rows)
        for (const std::string& cell : row)
            text += cell;
    const std::vector<std::string> lost = rt::CharsNotInCp1251(text);
    if (lost.empty())
        return;
    f.FCharsNotKeptTold = true;
    std::string names;
    for (const std::string& ch : lost)
        names += (names.empty() ? "" : " ") + ch;
    ui::MessageDlg(app::TextWith(app::Texts().CharsNotKept, names), ui::mtWarning, ui::mbOK);
}

void TForm1::LoadJournal() {
    // A journal that exists but does not load whole is kept before it is first replaced.
    FJournalKeepOld = platform::PathTaken(JournalPath());
    FCurveFilesKeepOld = FJournalKeepOld;
    const core::TJournalFile journal = core::LoadJournalFile(JournalPath());
    FJournalKeepOld = !journal.Whole;
    FCurveFilesKeepOld = FJournalKeepOld;
    const std::vector<core::TJournalRow>& records = journal.Rows;
    if (records.empty())
        return;
    // The first record goes into the grid's last row, every later one into a new row below.
    const int first = StringGrid1->RowCount() - 1;
    StringGrid1->SetRowCount(first + static_cast<int>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i)
        StringGrid1->SetRowTexts(first + static_cast<int>(i), RowVector(records[i]));
}

std::vector<core::TJournalRow> TForm1::JournalRows() const {
    std::vector<core::TJournalRow> rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, StringGrid1->RowCount() - 1)));
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        core::TJournalRow row;
        for (int c = 0; c < static_cast<int>(core::kJournalColumns); ++c)
            row[static_cast<std::size_t>(c)] = StringGrid1->Cells(c, r);
        rows.push_back(std::move(row));
    }
    return rows;
}

void TForm1::CloseJournalEditor() {
    const bool paused = FEditSavePaused;
    FEditSavePaused = true;
    StringGrid1->SetEditorMode(false);
    FEditSavePaused = paused;
}

// Writes, then says what is to be said whatever became of the write, then raises what the
// write raised: a box left open holds back nothing that is to be written.
template <class Write, class Say>
static void WriteThenSay(Write write, Say say) {
    std::exception_ptr failed;
    try {
        write();
    } catch (...) {
        failed = std::current_exception();
    }
    say();
    if (failed)
        std::rethrow_exception(failed);
}

// The error of a journal not written, with the records of the grid whose curve files are
// written while their lines are not.
static rt::EFCreateError WithCurvesWithoutLine(const rt::EFCreateError& e, const TForm1& f) {
    const std::vector<core::TJournalRow> rows = f.JournalRows();
    std::string numbers;
    for (const std::string& number : f.FCurvesWithoutLine)
        if (std::any_of(rows.begin(), rows.end(),
                        [&](const core::TJournalRow& row) { return row[kNumberCol] == number; }))
            numbers += (numbers.empty() ? "" : ", ") + number;
    return numbers.empty() ? e : e.WithLine(app::TextWith(app::Texts().CurvesWithoutLine, numbers));
}

void TForm1::WriteJournal() {
    const std::vector<core::TJournalRow> rows = JournalRows();
    try {
        core::SaveJournalFile(JournalPath(), rows);
    } catch (const rt::EFCreateError& e) {
        throw WithCurvesWithoutLine(e, *this);
    }
    FCurvesWithoutLine.clear();
    TellCharsNotKept(*this, rows);
}

void TForm1::SaveJournal() {
    // The operator is asked below whether to write at all: the answer's save takes the rows.
    if (FJournalAsking)
        return;
    KeepCurveFilesOfNoRecord(*this);
    std::string kept;
    if (FJournalKeepOld) {
        std::string copy;
        try {
            copy = KeepOldJournal(JournalPath());
        } catch (const rt::EFCreateError& e) {
            // Nowhere to keep the old bytes: the operator chooses between them and the rows of
            // this session; a "No" leaves the journal as it is and the window open. The box
            // lets ticks and edits run: the rows are taken after it.
            FJournalAsking = true;
            const int answer = ui::MessageDlg(app::Texts().JournalNotKept + e.Message(),
                                              ui::mtWarning, ui::mbYes | ui::mbNo);
            FJournalAsking = false;
            if (answer != ui::mrYes)
                throw WithCurvesWithoutLine(e, *this);
        }
        FJournalKeepOld = false;
        kept = KeptText(copy, FCurveFilesKept);
        FCurveFilesKept.clear();
    }
    if (kept.empty())
        return WriteJournal();
    // Said once the rows are on the disk (or their write failed); what changes while the box
    // is open is written too.
    const std::vector<core::TJournalRow> written = JournalRows();
    WriteThenSay([this] { WriteJournal(); },
                 [&] { ui::MessageDlg(kept, ui::mtInformation, ui::mbOK); });
    if (JournalRows() != written)
        WriteJournal();
}

void TForm1::AppendRecord() {
    // One record per determination: a second call (from a tick that comes while an error box
    // of this call is open, or after this call failed) adds nothing.
    if (FRecordedMark == FDeterminationMark)
        return;
    FRecordedMark = FDeterminationMark;

    const std::string dateTime = app::JournalDateTimeText(ui::NowTexts());
    // The rows hold what is being typed: the editor puts every change into its cell at once.
    std::vector<core::TJournalRow> rows = JournalRows();
    const std::optional<std::size_t> at =
        core::AppendRecordRow(rows, dateTime, FCloudPoint, FPourPoint, FFilterPoint, FAdditive);
    if (!at)
        return;
    KeepCurveFilesOfNoRecord(*this);

    // What is typed stays in its own row: the editor does not follow rows that change. It
    // opens again on the same cell once the row is in place, so typing goes on there.
    const bool editing = StringGrid1->EditorMode();
    CloseJournalEditor();
    const int last = static_cast<int>(*at) + 1;
    if (StringGrid1->RowCount() <= last)
        StringGrid1->SetRowCount(last + 1);
    const std::string number = rows[*at][kNumberCol];
    ClearJournalRow(last);
    StringGrid1->SetRowTexts(last, RowVector(rows[*at]));
    FitJournalColumns(last); // the other rows fit already
    StringGrid1->SetTopRow(last);
    if (editing)
        StringGrid1->SetEditorMode(true);

    // All three curves are taken before the first write: an error box of one file lets ticks
    // run, and a ready state would clear the charts before the next file is written.
    const std::string dir = app::ProgramDir();
    const auto chart2 = ChartSeriesPoints({Chart2});
    const auto chart3 = ChartSeriesPoints({Chart3});
    const auto chart1 = ChartSeriesPoints({Chart1});
    std::vector<std::string> errors;
    bool written = false;
    auto save = [&](const std::vector<core::TCurveSeries>& points, const std::string& path) {
        // The curves of a record that is not in the grid stay as they are.
        if (const auto left = FCurveFilesLeft.find(path); left != FCurveFilesLeft.end()) {
            errors.push_back(left->second);
            return;
        }
        std::string error = WriteSeriesPoints(points, path, " ");
        if (error.empty())
            written = true;
        else
            errors.push_back(std::move(error));
    };
    save(chart2, core::RecordCurveFileChart2(dir, number));
    save(chart3, core::RecordCurveFileChart3(dir, number));
    save(chart1, core::RecordCurveFileChart1(dir, number));
    if (written && std::find(FCurvesWithoutLine.begin(), FCurvesWithoutLine.end(), number) ==
                       FCurvesWithoutLine.end())
        FCurvesWithoutLine.push_back(number);

    CreateGraphBoxes();
    AttachCurveFiles();
    // The record reaches data2.tab before the boxes of its curve files are shown: a box left
    // open would hold it, and every record after it, back.
    WriteThenSay([this] { SaveJournal(); },
                 [&] {
                     for (const std::string& error : errors)
                         ShowCurveFileError(error);
                 });
}

void TForm1::CreateGraphBoxes() {
    RemoveGraphBoxes();
    for (int r = 1; r < StringGrid1->RowCount(); ++r)
        StringGrid1->SetObjects(kCommentCol, r, FJournalCells.NewGraphBox());
}

void TForm1::RemoveGraphBoxes() {
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        app::TGraphBox* box = app::GraphBoxOf(StringGrid1->Objects(kCommentCol, r));
        if (box == nullptr)
            continue;
        box->SetVisible(false);
        StringGrid1->SetObjects(kCommentCol, r, nullptr);
        FJournalCells.Release(box);
    }
}

void TForm1::AttachCurveFiles() {
    const std::string dir = app::ProgramDir();
    auto attach = [this](int col, int row, const std::string& path) {
        ui::TObject* old = StringGrid1->Objects(col, row);
        // A cell that already refers to this path stays as it is whether the file exists
        // (a new reference would be the same) or not (the cell is left as it was).
        if (app::TCurveFileRef* ref = app::CurveFileRefOf(old); ref && ref->Caption() == path)
            return;
        if (!platform::FileExists(path) || FCurveFilesLeft.contains(path))
            return;
        StringGrid1->SetObjects(col, row, FJournalCells.NewCurveFileRef(path));
        FJournalCells.Release(old);
    };
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        const std::string number = StringGrid1->Cells(kNumberCol, r);
        attach(kChart3RefCol, r, core::RecordCurveFileChart3(dir, number));
        attach(kChart1RefCol, r, core::RecordCurveFileChart1(dir, number));
        attach(kChart2RefCol, r, core::RecordCurveFileChart2(dir, number));
    }
}

void TForm1::ToolButton1Click(ui::TObject*) {
    CloseJournalEditor();
    const int r = StringGrid1->Row();
    const int rows = StringGrid1->RowCount();
    std::vector<core::TJournalRow> texts = JournalRows();
    switch (core::DeleteRecordRow(texts, r)) {
    case core::TRowDeletion::None: return;
    case core::TRowDeletion::Blanked:
        // The only record row stays, blanked, with its attachments.
        StringGrid1->SetRowTexts(1, RowVector(texts[0]));
        break;
    case core::TRowDeletion::Removed:
        ClearJournalRow(r);
        for (int j = r; j <= rows - 2; ++j) {
            for (int c = 0; c < StringGrid1->ColCount(); ++c)
                StringGrid1->SetObjects(c, j, StringGrid1->Objects(c, j + 1));
            StringGrid1->SetRowTexts(j, RowVector(texts[static_cast<std::size_t>(j - 1)]));
        }
        // The last row's objects moved up: take them off before the row goes.
        for (int c = 0; c < StringGrid1->ColCount(); ++c)
            StringGrid1->SetObjects(c, rows - 1, nullptr);
        StringGrid1->SetRowCount(rows - 1);
        break;
    }
    // The deletion reaches data2.tab at once, as an edit does.
    SaveJournal();
}

void TForm1::ToolButton4Click(ui::TObject*) {
    const int current = StringGrid1->Row();
    for (int r = 1; r < StringGrid1->RowCount(); ++r)
        if (r != current)
            if (app::TGraphBox* box = app::GraphBoxOf(StringGrid1->Objects(kCommentCol, r)))
                box->SetChecked(false);

    bool marked = false;
    std::string chart3File, chart1File, chart2File;
    if (current >= 1 && current < StringGrid1->RowCount()) {
        if (app::TGraphBox* box = app::GraphBoxOf(StringGrid1->Objects(kCommentCol, current))) {
            box->SetChecked(!box->Checked());
            marked = box->Checked();
        }
        // Taken now: a load's error box lets other handlers change the grid meanwhile.
        auto ref = [&](int col) {
            app::TCurveFileRef* f = app::CurveFileRefOf(StringGrid1->Objects(col, current));
            return f ? f->Caption() : std::string();
        };
        chart3File = ref(kChart3RefCol);
        chart1File = ref(kChart1RefCol);
        chart2File = ref(kChart2RefCol);
    }
    StringGrid1->Repaint();

    ClearChartSeries({Chart1});
    ClearChartSeries({Chart2});
    ClearChartSeries({Chart3});
    if (!marked)
        return;
    if (!chart3File.empty())
        LoadChartSeries({Chart3}, chart3File);
    if (!chart1File.empty())
        LoadChartSeries({Chart1}, chart1File);
    if (!chart2File.empty())
        LoadChartSeries({Chart2}, chart2File);
}

void TForm1::StringGrid1SelectCell(ui::TObject*, int ACol, int ARow, bool& CanSelect) {
    if (ARow >= 0 && ARow < StringGrid1->RowCount())
        StatusBar1->Panels(2).SetText(StringGrid1->Cells(kCommentCol, ARow));
    StringGrid1->SetOptions(ACol == kCommentCol ? kJournalOptions << ui::goEditing
                                                : kJournalOptions);
    CanSelect = true;
}

void TForm1::StringGrid1DrawCell(ui::TObject*, int ACol, int ARow, const ui::TRect& Rect,
                                 ui::TGridDrawState) {
    if (ARow < 1 || ARow >= StringGrid1->RowCount() || ACol < 0 || ACol >= StringGrid1->ColCount())
        return;
    app::TGraphBox* box = app::GraphBoxOf(StringGrid1->Objects(kCommentCol, ARow));
    if (box == nullptr || !box->Checked())
        return;
    ui::TCanvas* canvas = StringGrid1->Canvas();
    if (canvas == nullptr)
        return;
    canvas->Brush.Color = kMarkedRowColor;
    canvas->FillRect(Rect);
    canvas->Font.Color = ui::clBlack;
    canvas->TextOut(Rect.Left, Rect.Top, StringGrid1->Cells(ACol, ARow));
}

void TForm1::StringGrid1Click(ui::TObject*) {}

void TForm1::CheckBox1Click(ui::TObject*) {}

void TForm1::StringGrid1EditingDone(ui::TObject*) {
    if (!FEditSavePaused)
        SaveJournal();
}

int TForm1::MarkedJournalRow() const {
    for (int r = 1; r < StringGrid1->RowCount(); ++r)
        if (app::TGraphBox* box = app::GraphBoxOf(StringGrid1->Objects(kCommentCol, r));
            box && box->Checked())
            return r;
    return 0;
}
