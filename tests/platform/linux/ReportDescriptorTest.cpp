#include "platform/linux/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using hidraw::ParseReportDescriptor;

// Vendor-defined, 64-byte input and output reports, no report IDs (the analyzer's kind).
const Bytes kVendor64 = {
    0x06, 0x00, 0xFF, // Usage Page (Vendor 0xFF00)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x40,       //   Report Count (64)
    0x09, 0x01,       //   Usage (1)
    0x81, 0x02,       //   Input (Data, Var, Abs)
    0x95, 0x40,       //   Report Count (64)
    0x09, 0x01,       //   Usage (1)
    0x91, 0x02,       //   Output (Data, Var, Abs)
    0xC0,             // End Collection
};

// Boot keyboard: modifiers, reserved byte, six key codes in; five LEDs and padding out.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,             // Generic Desktop, Keyboard, Application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,             // Key codes, modifiers E0..E7
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, // 8 x 1 bit
    0x81, 0x02,                                     // Input (Data, Var, Abs)
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,             // 1 x 8 bits, Input (Const)
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08,             // 5 x 1 bit, LEDs
    0x19, 0x01, 0x29, 0x05, 0x91, 0x02,             // Output (Data, Var, Abs)
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,             // 1 x 3 bits, Output (Const)
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, // 6 x 8 bits
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, // Input (Data, Array)
    0xC0,
};

// Boot mouse with a long item (skipped) between the buttons and the axes.
const Bytes kMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,             // Generic Desktop, Mouse, Application
    0x09, 0x01, 0xA1, 0x00,                         // Pointer, Physical
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03,             // Buttons 1..3
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, // 3 x 1 bit
    0x81, 0x02,                                     // Input (Data, Var, Abs)
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01,             // 5 bits padding
    0xFE, 0x04, 0x20, 0x81, 0x02, 0x95, 0x7F,       // long item: its data is not items
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31,             // X, Y
    0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, // 2 x 8 bits
    0x81, 0x06,                                     // Input (Data, Var, Rel)
    0xC0, 0xC0,
};

// Four numbered reports of different sizes in two top-level collections.
const Bytes kNumbered = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,       // Vendor, Application
    0x75, 0x08,                                     // Report Size (8)
    0x85, 0x01, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02, // ID 1: 8 bytes in
    0x85, 0x02, 0x95, 0x20, 0x09, 0x01, 0x81, 0x02, // ID 2: 32 bytes in
    0x85, 0x03, 0x95, 0x10, 0x09, 0x01, 0x91, 0x02, // ID 3: 16 bytes out
    0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,       // Consumer Control, Application
    0x85, 0x04, 0x95, 0x04, 0x09, 0x01, 0xB1, 0x02, // ID 4: 4 bytes feature
    0x85, 0x02, 0x95, 0x02, 0x09, 0x01, 0x91, 0x02, // ID 2: 2 bytes out
    0x85, 0x01, 0x75, 0x04, 0x95, 0x03, 0x81, 0x02, // ID 1: 12 more bits in
    0xC0,
};

// Push keeps ID 1 with 4 x 8 bits; ID 2 uses 8 x 16 bits; Pop must restore both.
const Bytes kPushPop = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x04,
    0xA4, // Push
    0x85, 0x02, 0x75, 0x10, 0x95, 0x08, 0x09, 0x01, 0x81, 0x02,
    0xB4, // Pop
    0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x81, 0x02, 0xC0,
};

struct LengthCase {
    std::string name;
    Bytes descriptor;
    bool numbered;
    std::uint16_t input, output, feature;
    std::uint16_t usagePage, usage, collections;
};
void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.name; }

class ReportLengths : public testing::TestWithParam<LengthCase> {};

TEST_P(ReportLengths, LongestReportPlusReportIdByte) {
    const LengthCase& c = GetParam();
    const auto info = ParseReportDescriptor(c.descriptor);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.numberedReports, c.numbered);
    EXPECT_EQ(info.inputReportByteLength, c.input);
    EXPECT_EQ(info.outputReportByteLength, c.output);
    EXPECT_EQ(info.featureReportByteLength, c.feature);
    EXPECT_EQ(info.usagePage, c.usagePage);
    EXPECT_EQ(info.usage, c.usage);
    EXPECT_EQ(info.collectionCount, c.collections);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ReportLengths,
    testing::Values(LengthCase{"Vendor64", kVendor64, false, 65, 65, 0, 0xFF00, 1, 1},
                    LengthCase{"BootKeyboard", kBootKeyboard, false, 9, 2, 0, 0x01, 0x06, 1},
                    LengthCase{"MouseWithLongItem", kMouse, false, 4, 0, 0, 0x01, 0x02, 2},
                    LengthCase{"NumberedReports", kNumbered, true, 33, 17, 5, 0xFF00, 1, 2},
                    LengthCase{"PushPop", kPushPop, true, 17, 0, 0, 0xFF00, 1, 1}),
    [](const auto& info) { return info.param.name; });

