#pragma once
// The curve-file format of LSgraf over plain data: "M", the comment, the series count, each
// series' point count, then X and Y doubles of every point, little-endian, no gaps.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct TCurvePoint {
    double X = 0;
    double Y = 0;
    bool operator==(const TCurvePoint&) const = default;
};
using TCurveSeries = std::vector<TCurvePoint>;

constexpr char kCurveFileMagic = 'M';
constexpr std::size_t kMaxCurveCommentBytes = 255;

// The file's bytes for the given series in file order (chart by chart, series by series).
// The comment is in the ANSI code page; a longer one is cut to 255 bytes so that the length
// byte stays true.
std::string EncodeCurveFile(std::string_view commentBytes, const std::vector<TCurveSeries>& series);

// Why a load ended before the end of the series table.
struct TCurveFileError {
    enum Kind {
        Truncated,      // the file ends inside the header
        BadSeriesCount, // negative, or its table runs past the end of the file
        BadPointCount,  // negative, or its points run past the end of the file
    };
    Kind kind = Truncated;
    std::int32_t value = 0;      // the count read
    std::size_t seriesIndex = 0; // BadPointCount: the series it belongs to
};

// A series of the file with points; Index numbers it over the whole file (series without
// points are skipped but counted).
struct TLoadedCurve {
    std::size_t Index = 0;
    TCurveSeries Points;
};

struct TCurveFileContent {
    bool IsCurveFile = false;         // the first byte is "M"; otherwise nothing is loaded
    std::string Comment;              // raw bytes
    std::int32_t SeriesCount = 0;     // N as read
    std::vector<TLoadedCurve> Series; // the series read completely, in file order
    std::optional<TCurveFileError> Error;
};

// Reads what the bytes hold. A damaged file ends the decoding at the first count that the
// bytes cannot satisfy: the series before it are returned, the one it belongs to is not.
// Nothing is allocated by a count before it is checked against the bytes left.
TCurveFileContent DecodeCurveFile(std::string_view bytes);

// The text of the load error for the error box.
std::string CurveFileErrorMessage(const TCurveFileError& error, std::string_view fileName);

// Which chart of the array a loaded series goes to: every series to the first chart.
// None when the array is empty.
std::optional<std::size_t> ChartForSeries(std::size_t seriesIndex, std::size_t chartCount);

// The files of the chart menu's "Сохранить" for the chosen name F, in save order:
// Chart2 to F + ".txt", Chart3 to F + "_.txt", Chart1 to F + "_t_.txt".
std::string MenuCurveFileChart2(std::string_view chosen);
std::string MenuCurveFileChart3(std::string_view chosen);
std::string MenuCurveFileChart1(std::string_view chosen);

// Writes the file (replacing it as a whole) and reads one: its first byte first, and no more
// than the file's size; file errors raise the runtime's file exceptions with their messages.
void SaveCurveFile(const std::string& path, std::string_view commentBytes,
                   const std::vector<TCurveSeries>& series);
TCurveFileContent LoadCurveFile(const std::string& path);

} // namespace core
