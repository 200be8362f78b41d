#pragma once
// The journal: the data2.tab format (Windows-1251, six lines per record and one empty line,
// CR LF), the record rows, record numbers and the record's curve-file names.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

constexpr std::size_t kJournalColumns = 6;
// Cells in column order: number, date and time, cloud point, pour point, filterability
// temperature, comment. Texts are UTF-8.
using TJournalRow = std::array<std::string, kJournalColumns>;

constexpr const char* kJournalFileName = "data2.tab";
// The comment of a record made with additive.
constexpr const char* kAdditiveComment = "Присадка.";

// Lines of a text: a line ends at CR, LF or CR LF; the text ends at its end or at a zero byte.
std::vector<std::string> SplitLines(std::string_view text);

// A row filled from texts: an empty text becomes one blank.
TJournalRow FillRow(const TJournalRow& texts);

// The record rows of the file's bytes: groups of seven lines, the first six the cells
// (filled as FillRow does), the seventh skipped; a last group of fewer than seven lines is
// dropped. No other check is made.
std::vector<TJournalRow> ParseJournal(std::string_view fileBytes);
// Whether the rows ParseJournal gives are the file's records as they were written: no zero
// byte ends the text early, no short last group is dropped and every record lines up, its
// seventh line empty (a record out of step, as in a journal whose line ends were doubled,
// has text there).
bool JournalLoadsWhole(std::string_view fileBytes);

// The file's bytes: for every row its six cells and an empty line, each line ending in CR LF.
// A line break or zero byte inside a cell is written as a blank, so the record keeps its
// seven lines.
std::string SerializeJournal(const std::vector<TJournalRow>& rows);

// data2.tab as read: its record rows, and whether they are the file's records whole.
struct TJournalFile {
    std::vector<TJournalRow> Rows;
    bool Whole = true;
};

// Reads data2.tab (rt::EFOpenError when it cannot be read) / replaces it as a whole
// (rt::EFCreateError when it cannot be written; the old file then stays whole).
TJournalFile LoadJournalFile(const std::string& path);
// The name of the copy that keeps a journal's old bytes: path + ".bak", or the first of
// ".bak1", ".bak2", ... for which taken is false.
std::string JournalCopyName(const std::string& path, bool (*taken)(const std::string&));
void SaveJournalFile(const std::string& path, const std::vector<TJournalRow>& rows);

// ---- appending ----------------------------------------------------------------------------

// The last row is reused when its date cell is empty (a fresh journal's row, a blanked row).
bool LastRowReusable(const std::string& dateCell);

// The new record's number: the number cell of the row above the last one plus 1, or, when
// that does not convert, the count of record rows (rowCount counts the header row too).
std::string NextRecordNumber(const std::string& numberCellAbove, int rowCount);

// "date  time": the two texts with two blanks between them.
std::string RecordDateTimeText(std::string_view date, std::string_view time);

// The six texts of a new record (before FillRow): the results at 1 decimal or "?" for 77,
// the additive comment when additive equals 1, else empty.
TJournalRow NewRecordTexts(const std::string& number, const std::string& dateTime, float cloudPoint,
                           float pourPoint, float filterPoint, float additive);

// A new record's comment when a comment was typed into the row it takes: the typed text
// after the record's own comment (one blank between); a blank or empty typed text adds nothing.
std::string CommentWithTyped(const std::string& recordComment, const std::string& typed);

// The record rows as the grid holds them (grid row r is rows[r - 1]); at least one row.
// AppendRecord's row work: none when the cloud point is 77, else the index of the row filled.
// A reused last row keeps the comment typed into it (CommentWithTyped).
std::optional<std::size_t> AppendRecordRow(std::vector<TJournalRow>& rows,
                                           const std::string& dateTime, float cloudPoint,
                                           float pourPoint, float filterPoint, float additive);

enum class TRowDeletion { None, Blanked, Removed };
// ToolButton1Click's row work for grid row r: the only row is blanked (cells empty), any
// other row is removed; a row outside the records changes nothing.
TRowDeletion DeleteRecordRow(std::vector<TJournalRow>& rows, int r);

// ---- curve files of a record --------------------------------------------------------------

// programDir (with its trailing '/') + "gr/" + "gr" + number, the stem of the three files.
std::string RecordCurveStem(std::string_view programDir, std::string_view number);
std::string RecordCurveFileChart2(std::string_view programDir,
                                  std::string_view number); // gr<N>.txt
std::string RecordCurveFileChart3(std::string_view programDir,
                                  std::string_view number); // gr<N>_.txt
std::string RecordCurveFileChart1(std::string_view programDir,
                                  std::string_view number); // gr<N>__.txt

// The names among grNames (names in the gr/ folder) of record curve files, gr<N>.txt,
// gr<N>_.txt and gr<N>__.txt with N an integer as a record's number cell holds it, whose N
// is the number cell of none of the rows: the curves of records that are not in the grid.
std::vector<std::string> CurveFilesOfNoRecord(const std::vector<std::string>& grNames,
                                              const std::vector<std::string>& numberCells);

} // namespace core
