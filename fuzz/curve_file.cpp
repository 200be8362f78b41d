// Curve files: any bytes decode without reading past them or allocating beyond them, and a
// file read without error is written back byte for byte.
#include "app/core/CurveFile.h"
#include "fuzz/Check.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const core::TCurveFileContent c = core::DecodeCurveFile(bytes);
    if (!c.IsCurveFile) {
        FUZZ_CHECK(c.Series.empty() && !c.Error);
        return 0;
    }
    if (c.Error) {
        FUZZ_CHECK(!core::CurveFileErrorMessage(*c.Error, "f.txt").empty());
        if (c.Error->kind == core::TCurveFileError::Truncated)
            FUZZ_CHECK(c.Series.empty());
        return 0;
    }

    // The series read lie in the file, in file order, each with points.
    FUZZ_CHECK(c.SeriesCount >= 0);
    std::uint64_t points = 0;
    std::size_t nextIndex = 0;
    for (const core::TLoadedCurve& s : c.Series) {
        FUZZ_CHECK(!s.Points.empty());
        FUZZ_CHECK(s.Index >= nextIndex && s.Index < static_cast<std::size_t>(c.SeriesCount));
        nextIndex = s.Index + 1;
        points += s.Points.size();
    }
    const std::uint64_t length =
        2 + c.Comment.size() + 4 + 4 * std::uint64_t(c.SeriesCount) + 16 * points;
    FUZZ_CHECK(length <= size);

    // Written back, the file is the same bytes (anything after the points is not part of it).
    std::vector<core::TCurveSeries> series(static_cast<std::size_t>(c.SeriesCount));
    for (const core::TLoadedCurve& s : c.Series)
        series[s.Index] = s.Points;
    if (!c.Comment.empty()) {
        const std::string again = core::EncodeCurveFile(c.Comment, series);
        FUZZ_CHECK(again == bytes.substr(0, again.size()));
        FUZZ_CHECK(again.size() == length);
    }
    for (std::size_t i = 0; i < c.Series.size(); ++i)
        FUZZ_CHECK(core::ChartForSeries(c.Series[i].Index, 1) == std::optional<std::size_t>(0));
    return 0;
}
