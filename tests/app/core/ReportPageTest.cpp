#include "app/core/ReportPage.h"

#include "TempDir.h"
#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace core;
using Lines = std::vector<std::string>;

namespace {

class ReportPage : public ::testing::Test {
protected:
    void SetUp() override { rt::SetDecimalSeparator('.'); }
};

const Lines kHead{
    "<html>",
    "<head>",
    "<title>Анализатор помутнения и застывания KelvaneА</title>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">",
    "</head>",
    "<body  text=\"#000000\">",
};

const Lines kTableHead{
    "<br>",
    "<table width=\"50%\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\" align=center>",
    "<tr>",
    "<td align=center><b>Температура помутнения</b></td>",
    "<td align=center><b>Температура застывания</b></td>",
    "<td align=center><b>П.Т.Ф.(*)</b></td>",
    "</tr>",
    "<tr>",
};

const Lines kTail{
    "<br>",
    "<center>",
    "<img src=\"g1.bmp\" >",
    "<br>",
    "<img src=\"g2.bmp\"> ",
    "<br>",
    "<img src=\"g3.bmp\"> ",
    "</body>",
    "</html>",
};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST_F(ReportPage, MeasurementWithoutARecordShowsTheLiveResults) {
    const Lines expected = Concat({
        kHead,
        {"<h1>Анализатор помутнения и застывания KelvaneА</h1>"},
        kTableHead,
        {"<td align=center><b><font size=16>-12.3</b></td>",
         "<td align=center><b><font size=+1>?</b></td>",
         "<td align=center><b><font size=16>-20</b></td>", "</tr>", "</table>"},
        kTail,
    });
    EXPECT_EQ(PrintMeasurementLines(nullptr, -12.34f, 77.0f, -20.04f), expected);
    EXPECT_EQ(expected.size(), 36u - 7u);

    // before any status report the results are 0
    Lines zero = PrintMeasurementLines(nullptr, 0, 0, 0);
    EXPECT_EQ(zero[15], "<td align=center><b><font size=16>0</b></td>");
    EXPECT_EQ(zero[17], "<td align=center><b><font size=16>0</b></td>");
}

TEST_F(ReportPage, MeasurementOfAMarkedRecord) {
    const TJournalRow record{"4", "10.12.2026  07:45:12", "-12.3", "?", "<&>", " "};
    const Lines expected = Concat({
        kHead,
        {"<h1>Анализатор помутнения и застывания KelvaneА</h1>", "<p>",
         "<b><h2>10.12.2026  07:45:12<h2></b>", "</p>"},
        kTableHead,
        {"<td align=center><b><font size=16>-12.3</b></td>",
         "<td align=center><b><font size=16>?</b></td>",
         "<td align=center><b><font size=16>&lt;&amp;&gt;</b></td>", "</tr>", "</table>", "<p>",
         "<body  text=\"#000000\">", "<b><font size=+1> Примечение: </b>", "</p>"},
        kTail,
    });
    // the live values do not matter with a record
    EXPECT_EQ(PrintMeasurementLines(&record, 1, 2, 3), expected);
    EXPECT_EQ(expected.size(), 36u);

    TJournalRow additive = record;
    additive[5] = "Присадка.";
    EXPECT_EQ(PrintMeasurementLines(&additive, 1, 2, 3)[25],
              "<b><font size=+1> Примечение:Присадка.</b>");
}

TEST_F(ReportPage, JournalPageHasEveryRow) {
    const std::vector<TJournalRow> rows{{" ", " ", " ", " ", " ", " "},
                                        {"2", "d & t", "<b>", "?", "-1", "Присадка."},
                                        {"", "", "", "", "", ""}};
    const Lines expected = Concat({
        kHead,
        {"<table width=\"100%\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\">",
         "<tr>",
         "<td align=center width=10><b>№</b></td>",
         "<td align=center><b>Дата</b></td>",
         "<td align=center><b>Помутнение</b></td>",
         "<td align=center><b>Застывание</b></td>",
         "<td align=center><b>Предельная температура фильтруемости</b></td>",
         "<td align=center><b>Информация</b></td>",
         "</tr>",
         "<tr>",
         "<td align=center width=10> </td>",
         "<td align=center> </td>",
         "<td align=center> </td>",
         "<td align=center> </td>",
         "<td align=center> </td>",
         "<td align=center> </td>",
         "</tr>",
         "<tr>",
         "<td align=center width=10>2</td>",
         "<td align=center>d &amp; t</td>",
         "<td align=center>&lt;b&gt;</td>",
         "<td align=center>?</td>",
         "<td align=center>-1</td>",
         "<td align=center>Присадка.</td>",
         "</tr>",
         "<tr>",
         "<td align=center width=10></td>",
         "<td align=center></td>",
         "<td align=center></td>",
         "<td align=center></td>",
         "<td align=center></td>",
         "<td align=center></td>",
         "</tr>",
         "</table>",
         "</body>",
         "</html>"},
    });
    EXPECT_EQ(PrintJournalLines(rows), expected);
}

TEST_F(ReportPage, FileIsCp1251WithCrLfAfterEveryLine) {
    EXPECT_EQ(ReportFileBytes({"<html>", "№ Дата", ""}), "<html>\r\n\xB9 \xC4\xE0\xF2\xE0\r\n\r\n");
    TempDir dir;
    const std::string file = dir / kReportFileName;
    TempDir::Write(file, "old page");
    const Lines page = PrintJournalLines({});
    SaveReportFile(file, page);
    EXPECT_EQ(TempDir::Read(file), ReportFileBytes(page));
    EXPECT_THROW(SaveReportFile(dir / "missing/tmp1.html", page), rt::EFCreateError);
}

// Cell texts are shown as typed: what HTML gives meaning to is escaped in every cell the
// pages take from the journal.
TEST_F(ReportPage, CellTextsAreEscaped) {
    struct Case {
        const char* typed;
        const char* written;
    } const cases[] = {
        {"a<b & c", "a&lt;b &amp; c"},
        {"<!-- hidden", "&lt;!-- hidden"},
        {"\"q\" 'a' >", "&quot;q&quot; 'a' &gt;"},
        {"&amp;", "&amp;amp;"},
        {"Присадка. -5.5", "Присадка. -5.5"},
        {" ", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const TJournalRow row{c.typed, c.typed, c.typed, c.typed, c.typed, c.typed};
        const std::string w = c.written;

        const Lines measurement = PrintMeasurementLines(&row, 0, 0, 0);
        auto has = [](const Lines& lines, const std::string& line) {
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        };
        EXPECT_TRUE(has(measurement, "<b><h2>" + w + "<h2></b>"));
        EXPECT_TRUE(has(measurement, "<td align=center><b><font size=16>" + w + "</b></td>"));
        EXPECT_TRUE(has(measurement, "<b><font size=+1> Примечение:" + w + "</b>"));

        const Lines journal = PrintJournalLines({row});
        EXPECT_TRUE(has(journal, "<td align=center width=10>" + w + "</td>"));
        EXPECT_EQ(std::count(journal.begin(), journal.end(), "<td align=center>" + w + "</td>"), 5);
    }
}
