#include "app/core/ReportPage.h"

#include "platform/Files.h"
#include "app/core/NumberText.h"
#include "runtime/CodePage.h"

namespace core {

namespace {

const char* const kMeta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">";
const char* const kBody = "<body  text=\"#000000\">";

std::string ValueCell(const std::string& text) {
    return "<td align=center><b><font size=16>" + text + "</b></td>";
}

std::string RecordValueCell(const std::string& text) { return ValueCell(HtmlEscaped(text)); }

std::string LiveValueCell(float value) {
    if (value == kNotDetermined)
        return "<td align=center><b><font size=+1>?</b></td>";
    return ValueCell(RoundedText(value, 1));
}

} // namespace

std::string HtmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

const TReportTexts& RussianReportTexts() {
    static const TReportTexts texts{
        "<title>Анализатор помутнения и застывания KelvaneА</title>",
        "<h1>Анализатор помутнения и застывания KelvaneА</h1>",
        "<td align=center><b>Температура помутнения</b></td>",
        "<td align=center><b>Температура застывания</b></td>",
        "<td align=center><b>П.Т.Ф.(*)</b></td>",
        "<b><font size=+1> Примечение:",
        {
            "<td align=center width=10><b>№</b></td>",
            "<td align=center><b>Дата</b></td>",
            "<td align=center><b>Помутнение</b></td>",
            "<td align=center><b>Застывание</b></td>",
            "<td align=center><b>Предельная температура фильтруемости</b></td>",
            "<td align=center><b>Информация</b></td>",
        },
    };
    return texts;
}

std::vector<std::string> PrintMeasurementLines(const TJournalRow* record, float cloudPoint,
                                               float pourPoint, float filterPoint,
                                               const TReportTexts& texts) {
    std::vector<std::string> l{"<html>",  "<head>", texts.Title,  kMeta,
                               "</head>", kBody,    texts.Heading};
    if (record) {
        l.push_back("<p>");
        l.push_back("<b><h2>" + HtmlEscaped((*record)[1]) + "<h2></b>");
        l.push_back("</p>");
    }
    l.insert(l.end(), {"<br>",
                       "<table width=\"50%\" border=\"1\" cellpadding=\"0\" cellspacing=\"0\" "
                       "align=center>",
                       "<tr>", texts.CloudHead, texts.PourHead, texts.FilterHead, "</tr>", "<tr>"});
    if (record) {
        l.push_back(RecordValueCell((*record)[2]));
        l.push_back(RecordValueCell((*record)[3]));
        l.push_back(RecordValueCell((*record)[4]));
    } else {
        l.push_back(LiveValueCell(cloudPoint));
        l.push_back(LiveValueCell(pourPoint));
        l.push_back(LiveValueCell(filterPoint));
    }
    l.insert(l.end(), {"</tr>", "</table>"});
    if (record) {
        l.push_back("<p>");
        l.push_back(kBody);
        l.push_back(texts.CommentStart + HtmlEscaped((*record)[5]) + "</b>");
        l.push_back("</p>");
    }
    l.insert(l.end(), {"<br>", "<center>", "<img src=\"g1.bmp\" >", "<br>", "<img src=\"g2.bmp\"> ",
                       "<br>", "<img src=\"g3.bmp\"> ", "</body>", "</html>"});
    return l;
}

std::vector<std::string> PrintJournalLines(const std::vector<TJournalRow>& rows,
                                           const TReportTexts& texts) {
    std::vector<std::string> l{"<html>",
                               "<head>",
                               texts.Title,
                               kMeta,
                               "</head>",
                               kBody,
                               "<table width=\"100%\" border=\"1\" cellpadding=\"0\" "
                               "cellspacing=\"0\">",
                               "<tr>"};
    l.insert(l.end(), texts.JournalHeads.begin(), texts.JournalHeads.end());
    l.push_back("</tr>");
    l.reserve(l.size() + rows.size() * 8 + 3);
    for (const auto& row : rows) {
        l.push_back("<tr>");
        l.push_back("<td align=center width=10>" + HtmlEscaped(row[0]) + "</td>");
        for (std::size_t c = 1; c < kJournalColumns; ++c)
            l.push_back("<td align=center>" + HtmlEscaped(row[c]) + "</td>");
        l.push_back("</tr>");
    }
    l.insert(l.end(), {"</table>", "</body>", "</html>"});
    return l;
}

std::string ReportFileBytes(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return rt::Utf8ToCp1251(text);
}

void SaveReportFile(const std::string& path, const std::vector<std::string>& lines) {
    platform::ReplaceFile(path, ReportFileBytes(lines));
}

} // namespace core
