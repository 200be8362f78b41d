// Input reports of the analyzer as both builds parse them: any payload is logged, and a
// report long enough for its kind decodes without reading past its Size.
#include "app/core/InputReport.h"
#include "fuzz/Check.h"

#include <cmath>
#include <cstdint>

namespace {

void Parse(const std::uint8_t* data, std::size_t size, const core::TParseRules& rules,
           std::uint16_t version) {
    FUZZ_CHECK(core::HexLogLine(data, size).size() == 3 * size);
    if (core::IsShortReport(data, size, rules))
        return;
    switch (core::ClassifyReport(data, size)) {
    case core::TReportKind::ControllerDump: {
        const auto edits = core::ControllerDumpEdits(data, size);
        FUZZ_CHECK(edits && edits->size() == 10);
        break;
    }
    case core::TReportKind::EepromRead: {
        const auto reply = core::DecodeEepromReply(data, size, rules);
        FUZZ_CHECK(reply);
        for (const core::TDumpRow& row : reply->Dump)
            FUZZ_CHECK(row.Row >= 1 && row.Row < core::kDumpGridRows);
        if (!rules.PidTerms && reply->Selector == 21)
            FUZZ_CHECK(reply->Edits.empty());
        break;
    }
    case core::TReportKind::EepromByte: core::EepromByteText(data, size); break;
    case core::TReportKind::Status: {
        const auto report = core::DecodeStatusReport(data, size, version, rules);
        FUZZ_CHECK(report);
        core::TMeasurement m = *report;
        FUZZ_CHECK(core::ApplyStatusReport(m, data, size, version, rules));
        FUZZ_CHECK(m.FPrevTemperature == report->FTemperature);
        const core::TStatusDisplays t = core::StatusDisplayTexts(m);
        FUZZ_CHECK(!t.MemoLine.empty() && !t.StatusLine.empty());
        if (!rules.AuxByte)
            FUZZ_CHECK(m.FAuxByte == 0);
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const core::TParseRules& rules : {core::kRussianParseRules, core::kEnglishParseRules})
        for (std::uint16_t version : {0, 3})
            Parse(data, size, rules, version);

    // Every four bytes as an analyzer float: a finite value below the rounding's limit.
    for (std::size_t i = 0; i + 4 <= size; ++i) {
        const double v = core::DecodeSingle(data + i);
        FUZZ_CHECK(std::isfinite(v) && std::fabs(v) < 1e15);
    }
    return 0;
}
