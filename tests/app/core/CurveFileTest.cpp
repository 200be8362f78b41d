#include "app/core/CurveFile.h"

#include "TempDir.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <limits>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace core;

namespace {

// Little-endian pieces of a hand-made file.
std::string I32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * i));
    return s;
}

// 1.0 = 00 00 00 00 00 00 F0 3F, -2.5 = 00 00 00 00 00 00 04 C0, 0.5 = ... E0 3F, 3 = ... 08 40
const std::string kOne("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);
const std::string kMinus2_5("\x00\x00\x00\x00\x00\x00\x04\xC0", 8);
const std::string kHalf("\x00\x00\x00\x00\x00\x00\xE0\x3F", 8);
const std::string kThree("\x00\x00\x00\x00\x00\x00\x08\x40", 8);

// "M", comment " ", N = 3, counts 2, 0, 1, points (1,-2.5) (0.5,3) | (3,1)
const std::string kFixture = std::string("M\x01 ", 3) + I32(3) + I32(2) + I32(0) + I32(1) + kOne +
                             kMinus2_5 + kHalf + kThree + kThree + kOne;

const std::vector<TCurveSeries> kSeries{{{1, -2.5}, {0.5, 3}}, {}, {{3, 1}}};

} // namespace

TEST(CurveFile, ByteLayoutMatchesTheHandMadeFile) {
    EXPECT_EQ(EncodeCurveFile(" ", kSeries), kFixture);
    EXPECT_EQ(kFixture.size(), 1 + 1 + 1 + 4 + 4 * 3 + 16 * 3u);
}

TEST(CurveFile, ZeroCountSeriesIsSkippedAndOffsetsStayRight) {
    TCurveFileContent c = DecodeCurveFile(kFixture);
    EXPECT_TRUE(c.IsCurveFile);
    EXPECT_FALSE(c.Error);
    EXPECT_EQ(c.Comment, " ");
    EXPECT_EQ(c.SeriesCount, 3);
    ASSERT_EQ(c.Series.size(), 2u);
    EXPECT_EQ(c.Series[0].Index, 0u);
    EXPECT_EQ(c.Series[0].Points, kSeries[0]);
    EXPECT_EQ(c.Series[1].Index, 2u);
    EXPECT_EQ(c.Series[1].Points, kSeries[2]);
}

TEST(CurveFile, EmptyChartsAndNoCharts) {
    // series without points: counts 0, no point data, nothing loads
    const std::string empty = EncodeCurveFile(" ", {{}, {}});
    EXPECT_EQ(empty, std::string("M\x01 ", 3) + I32(2) + I32(0) + I32(0));
    TCurveFileContent c = DecodeCurveFile(empty);
    EXPECT_TRUE(c.Series.empty());
    EXPECT_FALSE(c.Error);

    // no series at all: header, comment and N = 0
    const std::string none = EncodeCurveFile(" ", {});
    EXPECT_EQ(none, std::string("M\x01 ", 3) + I32(0));
    c = DecodeCurveFile(none);
    EXPECT_TRUE(c.IsCurveFile);
    EXPECT_TRUE(c.Series.empty());
    EXPECT_FALSE(c.Error);
}

TEST(CurveFile, CommentLengths) {
    // a reader takes any length 0..255; the writer cuts a longer comment to 255 bytes
    TCurveFileContent c = DecodeCurveFile(std::string("M\x00", 2) + I32(1) + I32(1) + kOne + kHalf);
    EXPECT_EQ(c.Comment, "");
    ASSERT_EQ(c.Series.size(), 1u);
    EXPECT_EQ(c.Series[0].Points, (TCurveSeries{{1, 0.5}}));

    const std::string longFile = EncodeCurveFile(std::string(300, 'c'), kSeries);
    EXPECT_EQ(static_cast<unsigned char>(longFile[1]), 255);
    c = DecodeCurveFile(longFile);
    EXPECT_EQ(c.Comment, std::string(255, 'c'));
    EXPECT_EQ(c.Series.size(), 2u);
}

TEST(CurveFile, FirstByteOtherThanMLoadsNothingSilently) {
    for (std::string bytes : {std::string(), std::string("m"), "X" + kFixture.substr(1)}) {
        TCurveFileContent c = DecodeCurveFile(bytes);
        EXPECT_FALSE(c.IsCurveFile);
        EXPECT_TRUE(c.Series.empty());
        EXPECT_FALSE(c.Error);
    }
}

TEST(CurveFile, TruncatedFilesEndTheLoadWithAnError) {
    // every cut of the fixture gives only the series that are wholly inside it
    for (std::size_t n = 1; n < kFixture.size(); ++n) {
        SCOPED_TRACE(n);
        TCurveFileContent c = DecodeCurveFile(kFixture.substr(0, n));
        EXPECT_TRUE(c.IsCurveFile);
        ASSERT_TRUE(c.Error);
        const std::size_t pointsAt = 3 + 4 + 12;
        if (n < 7)
            EXPECT_EQ(c.Error->kind, TCurveFileError::Truncated);
        else if (n < pointsAt)
            EXPECT_EQ(c.Error->kind, TCurveFileError::BadSeriesCount);
        else
            EXPECT_EQ(c.Error->kind, TCurveFileError::BadPointCount);
        const std::size_t whole = n >= pointsAt + 32 ? 1 : 0; // series 2's point is the last
        EXPECT_EQ(c.Series.size(), whole);
    }
}

