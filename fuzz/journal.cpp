// data2.tab: any bytes give record rows of six cells; written and read again they give the
// same rows; a journal said to load whole is its records as written; a new record numbered
// after the last one read keeps what was typed into the row it takes.
#include "app/core/Journal.h"
#include "fuzz/Check.h"
#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<core::TJournalRow> rows = core::ParseJournal(bytes);
    FUZZ_CHECK(rows.size() <= size / 7);
    for (const core::TJournalRow& row : rows)
        for (const std::string& cell : row) {
            FUZZ_CHECK(!cell.empty());
            FUZZ_CHECK(cell.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        }

    const std::string written = core::SerializeJournal(rows);
    FUZZ_CHECK(core::ParseJournal(written) == rows);
    FUZZ_CHECK(core::JournalLoadsWhole(written));

    // Whole: every line is a record's cell (an empty one a blank) or its empty seventh line.
    if (core::JournalLoadsWhole(bytes)) {
        const std::vector<std::string> lines = core::SplitLines(bytes);
        FUZZ_CHECK(lines.size() == 7 * rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            for (std::size_t c = 0; c < core::kJournalColumns; ++c) {
                const std::string& line = lines[7 * i + c];
                FUZZ_CHECK(rt::Utf8ToCp1251(rows[i][c]) == (line.empty() ? " " : line));
            }
            FUZZ_CHECK(lines[7 * i + 6].empty());
        }
    }

    std::vector<core::TJournalRow> appended = rows;
    const std::string typed = appended.empty() ? std::string() : appended.back()[5];
    const bool reused = !appended.empty() && core::LastRowReusable(appended.back()[1]);
    const auto at =
        core::AppendRecordRow(appended, "01.02.2026  10:00:00", -12.3f, 77.0f, -20.0f, 1.0f);
    FUZZ_CHECK(at && *at < appended.size());
    FUZZ_CHECK(appended.size() == std::max<std::size_t>(rows.size() + (reused ? 0 : 1), 1));
    std::int64_t number = 0;
    FUZZ_CHECK(rt::TryStrToInt64(appended[*at][0], number));
    FUZZ_CHECK(appended[*at][5] == core::FillRow({"", "", "", "", "",
                                                  core::CommentWithTyped(core::kAdditiveComment,
                                                                         reused ? typed : "")})[5]);
    const std::size_t before = appended.size();
    const core::TRowDeletion deleted =
        core::DeleteRecordRow(appended, static_cast<int>(appended.size()));
    FUZZ_CHECK(deleted != core::TRowDeletion::None);
    FUZZ_CHECK(appended.size() == (deleted == core::TRowDeletion::Removed ? before - 1 : before));
    return 0;
}
