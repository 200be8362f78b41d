#include "app/core/Journal.h"

#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

using namespace core;

namespace {

class Journal : public ::testing::Test {
protected:
    void SetUp() override { rt::SetDecimalSeparator('.'); }
};

const TJournalRow kRecord1{"1", "10.12.2026  07:45:12", "-12.3", "?", "-20", "Присадка."};
const TJournalRow kRecord2{"2", "10.12.2026  08:01:00", "-5", "-7.5", "-9", " "};

std::string Cp(const std::string& utf8) { return rt::Utf8ToCp1251(utf8); }

} // namespace

TEST_F(Journal, SplitLinesOnEveryLineEnd) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines(""), V{});
    EXPECT_EQ(SplitLines("a"), V{"a"});
    EXPECT_EQ(SplitLines("a\r\n"), V{"a"});
    EXPECT_EQ(SplitLines("a\r\nb"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\rb\nc\r\n"), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("\r\n\r\n"), (V{"", ""}));
    EXPECT_EQ(SplitLines("\n\r"), (V{"", ""})); // LF then CR: two line ends
    EXPECT_EQ(SplitLines("a\r\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines(std::string("a\nb\0c\nd", 7)), (V{"a", "b"})); // zero byte ends the text
}

TEST_F(Journal, SerialisedFormIsCp1251WithCrLf) {
    const std::string bytes = SerializeJournal({kRecord1, kRecord2});
    const std::string expected = "1\r\n10.12.2026  07:45:12\r\n-12.3\r\n?\r\n-20\r\n" +
                                 Cp("Присадка.") +
                                 "\r\n\r\n"
                                 "2\r\n10.12.2026  08:01:00\r\n-5\r\n-7.5\r\n-9\r\n \r\n\r\n";
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(Cp("Присадка."), "\xCF\xF0\xE8\xF1\xE0\xE4\xEA\xE0.");
    // a journal whose only row is empty is seven empty lines
    EXPECT_EQ(SerializeJournal({TJournalRow{}}), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(Journal, RoundTripKeepsEveryCell) {
    const std::vector<TJournalRow> rows{kRecord1, kRecord2};
    EXPECT_EQ(ParseJournal(SerializeJournal(rows)), rows);
}

TEST_F(Journal, ParseReadForms) {
    const std::string crlf = SerializeJournal({kRecord1, kRecord2});
    std::string cr = crlf, lf = crlf;
    for (std::size_t i; (i = cr.find("\r\n")) != std::string::npos;)
        cr.replace(i, 2, "\r");
    for (std::size_t i; (i = lf.find("\r\n")) != std::string::npos;)
        lf.replace(i, 2, "\n");
    const std::vector<TJournalRow> both{kRecord1, kRecord2};
    EXPECT_EQ(ParseJournal(cr), both);
    EXPECT_EQ(ParseJournal(lf), both);

    // the last record without its empty seventh line is dropped
    EXPECT_EQ(ParseJournal(crlf.substr(0, crlf.size() - 2)), std::vector<TJournalRow>{kRecord1});
    // ...also when only some of its lines are there
    EXPECT_EQ(ParseJournal(crlf.substr(0, crlf.size() - 10)), std::vector<TJournalRow>{kRecord1});

    // seven empty lines: one row of blanks
    EXPECT_EQ(ParseJournal("\r\n\r\n\r\n\r\n\r\n\r\n\r\n"),
              (std::vector<TJournalRow>{{" ", " ", " ", " ", " ", " "}}));
    // empty file: no rows
    EXPECT_TRUE(ParseJournal("").empty());
    // the seventh line is skipped whatever it holds; cells are not checked
    EXPECT_EQ(ParseJournal("x\ny\nz\n\n\nq\nSKIPPED\n"),
              (std::vector<TJournalRow>{{"x", "y", "z", " ", " ", "q"}}));
    // text after a zero byte is not read
    std::string withZero = crlf;
    withZero.insert(crlf.find("\r\n\r\n2\r\n") + 4, std::string(1, '\0'));
    EXPECT_EQ(ParseJournal(withZero), std::vector<TJournalRow>{kRecord1});
}

TEST_F(Journal, LineBreakInACellCannotShiftTheRecords) {
    TJournalRow odd = kRecord2;
    odd[5] = "two\r\nlines";
    auto rows = ParseJournal(SerializeJournal({odd, kRecord1}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][5], "two  lines");
    EXPECT_EQ(rows[1], kRecord1);
}

TEST_F(Journal, NextRecordNumber) {
    EXPECT_EQ(NextRecordNumber("№", 2), "1"); // header above the first row
    EXPECT_EQ(NextRecordNumber(" ", 3), "2"); // blank cell: count of record rows
    EXPECT_EQ(NextRecordNumber("abc", 5), "4");
    EXPECT_EQ(NextRecordNumber("41", 3), "42");
    EXPECT_EQ(NextRecordNumber(" 7", 3), "8"); // leading blanks convert
    EXPECT_EQ(NextRecordNumber("7 ", 3), "2"); // trailing ones do not
    EXPECT_EQ(NextRecordNumber("2147483647", 3), "2147483648");
}

TEST_F(Journal, NewRecordTexts) {
    EXPECT_EQ(RecordDateTimeText("10.12.2026", "7:45:12"), "10.12.2026  7:45:12");
    EXPECT_EQ(NewRecordTexts("3", "d  t", -12.34f, 77.0f, -20.05f, 1.0f),
              (TJournalRow{"3", "d  t", "-12.3", "?", "-20", "Присадка."}));
    EXPECT_EQ(NewRecordTexts("3", "d  t", 0.0f, 0.0f, 0.0f, 0.0f)[5], "");
    EXPECT_EQ(NewRecordTexts("3", "d  t", 0.0f, 0.0f, 0.0f, 2.0f)[5], "");
}

TEST_F(Journal, AppendingNumbersAndRows) {
    // a fresh journal: row 1 is reused and gets number 1
    std::vector<TJournalRow> rows{TJournalRow{}};
    EXPECT_EQ(AppendRecordRow(rows, "d1", -1, -2, -3, 0), std::optional<std::size_t>(0));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (TJournalRow{"1", "d1", "-1", "-2", "-3", " "}));

    // cloud point 77 adds nothing
    EXPECT_FALSE(AppendRecordRow(rows, "dx", 77, -2, -3, 0).has_value());
    EXPECT_EQ(rows.size(), 1u);

    EXPECT_EQ(AppendRecordRow(rows, "d2", -1, 77, -3, 1), std::optional<std::size_t>(1));
    EXPECT_EQ(AppendRecordRow(rows, "d3", -1, -2, 77, 0), std::optional<std::size_t>(2));
    EXPECT_EQ(rows[1], (TJournalRow{"2", "d2", "-1", "?", "-3", "Присадка."}));
    EXPECT_EQ(rows[2][4], "?");

    // deleting the last record and appending gives its number again
    auto last = rows;
    DeleteRecordRow(last, 3);
    AppendRecordRow(last, "d4", -1, -2, -3, 0);
    EXPECT_EQ(last.size(), 3u);
    EXPECT_EQ(last[2][0], "3");

    // deleting a middle record and appending continues after the last one
    auto middle = rows;
    DeleteRecordRow(middle, 2);
    AppendRecordRow(middle, "d4", -1, -2, -3, 0);
    ASSERT_EQ(middle.size(), 3u);
    EXPECT_EQ(middle[0][0], "1");
    EXPECT_EQ(middle[1][0], "3");
    EXPECT_EQ(middle[2][0], "4");

    // deleting the only record blanks it; the next record reuses the row with number 1
    std::vector<TJournalRow> only{rows[0]};
    DeleteRecordRow(only, 1);
    EXPECT_EQ(only, std::vector<TJournalRow>{TJournalRow{}});
    AppendRecordRow(only, "d5", -1, -2, -3, 0);
    EXPECT_EQ(only.size(), 1u);
    EXPECT_EQ(only[0][0], "1");

    // rows outside the records change nothing
    auto same = rows;
    DeleteRecordRow(same, 0);
    DeleteRecordRow(same, 4);
    EXPECT_EQ(same, rows);
}

// A comment typed into the row that a new record takes stays the record's, after its own.
TEST_F(Journal, AppendingKeepsWhatWasTypedIntoTheReusedRow) {
    struct Case {
        const char* typed;
        float additive;
        const char* comment;
    } const cases[] = {
        {"проба 7", 0, "проба 7"},
        {"проба 7", 1, "Присадка. проба 7"},
        {"", 0, " "},
        {"   ", 0, " "},
        {"", 1, "Присадка."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TJournalRow typed{};
        typed[5] = c.typed;
        std::vector<TJournalRow> rows{kRecord1, typed};
        ASSERT_EQ(AppendRecordRow(rows, "d", -1, -2, -3, c.additive),
                  std::optional<std::size_t>(1));
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1], (TJournalRow{"2", "d", "-1", "-2", "-3", c.comment}));
    }
    // A row added below keeps nothing of the row above.
    std::vector<TJournalRow> rows{kRecord1};
    AppendRecordRow(rows, "d", -1, -2, -3, 0);
    EXPECT_EQ(rows[1][5], " ");
}

TEST_F(Journal, WhatADeletionDid) {
    std::vector<TJournalRow> rows{kRecord1, kRecord2};
    EXPECT_EQ(DeleteRecordRow(rows, 0), TRowDeletion::None);
    EXPECT_EQ(DeleteRecordRow(rows, 3), TRowDeletion::None);
    EXPECT_EQ(DeleteRecordRow(rows, 1), TRowDeletion::Removed);
    EXPECT_EQ(rows, std::vector<TJournalRow>{kRecord2});
    EXPECT_EQ(DeleteRecordRow(rows, 1), TRowDeletion::Blanked);
    EXPECT_EQ(rows, std::vector<TJournalRow>{TJournalRow{}});
    std::vector<TJournalRow> none;
    EXPECT_EQ(DeleteRecordRow(none, 1), TRowDeletion::None);
}

TEST_F(Journal, SevenEmptyLinesThenAnAppendGoesBelowWithNumber2) {
    auto rows = ParseJournal("\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    AppendRecordRow(rows, "d", -1, -2, -3, 0);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "2");
}

TEST_F(Journal, CurveFileNames) {
    EXPECT_EQ(RecordCurveFileChart2("/opt/cp/", "12"), "/opt/cp/gr/gr12.txt");
    EXPECT_EQ(RecordCurveFileChart3("/opt/cp/", "12"), "/opt/cp/gr/gr12_.txt");
    EXPECT_EQ(RecordCurveFileChart1("/opt/cp/", "12"), "/opt/cp/gr/gr12__.txt");
    EXPECT_EQ(RecordCurveStem("/d/", " "), "/d/gr/gr ");
}

// The curve files of records the grid does not hold: only the names a record could write.
TEST_F(Journal, CurveFilesOfNoRecord) {
    const std::vector<std::string> names = {
        "gr1.txt",   "gr1_.txt", "gr1__.txt", "gr2.txt",     "gr2_.txt", "gr2__.txt",
        "gr3__.txt", "gr-4.txt", "gr10_.txt", "gr3___.txt",  "gr07.txt", "grx.txt",
        "gr.txt",    "gr_.txt",  "g1.txt",    "gr2.txt.bak", "gr5.bin",  "data2.tab"};
    EXPECT_EQ(CurveFilesOfNoRecord(names, {"1", "2"}),
              (std::vector<std::string>{"gr-4.txt", "gr10_.txt", "gr3__.txt"}));
    EXPECT_EQ(CurveFilesOfNoRecord(names, {"1", "2", "3", "-4", "10"}), std::vector<std::string>{});
    EXPECT_EQ(CurveFilesOfNoRecord({"gr1.txt", "gr 1.txt"}, {" ", "x"}),
              std::vector<std::string>{"gr1.txt"});
    EXPECT_EQ(CurveFilesOfNoRecord({}, {"1"}), std::vector<std::string>{});
}