TEST(CurveFile, NegativeAndHugeCountsAreErrors) {
    struct {
        const char* name;
        std::string bytes;
        TCurveFileError::Kind kind;
        std::int32_t value;
        std::size_t series; // series that stay loaded
    } cases[] = {
        {"negative N", std::string("M\x01 ", 3) + I32(-1), TCurveFileError::BadSeriesCount, -1, 0},
        {"huge N", std::string("M\x01 ", 3) + I32(0x7FFFFFFF) + I32(1) + kOne + kOne,
         TCurveFileError::BadSeriesCount, 0x7FFFFFFF, 0},
        {"negative count", std::string("M\x01 ", 3) + I32(2) + I32(1) + I32(-5) + kOne + kOne,
         TCurveFileError::BadPointCount, -5, 1},
        {"huge count", std::string("M\x01 ", 3) + I32(2) + I32(1) + I32(0x10000000) + kOne + kOne,
         TCurveFileError::BadPointCount, 0x10000000, 1},
        {"min count",
         std::string("M\x01 ", 3) + I32(1) + I32(std::numeric_limits<std::int32_t>::min()),
         TCurveFileError::BadPointCount, std::numeric_limits<std::int32_t>::min(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TCurveFileContent r = DecodeCurveFile(c.bytes);
        ASSERT_TRUE(r.Error);
        EXPECT_EQ(r.Error->kind, c.kind);
        EXPECT_EQ(r.Error->value, c.value);
        EXPECT_EQ(r.Series.size(), c.series);
    }
}

TEST(CurveFile, ErrorMessages) {
    EXPECT_EQ(CurveFileErrorMessage({TCurveFileError::Truncated, 0, 0}, "/a/b.txt"),
              "Curve file \"/a/b.txt\" ends before its series count");
    EXPECT_EQ(CurveFileErrorMessage({TCurveFileError::BadSeriesCount, -1, 0}, "f"),
              "Curve file \"f\" has an invalid series count (-1)");
    EXPECT_EQ(CurveFileErrorMessage({TCurveFileError::BadPointCount, 99, 3}, "f"),
              "Curve file \"f\" has an invalid point count (99) in series 3");
}

TEST(CurveFile, EverySeriesGoesToTheFirstChart) {
    for (std::size_t i : {0u, 4u, 5u, 6u, 9u, 1000u})
        EXPECT_EQ(ChartForSeries(i, 3), std::optional<std::size_t>(0));
    EXPECT_FALSE(ChartForSeries(0, 0));
}

TEST(CurveFile, SpecialValuesSurvive) {
    const std::vector<TCurveSeries> odd{{{-0.0, std::numeric_limits<double>::infinity()},
                                         {std::numeric_limits<double>::denorm_min(), -1e300}}};
    TCurveFileContent c = DecodeCurveFile(EncodeCurveFile(" ", odd));
    ASSERT_EQ(c.Series.size(), 1u);
    EXPECT_EQ(c.Series[0].Points, odd[0]);
    EXPECT_TRUE(std::signbit(c.Series[0].Points[0].X));
}

TEST(CurveFile, MenuFileNamesKeepTheChosenExtension) {
    EXPECT_EQ(MenuCurveFileChart2("/home/u/run.dat"), "/home/u/run.dat.txt");
    EXPECT_EQ(MenuCurveFileChart3("/home/u/run.dat"), "/home/u/run.dat_.txt");
    EXPECT_EQ(MenuCurveFileChart1("/home/u/run.dat"), "/home/u/run.dat_t_.txt");
}

TEST(CurveFile, SaveAndLoadFiles) {
    TempDir dir;
    const std::string file = dir / "gr1.txt";
    SaveCurveFile(file, " ", kSeries);
    EXPECT_EQ(TempDir::Read(file), kFixture);
    EXPECT_EQ(LoadCurveFile(file).Series.size(), 2u);

    EXPECT_THROW(SaveCurveFile(dir / "gr/gr1.txt", " ", kSeries), rt::EFCreateError);
    EXPECT_THROW(LoadCurveFile(dir / "missing.txt"), rt::EFOpenError);
}

// Loads the file in a child process that has little memory and time: a load that reads on
// past what it needs dies there. True when the child found no curve file.
bool LoadsNothingInAChild(const std::string& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        const rlimit memory{256u << 20, 256u << 20};
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        ::alarm(60);
        try {
            const TCurveFileContent c = LoadCurveFile(path);
            ::_exit(!c.IsCurveFile && c.Series.empty() && !c.Error ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(CurveFile, AFileThatIsNoCurveFileIsNotReadPastItsFirstByte) {
    TempDir dir;
    const std::string large = dir / "large.txt";
    {
        const int fd = ::open(large.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "X", 1), 1);
        ASSERT_EQ(::ftruncate(fd, off_t(4) << 30), 0); // 4 GiB, sparse
        ::close(fd);
    }
    EXPECT_TRUE(LoadsNothingInAChild(large));
    // An endless device is no file: refused unread, as any file that cannot be opened.
    EXPECT_THROW(LoadCurveFile("/dev/zero"), rt::EFOpenError);
}
