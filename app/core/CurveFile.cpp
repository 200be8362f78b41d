#include "app/core/CurveFile.h"

#include "platform/Files.h"

#include <bit>
#include <cstring>

namespace core {

namespace {

void PutU32(std::string& out, std::uint32_t v) {
    char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                 static_cast<char>(v >> 24)};
    out.append(b, 4);
}

void PutDouble(std::string& out, double d) {
    std::uint64_t v = std::bit_cast<std::uint64_t>(d);
    char b[8];
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<char>(v >> (8 * i));
    out.append(b, 8);
}

std::uint32_t GetU32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

double GetDouble(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return std::bit_cast<double>(v);
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

} // namespace

std::string EncodeCurveFile(std::string_view commentBytes,
                            const std::vector<TCurveSeries>& series) {
    std::string_view comment = commentBytes.substr(0, kMaxCurveCommentBytes);
    std::size_t points = 0;
    for (const auto& s : series)
        points += s.size();

    std::string out;
    out.reserve(2 + comment.size() + 4 + 4 * series.size() + 16 * points);
    out.push_back(kCurveFileMagic);
    out.push_back(static_cast<char>(comment.size()));
    out.append(comment);
    PutU32(out, static_cast<std::uint32_t>(series.size()));
    for (const auto& s : series)
        PutU32(out, static_cast<std::uint32_t>(s.size()));
    for (const auto& s : series)
        for (const auto& p : s) {
            PutDouble(out, p.X);
            PutDouble(out, p.Y);
        }
    return out;
}

TCurveFileContent DecodeCurveFile(std::string_view bytes) {
    TCurveFileContent c;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    if (size == 0 || data[0] != static_cast<unsigned char>(kCurveFileMagic))
        return c;
    c.IsCurveFile = true;

    if (size < 2) {
        c.Error = TCurveFileError{TCurveFileError::Truncated, 0, 0};
        return c;
    }
    const std::size_t commentLength = data[1];
    const std::size_t countsAt = 2 + commentLength + 4;
    if (size < countsAt) {
        c.Error = TCurveFileError{TCurveFileError::Truncated, 0, 0};
        return c;
    }
    c.Comment.assign(bytes.substr(2, commentLength));
    c.SeriesCount = static_cast<std::int32_t>(GetU32(data + 2 + commentLength));

    // The whole count table must lie in the file.
    if (c.SeriesCount < 0 || static_cast<std::uint64_t>(c.SeriesCount) * 4 > size - countsAt) {
        c.Error = TCurveFileError{TCurveFileError::BadSeriesCount, c.SeriesCount, 0};
        return c;
    }

    std::size_t at = countsAt + 4 * static_cast<std::size_t>(c.SeriesCount);
    for (std::size_t i = 0; i < static_cast<std::size_t>(c.SeriesCount); ++i) {
        const auto count = static_cast<std::int32_t>(GetU32(data + countsAt + 4 * i));
        if (count == 0)
            continue;
        if (count < 0 || static_cast<std::uint64_t>(count) * 16 > size - at) {
            c.Error = TCurveFileError{TCurveFileError::BadPointCount, count, i};
            return c;
        }
        TLoadedCurve curve;
        curve.Index = i;
        curve.Points.resize(static_cast<std::size_t>(count));
        for (auto& p : curve.Points) {
            p.X = GetDouble(data + at);
            p.Y = GetDouble(data + at + 8);
            at += 16;
        }
        c.Series.push_back(std::move(curve));
    }
    return c;
}

std::string CurveFileErrorMessage(const TCurveFileError& error, std::string_view fileName) {
    switch (error.kind) {
    case TCurveFileError::Truncated:
        return "Curve file " + Quoted(fileName) + " ends before its series count";
    case TCurveFileError::BadSeriesCount:
        return "Curve file " + Quoted(fileName) + " has an invalid series count (" +
               std::to_string(error.value) + ")";
    case TCurveFileError::BadPointCount:
        return "Curve file " + Quoted(fileName) + " has an invalid point count (" +
               std::to_string(error.value) + ") in series " + std::to_string(error.seriesIndex);
    }
    return {};
}

std::optional<std::size_t> ChartForSeries(std::size_t, std::size_t chartCount) {
    if (chartCount == 0)
        return std::nullopt;
    return 0;
}

std::string MenuCurveFileChart2(std::string_view chosen) { return std::string(chosen) + ".txt"; }
std::string MenuCurveFileChart3(std::string_view chosen) { return std::string(chosen) + "_.txt"; }
std::string MenuCurveFileChart1(std::string_view chosen) { return std::string(chosen) + "_t_.txt"; }

void SaveCurveFile(const std::string& path, std::string_view commentBytes,
                   const std::vector<TCurveSeries>& series) {
    platform::ReplaceFile(path, EncodeCurveFile(commentBytes, series));
}

TCurveFileContent LoadCurveFile(const std::string& path) {
    platform::InputFile file(path);
    std::string bytes = file.Read(1);
    if (bytes.size() != 1 || bytes[0] != kCurveFileMagic)
        return {};
    if (file.Size() > 1)
        bytes += file.Read(file.Size() - 1);
    return DecodeCurveFile(bytes);
}

} // namespace core
