#include "platform/linux/ReportIdBytes.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace hidraw;

// Plays the kernel's part of a read: copies the report into the area read(2) is given.
std::size_t KernelRead(std::span<std::uint8_t> area, const Bytes& report) {
    const std::size_t n = std::min(area.size(), report.size());
    std::memcpy(area.data(), report.data(), n);
    return n;
}

TEST(ReportIdBytes, ReadWithoutNumberedReportsGetsZeroIdInFront) {
    Bytes buffer(65, 0xEE);
    Bytes report(64);
    for (std::size_t i = 0; i < report.size(); ++i)
        report[i] = std::uint8_t(i + 1);

    const auto area = KernelReadArea(buffer, false);
    ASSERT_EQ(area.data(), buffer.data() + 1);
    ASSERT_EQ(area.size(), 64u);
    const std::size_t seen = FinishRead(buffer, KernelRead(area, report), false, 65);

    EXPECT_EQ(seen, 65u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), buffer.begin() + 1));
}

TEST(ReportIdBytes, ReadWithNumberedReportsKeepsTheKernelsId) {
    Bytes buffer(9, 0xEE);
    const Bytes report = {0x02, 10, 20, 30, 40, 50, 60, 70, 80};

    const auto area = KernelReadArea(buffer, true);
    ASSERT_EQ(area.data(), buffer.data());
    const std::size_t seen = FinishRead(buffer, KernelRead(area, report), true, 9);

    EXPECT_EQ(seen, 9u);
    EXPECT_EQ(buffer, report);
}

TEST(ReportIdBytes, ShortReportIsFilledUpToTheReportLength) {
    // A device that sends 3 of its 64 bytes; the stale bytes of the buffer must not show.
    Bytes buffer(65, 0xEE);
    const std::size_t seen =
        FinishRead(buffer, KernelRead(KernelReadArea(buffer, false), {7, 8, 9}), false, 65);
    EXPECT_EQ(seen, 65u);
    EXPECT_EQ((Bytes{buffer.begin(), buffer.begin() + 4}), (Bytes{0, 7, 8, 9}));
    EXPECT_TRUE(std::all_of(buffer.begin() + 4, buffer.end(), [](auto b) { return b == 0; }));

    // A numbered report shorter than the longest one is filled the same way.
    Bytes numbered(33, 0xEE);
    EXPECT_EQ(FinishRead(numbered, KernelRead(numbered, {1, 5, 6}), true, 33), 33u);
    EXPECT_EQ(numbered[0], 1);
    EXPECT_EQ(numbered[32], 0);
}

TEST(ReportIdBytes, ReadNeverPassesTheBuffer) {
    Bytes one(1, 0xEE);
    EXPECT_TRUE(KernelReadArea(one, false).empty());
    EXPECT_EQ(FinishRead(one, 0, false, 65), 1u);
    EXPECT_EQ(one[0], 0);

    Bytes none;
    EXPECT_TRUE(KernelReadArea(none, false).empty());
    EXPECT_EQ(FinishRead(none, 0, false, 65), 0u);

    // A kernel count beyond the area (cannot happen, but must not overflow the buffer).
    Bytes four(4);
    EXPECT_EQ(FinishRead(four, 100, false, 4), 4u);
}

struct WriteCase {
    const char* name;
    Bytes report;
    bool numbered;
    bool writable;
};
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class WritableReport : public testing::TestWithParam<WriteCase> {};

TEST_P(WritableReport, ReportIdMatchesTheDevice) {
    EXPECT_EQ(IsWritableReport(GetParam().report, GetParam().numbered), GetParam().writable);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, WritableReport,
    testing::Values(WriteCase{"UnnumberedWithZeroId", {0x00, 0x00, 0x08, 0x01}, false, true},
                    // Byte 1 of command 0x0B repeats the code: it is data, the ID stays byte 0.
                    WriteCase{"UnnumberedCommandRepeatingItsCode", {0x00, 0x0B, 0x0B}, false, true},
                    WriteCase{"UnnumberedWithNonZeroId", {0x03, 0x00, 0x08}, false, false},
                    WriteCase{"NumberedWithItsId", {0x03, 0x11}, true, true},
                    WriteCase{"NumberedWithZeroId", {0x00, 0x11}, true, false},
                    WriteCase{"OnlyTheIdByte", {0x00}, false, false},
                    WriteCase{"Empty", {}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
