#include "app/core/Journal.h"

#include "platform/Files.h"
#include "app/core/NumberText.h"
#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"

#include <algorithm>
#include <cstdint>

namespace core {

std::vector<std::string> SplitLines(std::string_view text) {
    if (auto zero = text.find('\0'); zero != std::string_view::npos)
        text = text.substr(0, zero);
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

TJournalRow FillRow(const TJournalRow& texts) {
    TJournalRow row = texts;
    for (auto& cell : row)
        if (cell.empty())
            cell.assign(1, ' ');
    return row;
}

std::vector<TJournalRow> ParseJournal(std::string_view fileBytes) {
    const std::vector<std::string> lines = SplitLines(rt::Cp1251ToUtf8(fileBytes));
    std::vector<TJournalRow> rows;
    rows.reserve(lines.size() / 7);
    for (std::size_t at = 0; at + 7 <= lines.size(); at += 7) {
        TJournalRow texts;
        for (std::size_t c = 0; c < kJournalColumns; ++c)
            texts[c] = lines[at + c];
        rows.push_back(FillRow(texts));
    }
    return rows;
}

bool JournalLoadsWhole(std::string_view fileBytes) {
    if (fileBytes.find('\0') != std::string_view::npos)
        return false;
    const std::vector<std::string> lines = SplitLines(fileBytes);
    if (lines.size() % 7 != 0)
        return false;
    for (std::size_t at = 6; at < lines.size(); at += 7)
        if (!lines[at].empty())
            return false;
    return true;
}

std::string SerializeJournal(const std::vector<TJournalRow>& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (const auto& cell : row) {
            const std::size_t from = text.size();
            text += cell;
            for (std::size_t i = from; i < text.size(); ++i)
                if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0')
                    text[i] = ' ';
            text += "\r\n";
        }
        text += "\r\n";
    }
    return rt::Utf8ToCp1251(text);
}

TJournalFile LoadJournalFile(const std::string& path) {
    const std::string bytes = platform::ReadFileBytes(path);
    return {ParseJournal(bytes), JournalLoadsWhole(bytes)};
}

std::string JournalCopyName(const std::string& path, bool (*taken)(const std::string&)) {
    std::string name = path + ".bak";
    for (unsigned i = 1; taken(name); ++i)
        name = path + ".bak" + std::to_string(i);
    return name;
}

void SaveJournalFile(const std::string& path, const std::vector<TJournalRow>& rows) {
    platform::ReplaceFile(path, SerializeJournal(rows));
}

bool LastRowReusable(const std::string& dateCell) { return dateCell.empty(); }

std::string NextRecordNumber(const std::string& numberCellAbove, int rowCount) {
    std::int64_t n = 0;
    if (rt::TryStrToInt64(numberCellAbove, n) && n < INT64_MAX)
        return rt::IntToStr(n + 1);
    return rt::IntToStr(rowCount - 1);
}

std::string RecordDateTimeText(std::string_view date, std::string_view time) {
    std::string s(date);
    s += "  ";
    s += time;
    return s;
}

TJournalRow NewRecordTexts(const std::string& number, const std::string& dateTime, float cloudPoint,
                           float pourPoint, float filterPoint, float additive) {
    return {number,
            dateTime,
            ResultText(cloudPoint),
            ResultText(pourPoint),
            ResultText(filterPoint),
            additive == 1.0f ? std::string(kAdditiveComment) : std::string()};
}

std::string CommentWithTyped(const std::string& recordComment, const std::string& typed) {
    if (typed.find_first_not_of(' ') == std::string::npos)
        return recordComment;
    if (recordComment.empty())
        return typed;
    return recordComment + " " + typed;
}

std::optional<std::size_t> AppendRecordRow(std::vector<TJournalRow>& rows,
                                           const std::string& dateTime, float cloudPoint,
                                           float pourPoint, float filterPoint, float additive) {
    if (cloudPoint == kNotDetermined)
        return std::nullopt;
    if (rows.empty())
        rows.emplace_back();
    if (!LastRowReusable(rows.back()[1]))
        rows.emplace_back();
    const int rowCount = static_cast<int>(rows.size()) + 1;
    // Grid row above the last one; the header (which never converts) above the first.
    const std::string above = rows.size() >= 2 ? rows[rows.size() - 2][0] : std::string("№");
    const std::string number = NextRecordNumber(above, rowCount);
    TJournalRow record =
        NewRecordTexts(number, dateTime, cloudPoint, pourPoint, filterPoint, additive);
    // A new row holds nothing typed; a reused one may.
    record[5] = CommentWithTyped(record[5], rows.back()[5]);
    rows.back() = FillRow(record);
    return rows.size() - 1;
}

TRowDeletion DeleteRecordRow(std::vector<TJournalRow>& rows, int r) {
    const int rowCount = static_cast<int>(rows.size()) + 1;
    if (r == 1 && rowCount <= 2) {
        if (rows.empty())
            return TRowDeletion::None;
        rows[0] = TJournalRow{};
        return TRowDeletion::Blanked;
    }
    if (r < 1 || r >= rowCount)
        return TRowDeletion::None;
    rows.erase(rows.begin() + (r - 1));
    return TRowDeletion::Removed;
}

std::string RecordCurveStem(std::string_view programDir, std::string_view number) {
    std::string s(programDir);
    s += "gr/gr";
    s += number;
    return s;
}

std::string RecordCurveFileChart2(std::string_view programDir, std::string_view number) {
    return RecordCurveStem(programDir, number) + ".txt";
}

std::string RecordCurveFileChart3(std::string_view programDir, std::string_view number) {
    return RecordCurveStem(programDir, number) + "_.txt";
}

std::string RecordCurveFileChart1(std::string_view programDir, std::string_view number) {
    return RecordCurveStem(programDir, number) + "__.txt";
}

namespace {

// N of gr<N>.txt, gr<N>_.txt or gr<N>__.txt when N is an integer in its own text form.
std::optional<std::string> CurveFileNumber(std::string_view name) {
    if (name.size() < 7 || name.substr(0, 2) != "gr" || name.substr(name.size() - 4) != ".txt")
        return std::nullopt;
    std::string_view n = name.substr(2, name.size() - 6);
    for (int suffix = 0; suffix < 2 && !n.empty() && n.back() == '_'; ++suffix)
        n.remove_suffix(1);
    std::int64_t value = 0;
    const std::string text(n);
    if (!rt::TryStrToInt64(text, value) || rt::IntToStr(value) != text)
        return std::nullopt;
    return text;
}

} // namespace

std::vector<std::string> CurveFilesOfNoRecord(const std::vector<std::string>& grNames,
                                              const std::vector<std::string>& numberCells) {
    std::vector<std::string> out;
    for (const std::string& name : grNames) {
        const auto number = CurveFileNumber(name);
        if (number &&
            std::find(numberCells.begin(), numberCells.end(), *number) == numberCells.end())
            out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace core