TEST(ReportDescriptor, NumberedReportsAreCountedPerId) {
    const auto info = ParseReportDescriptor(kNumbered);
    ASSERT_EQ(info.reports.size(), 4u);
    EXPECT_EQ(info.reports.at(1).input, 8u * 8 + 12); // 76 bits: 10 bytes
    EXPECT_EQ(info.reports.at(2).input, 32u * 8);
    EXPECT_EQ(info.reports.at(2).output, 2u * 8);
    EXPECT_EQ(info.reports.at(3).output, 16u * 8);
    EXPECT_EQ(info.reports.at(4).feature, 4u * 8);
}

TEST(ReportDescriptor, PopRestoresReportSizeCountAndId) {
    const auto info = ParseReportDescriptor(kPushPop);
    ASSERT_EQ(info.reports.size(), 2u);
    EXPECT_EQ(info.reports.at(1).input, 2u * 4 * 8);
    EXPECT_EQ(info.reports.at(2).input, 8u * 16);
}

TEST(ReportDescriptor, FourByteUsageCarriesItsPage) {
    const Bytes d = {0x0B, 0x01, 0x00, 0x00, 0xFF, // Usage (page 0xFF00, usage 1)
                     0xA1, 0x01, 0x75, 0x08, 0x97, 0x10, 0x00, 0x00, 0x00, // count 16 (4 bytes)
                     0x81, 0x02, 0xC0};
    const auto info = ParseReportDescriptor(d);
    ASSERT_TRUE(info.valid);
    EXPECT_EQ(info.usagePage, 0xFF00);
    EXPECT_EQ(info.usage, 1);
    EXPECT_EQ(info.inputReportByteLength, 17);
}

TEST(ReportDescriptor, EmptyDescriptorHasNoReports) {
    const auto info = ParseReportDescriptor({});
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.inputReportByteLength, 0);
    EXPECT_EQ(info.outputReportByteLength, 0);
    EXPECT_EQ(info.featureReportByteLength, 0);
}

struct MalformedCase {
    std::string name;
    Bytes descriptor;
};
void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

class MalformedDescriptor : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDescriptor, GivesNoLengths) {
    const auto info = ParseReportDescriptor(GetParam().descriptor);
    EXPECT_FALSE(info.valid);
    EXPECT_EQ(info.inputReportByteLength, 0);
    EXPECT_EQ(info.outputReportByteLength, 0);
    EXPECT_TRUE(info.reports.empty());
}

Bytes Truncated(Bytes d, std::size_t drop) {
    d.resize(d.size() - drop);
    return d;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, MalformedDescriptor,
    testing::Values(MalformedCase{"ShortItemCutInData", {0x75, 0x08, 0x26, 0xFF}},
                    MalformedCase{"LongItemCutInHeader", {0x75, 0x08, 0xFE, 0x04}},
                    MalformedCase{"LongItemCutInData", {0xFE, 0x04, 0x20, 0x01, 0x02}},
                    MalformedCase{"PopWithoutPush", {0x75, 0x08, 0xB4, 0x95, 0x01, 0x81, 0x02}},
                    MalformedCase{"ReportIdZero", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}},
                    MalformedCase{"ReportIdAbove255", {0x86, 0x00, 0x01, 0x75, 0x08, 0x81, 0x02}},
                    // 2^32-1 items of 255 bits would overflow 32-bit arithmetic.
                    MalformedCase{"HugeReport",
                                  {0x75, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02}},
                    MalformedCase{"VendorCutInLastItem", Truncated(kVendor64, 1 + 1)}),
    [](const auto& info) { return info.param.name; });

TEST(ReportDescriptor, ReportAtTheKernelLimitIsAccepted) {
    // 16383 bytes of data plus the report-ID byte fill the kernel's 16384-byte buffer.
    const Bytes atLimit = {0x75, 0x08, 0x96, 0xFF, 0x3F, 0x81, 0x02};
    const Bytes overLimit = {0x75, 0x08, 0x96, 0x00, 0x40, 0x81, 0x02};
    EXPECT_EQ(ParseReportDescriptor(atLimit).inputReportByteLength, 16384);
    EXPECT_FALSE(ParseReportDescriptor(overLimit).valid);
}

TEST(ReportDescriptor, DeepPushIsBounded) {
    Bytes d(64, 0xA4); // 64 Push items
    EXPECT_FALSE(ParseReportDescriptor(d).valid);
}

} // namespace
