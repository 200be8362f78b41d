// data2.tab: any bytes give record rows of six cells; written and read again they give the
// same rows; a new record numbered after the last one read.
#include "app/core/Journal.h"
#include "fuzz/Check.h"
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

    std::vector<core::TJournalRow> appended = rows;
    const auto at =
        core::AppendRecordRow(appended, "01.02.2026  10:00:00", -12.3f, 77.0f, -20.0f, 1.0f);
    FUZZ_CHECK(at && *at < appended.size());
    std::int64_t number = 0;
    FUZZ_CHECK(rt::TryStrToInt64(appended[*at][0], number));
    if (!appended.empty())
        core::DeleteRecordRow(appended, static_cast<int>(appended.size()));
    return 0;
}
