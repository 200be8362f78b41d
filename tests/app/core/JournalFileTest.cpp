// data2.tab on the disk: read and written whole.
#include "app/core/Journal.h"

#include "TempDir.h"
#include "platform/Files.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace core;

TEST(JournalFile, RoundTrip) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::vector<TJournalRow> rows{{"1", "d", "-1", "?", "-3", "Присадка."},
                                        {"2", "d", "0", "0", "0", " "}};
    SaveJournalFile(file, rows);
    EXPECT_EQ(LoadJournalFile(file).Rows, rows);
    EXPECT_TRUE(LoadJournalFile(file).Whole);
    EXPECT_EQ(platform::ReadFileBytes(file), SerializeJournal(rows));
}

TEST(JournalFile, AMissingFileRaisesTheOpenError) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    try {
        LoadJournalFile(file);
        FAIL() << "no error";
    } catch (const rt::EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + file + "\". No such file or directory");
    }
}

namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// A CR LF journal converted once more, as a text tool that adds a CR before every LF does.
std::string CrCrLf(const std::string& crlf) { return Replaced(crlf, "\n", "\r\n"); }

} // namespace

TEST(JournalFile, WhatLoadsWhole) {
    const std::string record = SerializeJournal({{"1", "d", "-1", "-2", "-3", " "}});
    struct Case {
        const char* name;
        std::string bytes;
        bool whole;
    } const cases[] = {
        {"empty", "", true},
        {"records", record + record, true},
        {"CR only and LF only", "1\rd\n-1\r-2\n-3\r \n\n", true},
        {"a zero byte", record + std::string("\0", 1) + record, false},
        {"a zero byte at the end", record + std::string("\0", 1), false},
        {"a short last group", record + "2\r\nd\r\n", false},
        {"the last record without its empty line", record + record.substr(0, record.size() - 2),
         false},
        // Every record must line up: its seventh line empty.
        {"a seventh line holding text",
         SerializeJournal({{"1", "d", "-1", "-2", "-3", " "}}).substr(0, record.size() - 2) +
             "x\r\n" + record,
         false},
        {"CR CR LF line ends", CrCrLf(record + record), false},
        {"CR LF then LF CR line ends", Replaced(record, "\r\n", "\n\r"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JournalLoadsWhole(c.bytes), c.whole) << c.name;
}

TEST(JournalFile, CopyNames) {
    static std::vector<std::string> taken;
    auto isTaken = [](const std::string& name) {
        return std::find(taken.begin(), taken.end(), name) != taken.end();
    };
    taken = {};
    EXPECT_EQ(JournalCopyName("/p/data2.tab", isTaken), "/p/data2.tab.bak");
    taken = {"/p/data2.tab.bak", "/p/data2.tab.bak1"};
    EXPECT_EQ(JournalCopyName("/p/data2.tab", isTaken), "/p/data2.tab.bak2");
}
