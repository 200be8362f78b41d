// The two printed reports on the main window: the files in the program's directory, which
// record or live results the measurement report takes, the preview that follows each
// completed load, and the failures that end a report.
#include "JournalSupport.h"

#include <QCoreApplication>
#include <QImage>
#include <QTextDocument>

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "app/Texts.h"
#include "app/core/ReportPage.h"
#include "runtime/CodePage.h"
#include "tests/platform/PermissionsBind.h"

using namespace apptest;
namespace fs = std::filesystem;

namespace {

// Pixels that differ between two pictures (every pixel, when the sizes differ).
long PixelsApart(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return long(a.width()) * a.height();
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

class Print : public JournalFixture {
protected:
    std::string Page() const { return ReadBytes(Dir() / "tmp1.html"); }
    std::string PagePath() const { return Prog() + "tmp1.html"; }

    std::vector<ui::ModalRequest> BoxesOf(ui::ModalKind kind) {
        std::vector<ui::ModalRequest> out;
        for (const auto& r : Boxes().Requests())
            if (r.kind == kind)
                out.push_back(r);
        return out;
    }
    std::vector<ui::ModalRequest> Previews() { return BoxesOf(ui::ModalKind::PrintPreview); }
    std::vector<ui::ModalRequest> MessageBoxes() { return BoxesOf(ui::ModalKind::MessageBox); }

    // The error box of a report that could not write the file named, and no preview.
    void ExpectWriteErrorOnly(const std::string& failing) {
        Drain();
        ASSERT_EQ(MessageBoxes().size(), 1u);
        EXPECT_EQ(MessageBoxes()[0].caption, ui::Application->Title());
        EXPECT_EQ(
            MessageBoxes()[0].text.rfind("Cannot create file \"" + Prog() + failing + "\".", 0), 0u)
            << MessageBoxes()[0].text;
        EXPECT_EQ(form_->Web->Document(), nullptr);
        EXPECT_TRUE(Previews().empty());
    }

    core::TJournalRow Row(int r) const {
        core::TJournalRow row;
        for (int c = 0; c < 6; ++c)
            row[c] = Cell(c, r);
        return row;
    }

    std::string MeasurementPage(const core::TJournalRow* record) const {
        return core::ReportFileBytes(core::PrintMeasurementLines(
            record, form_->FCloudPoint, form_->FPourPoint, form_->FFilterPoint));
    }

    void SetResults(float cloud, float pour, float filter) {
        form_->FCloudPoint = cloud;
        form_->FPourPoint = pour;
        form_->FFilterPoint = filter;
    }

    // A journal of three records with results that no live field holds.
    void StartWithThreeRecords() {
        std::vector<core::TJournalRow> rows;
        for (int i = 1; i <= 3; ++i)
            rows.push_back({std::to_string(i), "0" + std::to_string(i) + ".02.2026  10:00:00",
                            "-" + std::to_string(i) + ".5", "-2" + std::to_string(i), "?",
                            "проба " + std::to_string(i)});
        Start(core::SerializeJournal(rows));
    }

    static bool Contains(const std::string& bytes, const std::string& utf8Line) {
        return bytes.find(rt::Utf8ToCp1251(utf8Line + "\r\n")) != std::string::npos;
    }
};

TEST_F(Print, MeasurementWritesThePicturesAndThePageIntoTheProgramDirectory) {
    Start();
    FillCharts(2);
    SetResults(-5.25f, 77, -15);

    form_->N3->Click();

    EXPECT_EQ(MessageBoxes().size(), 0u);
    EXPECT_EQ(Page(), MeasurementPage(nullptr));
    EXPECT_TRUE(Contains(Page(), "<td align=center><b><font size=16>-5.2</b></td>"));
    EXPECT_TRUE(Contains(Page(), "<td align=center><b><font size=+1>?</b></td>"));
    // g1, g2, g3 are Chart1, Chart2, Chart3 as they stand: each picture is nearest to its own
    // chart's (the axes may round their bounds a little differently from one drawing to the next).
    QImage pictures[3];
    for (int i = 0; i < 3; ++i)
        pictures[i] = (i == 0 ? form_->Chart1 : i == 1 ? form_->Chart2 : form_->Chart3)->Picture();
    for (int i = 0; i < 3; ++i) {
        const fs::path file = Dir() / ("g" + std::to_string(i + 1) + ".bmp");
        SCOPED_TRACE(file.string());
        EXPECT_EQ(ReadBytes(file).substr(0, 2), "BM");
        const QImage saved =
            QImage(QString::fromStdString(file.string())).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved.size(), pictures[i].size());
        int nearest = -1;
        long best = -1;
        for (int k = 0; k < 3; ++k) {
            const long d = PixelsApart(saved, pictures[k]);
            if (best < 0 || d < best) {
                best = d;
                nearest = k;
            }
        }
        EXPECT_EQ(nearest, i);
    }
}

TEST_F(Print, BeforeAnyStatusReportTheResultsPrintAsZero) {
    Start();
    form_->N3->Click();
    const std::string page = Page();
    std::size_t zeros = 0;
    const std::string cell = "<td align=center><b><font size=16>0</b></td>\r\n";
    for (auto at = page.find(cell); at != std::string::npos; at = page.find(cell, at + 1))
        ++zeros;
    EXPECT_EQ(zeros, 3u);
}

// The record is the first row whose graph box is marked (by "Показать/Cкрыть график"); a
// row that is only selected is no record.
TEST_F(Print, MarkedRecordOrLiveResults) {
    struct Case {
        const char* name;
        std::vector<int> shown; // rows pressed with "Показать/Cкрыть график", in turn
        int selected;           // the row selected last
        int record;             // 0: the live results
    } const cases[] = {
        {"nothing marked", {}, 0, 0},          {"a row selected only", {}, 2, 0},
        {"a row marked", {2}, 2, 2},           {"the mark moved", {2, 3}, 3, 3},
        {"the mark taken back", {2, 2}, 2, 0}, {"marked, then another row selected", {3}, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartWithThreeRecords();
        SetResults(-7.04f, -30, 77);
        for (int r : c.shown)
            PressShowHide(r);
        if (c.selected)
            Select(0, c.selected);

        form_->N3->Click();

        if (c.record) {
            const core::TJournalRow row = Row(c.record);
            EXPECT_EQ(Page(), MeasurementPage(&row));
            EXPECT_TRUE(Contains(Page(), "<b><h2>" + row[1] + "<h2></b>"));
            EXPECT_TRUE(Contains(Page(), "<td align=center><b><font size=16>?</b></td>"));
            EXPECT_TRUE(Contains(Page(), "<b><font size=+1> Примечение:" + row[5] + "</b>"));
        } else {
            EXPECT_EQ(Page(), MeasurementPage(nullptr));
            EXPECT_EQ(Page().find("<h2>"), std::string::npos);
        }
        DestroyWindow();
    }
}

// The page shows the texts as typed: a "<", "&" or "<!--" hides nothing after it.
TEST_F(Print, RecordTextsShowAsTyped) {
    StartWithThreeRecords();
    form_->StringGrid1->SetCells(1, 1, "a<b & c");
    form_->StringGrid1->SetCells(5, 1, " ");
    form_->StringGrid1->SetCells(5, 2, "<i>x</i> &amp; Присадка. <!--");
    PressShowHide(1);

    form_->N3->Click();
    EXPECT_TRUE(Contains(Page(), "<b><h2>a&lt;b &amp; c<h2></b>"));
    EXPECT_TRUE(Contains(Page(), "<b><font size=+1> Примечение: </b>"));

    form_->ToolButton2->Click();
    EXPECT_TRUE(Contains(Page(), "<td align=center>a&lt;b &amp; c</td>"));
    EXPECT_TRUE(
        Contains(Page(), "<td align=center>&lt;i&gt;x&lt;/i&gt; &amp;amp; Присадка. &lt;!--</td>"));
    ASSERT_NE(form_->Web->Document(), nullptr);
    const std::string shown = form_->Web->Document()->toPlainText().toStdString();
    EXPECT_NE(shown.find("<i>x</i> &amp; Присадка. <!--"), std::string::npos) << shown;
    EXPECT_NE(shown.find("проба 3"), std::string::npos) << shown;
}

TEST_F(Print, JournalWritesEveryRowAndNoPicture) {
    struct Case {
        const char* name;
        std::vector<core::TJournalRow> rows; // data2.tab
    } const cases[] = {
        {"one blank row", {{"", "", "", "", "", ""}}},
        {"a blank row between records",
         {{"1", "01.02.2026  10:00:00", "-5", "-20", "-15", "Присадка."},
          {"", "", "", "", "", ""},
          {"3", "03.02.2026  11:00:00", "?", "?", "?", " "}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(core::SerializeJournal(c.rows));
        ASSERT_EQ(Rows(), static_cast<int>(c.rows.size()) + 1);

        form_->ToolButton2->Click();

        std::vector<core::TJournalRow> grid;
        for (int r = 1; r < Rows(); ++r)
            grid.push_back(Row(r));
        EXPECT_EQ(Page(), core::ReportFileBytes(core::PrintJournalLines(grid)));
        EXPECT_TRUE(Contains(Page(), "<td align=center width=10> </td>"));
        for (const char* picture : {"g1.bmp", "g2.bmp", "g3.bmp"})
            EXPECT_FALSE(fs::exists(Dir() / picture)) << picture;
        EXPECT_EQ(MessageBoxes().size(), 0u);
        DestroyWindow();
    }
}

TEST_F(Print, EveryCompletedLoadOpensOnePreviewOfWeb) {
    Start();
    std::vector<std::string> shown;
    Boxes().SetWhileOpen([&](const ui::ModalRequest& r) {
        if (r.kind == ui::ModalKind::PrintPreview)
            shown.push_back(form_->Web->Document()->toPlainText().toStdString());
    });

    form_->N3->Click();
    EXPECT_TRUE(Previews().empty()); // the preview waits for the completed load
    ASSERT_TRUE(WaitUntil([&] { return Previews().size() == 1; }));
    Drain();
    ASSERT_EQ(Previews().size(), 1u);
    // The preview window's own title (the page's title is shown by no window).
    EXPECT_EQ(Previews()[0].caption,
              QCoreApplication::translate("QPrintPreviewDialog", "Print Preview").toStdString());
    EXPECT_EQ(Previews()[0].fileName, PagePath());

    // Two prints in quick succession: two previews, both of the page written last.
    Boxes().Clear();
    shown.clear();
    form_->N3->Click();
    form_->ToolButton2->Click();
    ASSERT_TRUE(WaitUntil([&] { return Previews().size() == 2; }));
    Drain();
    EXPECT_EQ(Previews().size(), 2u);
    ASSERT_EQ(shown.size(), 2u);
    for (const std::string& text : shown)
        EXPECT_NE(text.find("Предельная температура фильтруемости"), std::string::npos);
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(Print, ACompletionOfWebBrowser1PreviewsWeb) {
    Start();
    const std::string other = (Dir() / "other.html").string();
    WriteBytes(other, "<html><body>other</body></html>");

    // Nothing loaded into Web yet: the print error, no preview.
    form_->WebBrowser1->Navigate(other);
    ASSERT_TRUE(WaitUntil([&] { return !MessageBoxes().empty(); }));
    EXPECT_TRUE(Previews().empty());
    EXPECT_EQ(MessageBoxes()[0].text, "Error print page !");
    EXPECT_EQ(MessageBoxes()[0].caption, ui::Application->Title());

    form_->ToolButton2->Click();
    ASSERT_TRUE(WaitUntil([&] { return Previews().size() == 1; }));
    form_->WebBrowser1->Navigate(other);
    ASSERT_TRUE(WaitUntil([&] { return Previews().size() == 2; }));
    EXPECT_EQ(Previews()[1].fileName, PagePath());
    EXPECT_EQ(MessageBoxes().size(), 1u);
}

// The build's texts decide the lines that differ between the builds.
TEST_F(Print, ReportsWriteTheBuildsTexts) {
    core::TReportTexts other = core::RussianReportTexts();
    other.Title = "<title>Dovrel</title>";
    other.CommentStart = "<b><font size=+1> Comment:";
    other.JournalHeads[1] = "<td align=center><b>Date</td>";
    app::TTexts texts = app::RussianTexts;
    texts.Reports = &other;
    struct Restore {
        ~Restore() { app::UseTexts(app::RussianTexts); }
    } restore;
    app::UseTexts(texts);

    StartWithThreeRecords();
    PressShowHide(2);
    form_->N3->Click();
    const core::TJournalRow row = Row(2);
    EXPECT_EQ(Page(), core::ReportFileBytes(core::PrintMeasurementLines(&row, 0, 0, 0, other)));
    EXPECT_TRUE(Contains(Page(), "<b><font size=+1> Comment:" + row[5] + "</b>"));

    form_->ToolButton2->Click();
    EXPECT_EQ(Page(),
              core::ReportFileBytes(core::PrintJournalLines({Row(1), Row(2), Row(3)}, other)));
    EXPECT_TRUE(Contains(Page(), "<td align=center><b>Date</td>"));
}

// The process may write no byte more to any file while it lives.
class NoFileSpace {
public:
    NoFileSpace() {
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit none = old_;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoFileSpace() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

// A report that cannot write a file ends there with the error box: the old page stays,
// nothing is loaded and no preview opens.
TEST_F(Print, AFailedWriteEndsTheReportWithTheOldPageKept) {
    enum class Way { NoFileSpace, SecondPictureTaken, PageTaken };
    struct Case {
        const char* name;
        Way way;
        bool journal;        // the journal report instead of the measurement report
        const char* failing; // the file the error names
    } const cases[] = {
        {"no file space", Way::NoFileSpace, false, "g1.bmp"},
        {"no file space, journal", Way::NoFileSpace, true, "tmp1.html"},
        {"g2.bmp is a directory", Way::SecondPictureTaken, false, "g2.bmp"},
        {"tmp1.html is a directory", Way::PageTaken, true, "tmp1.html"},
    };
    const std::string old = "<html>old</html>\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        if (c.way == Way::PageTaken)
            fs::create_directory(Dir() / "tmp1.html");
        else
            WriteBytes(Dir() / "tmp1.html", old);
        if (c.way == Way::SecondPictureTaken)
            fs::create_directory(Dir() / "g2.bmp");
        {
            std::optional<NoFileSpace> limit;
            if (c.way == Way::NoFileSpace)
                limit.emplace();
            if (c.journal)
                form_->ToolButton2->Click();
            else
                form_->N3->Click();
        }
        ExpectWriteErrorOnly(c.failing);
        if (c.way != Way::PageTaken) {
            EXPECT_EQ(Page(), old);
        }
        if (c.way == Way::SecondPictureTaken) { // the pictures go first, in order
            EXPECT_EQ(ReadBytes(Dir() / "g1.bmp").substr(0, 2), "BM");
        }
        DestroyWindow();
        for (const char* name : {"tmp1.html", "g1.bmp", "g2.bmp", "g3.bmp"})
            fs::remove_all(Dir() / name);
    }
}

// A program folder without write access: the pictures cannot be made, so the measurement
// report ends at g1.bmp; the journal report writes the page it already has in place.
TEST_F(Print, AReadOnlyProgramDirectory) {
    for (bool journal : {false, true}) {
        SCOPED_TRACE(journal ? "journal" : "measurement");
        Start();
        const std::string old = "<html>old</html>\r\n";
        WriteBytes(Dir() / "tmp1.html", old);
        const auto writable =
            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        fs::permissions(Dir(), writable, fs::perm_options::remove);
        {
            PermissionsBind bind;
            if (journal)
                form_->ToolButton2->Click();
            else
                form_->N3->Click();
        }
        fs::permissions(Dir(), fs::perms::owner_write, fs::perm_options::add);

        if (journal) {
            Drain();
            EXPECT_TRUE(MessageBoxes().empty());
            EXPECT_EQ(Page(), core::ReportFileBytes(core::PrintJournalLines({Row(1)})));
            EXPECT_EQ(form_->Web->LocationURL(), PagePath());
        } else {
            ExpectWriteErrorOnly("g1.bmp");
            EXPECT_EQ(Page(), old);
        }
        DestroyWindow();
    }
}

// Each picture has the size its chart has on its page, whether or not its tab was opened.
TEST_F(Print, PicturesHaveTheSizeOfTheirChartsOnTheirPages) {
    Start();
    form_->SetBounds(0, 0, 1000, 760);
    form_->Show();
    Drain();
    ASSERT_EQ(form_->PageControl1->ActivePage(), form_->TabSheet3);
    const QSize onPage(form_->Chart3->Width(), form_->Chart3->Height());
    ASSERT_GT(onPage.width(), 0);
    ASSERT_NE(onPage, QSize(640, 480));

    form_->N3->Click();

    for (const char* name : {"g1.bmp", "g2.bmp", "g3.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(QImage(QString::fromStdString((Dir() / name).string())).size(), onPage);
    }
    // The pages follow the window's size.
    form_->SetBounds(0, 0, 900, 700);
    Drain();
    const QSize smaller(form_->Chart3->Width(), form_->Chart3->Height());
    ASSERT_NE(smaller, onPage);
    for (ui::TChart* chart : {form_->Chart1, form_->Chart2})
        EXPECT_EQ(QSize(chart->Width(), chart->Height()), smaller);
}

} // namespace
