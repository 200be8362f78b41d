// The English reports: the lines that differ from the Russian build's, and the pages the
// English window writes.
#include "EnglishFixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/core/Journal.h"
#include "app/core/ReportPage.h"
#include "runtime/CodePage.h"

namespace {

const core::TReportTexts& En() { return english::EnglishReportTexts(); }

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const core::TJournalRow kRecord{"7", "10.12.2026 09:15", "-8.3", "-21", "-15.5", "Присадка."};

TEST(EnglishReports, MeasurementReportLines) {
    const auto en = core::PrintMeasurementLines(&kRecord, 0, 0, 0, En());
    const auto ru = core::PrintMeasurementLines(&kRecord, 0, 0, 0, core::RussianReportTexts());
    ASSERT_EQ(en.size(), ru.size());
    const std::vector<std::pair<std::string, std::string>> changed = {
        {"<title>Анализатор помутнения и застывания KelvaneА</title>", "<title>Dovrel</title>"},
        {"<h1>Анализатор помутнения и застывания KelvaneА</h1>", "<h1>Dovrel</h1>"},
        {"<td align=center><b>Температура помутнения</b></td>",
         "<td align=center><b>Opacity</b></td>"},
        {"<td align=center><b>Температура застывания</b></td>",
         "<td align=center><b>Solidification</b></td>"},
        {"<td align=center><b>П.Т.Ф.(*)</b></td>", "<td align=center><b>CFPP(*)</b></td>"},
        {"<b><font size=+1> Примечение:Присадка.</b>", "<b><font size=+1> Comment:Присадка.</b>"},
    };
    // Every other line is the Russian build's, the code-page line included.
    for (std::size_t i = 0; i < en.size(); ++i) {
        const auto swap = std::find_if(changed.begin(), changed.end(),
                                       [&](const auto& c) { return c.first == ru[i]; });
        EXPECT_EQ(en[i], swap == changed.end() ? ru[i] : swap->second) << i;
    }
    EXPECT_TRUE(Has(en,
                    "<meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=windows-1251\">"));
}

TEST(EnglishReports, JournalReportLines) {
    const auto en = core::PrintJournalLines({kRecord}, En());
    const auto ru = core::PrintJournalLines({kRecord}, core::RussianReportTexts());
    ASSERT_EQ(en.size(), ru.size());
    const std::vector<std::pair<std::string, std::string>> changed = {
        {"<title>Анализатор помутнения и застывания KelvaneА</title>", "<title>Dovrel</title>"},
        // This one head cell does not close its bold.
        {"<td align=center><b>Дата</b></td>", "<td align=center><b>Date</td>"},
        {"<td align=center><b>Помутнение</b></td>", "<td align=center><b>Opacity</b></td>"},
        {"<td align=center><b>Застывание</b></td>", "<td align=center><b>Solidification</b></td>"},
        {"<td align=center><b>Предельная температура фильтруемости</b></td>",
         "<td align=center><b>CFPP(*)</b></td>"},
        {"<td align=center><b>Информация</b></td>", "<td align=center><b>Info</b></td>"},
    };
    for (std::size_t i = 0; i < en.size(); ++i) {
        const auto swap = std::find_if(changed.begin(), changed.end(),
                                       [&](const auto& c) { return c.first == ru[i]; });
        EXPECT_EQ(en[i], swap == changed.end() ? ru[i] : swap->second) << i;
    }
    EXPECT_TRUE(Has(en, "<td align=center width=10><b>№</b></td>"));
    EXPECT_TRUE(Has(en, "<td align=center>Присадка.</td>"));
    EXPECT_FALSE(Has(en, "<h1>Dovrel</h1>"));
}

class EnglishPrint : public entest::EnglishFixture {
protected:
    std::string Page() const {
        std::ifstream in(Dir() / "tmp1.html", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(EnglishPrint, WindowWritesTheEnglishPages) {
    core::SaveJournalFile((Dir() / "data2.tab").string(), {kRecord});
    TForm1& f = *CreateEnglishWindow();
    f.N3->Click();
    Drain();
    EXPECT_EQ(Page(), core::ReportFileBytes(core::PrintMeasurementLines(
                          nullptr, f.FCloudPoint, f.FPourPoint, f.FFilterPoint, En())));
    f.ToolButton2->Click();
    Drain();
    const std::string page = Page();
    EXPECT_EQ(page, core::ReportFileBytes(core::PrintJournalLines({kRecord}, En())));
    // Windows-1251 on disk: the Russian comment and the number sign reach the browser.
    EXPECT_NE(page.find(rt::Utf8ToCp1251("<td align=center>Присадка.</td>")), std::string::npos);
    EXPECT_NE(page.find("<td align=center><b>Date</td>\r\n"), std::string::npos);
}

} // namespace
