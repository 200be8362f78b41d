#include "HostRules.h"

#include "analyzer/AnalyzerFloat.h"
#include "analyzer/StatusReport.h"
#include "app/core/InputReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <limits>
#include <type_traits>
#include <variant>
#include <vector>

namespace analyzer::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const FloatBytes& b) { return Bytes(b.begin(), b.end()); }

TEST(AnalyzerFloatTest, KnownPatterns) {
    EXPECT_EQ(Of(EncodeSingle(1.0f)), (Bytes{0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(Of(EncodeSingle(-2.5f)), (Bytes{0x00, 0x00, 0x20, 0xC0}));
    EXPECT_EQ(Of(EncodeSingle(kUndetermined)), (Bytes{0x00, 0x00, 0x9A, 0x42}));
    EXPECT_EQ(Of(EncodeSingle(0.0f)), (Bytes{0, 0, 0, 0}));
}

TEST(AnalyzerFloatTest, EveryValueReadsBackThroughTheHostDecoding) {
    for (float v : {0.0f, 1.0f, -2.5f, 77.0f, -40.0f, 0.2f, 1.23456f, -5.03f, 2000.0f, -612.5f,
                    1e-6f, 9e14f}) {
        const FloatBytes b = EncodeSingle(v);
        double expected = 0;
        ASSERT_TRUE(HostRound(double(v), 4, expected));
        EXPECT_DOUBLE_EQ(HostDecodeSingle(b.data()), expected) << v;
    }
}

TEST(AnalyzerFloatTest, NoValueLooksErasedOrNonFinite) {
    // 0x3FFFFFFF is just below 2 and ends in FF FF FF: the host would read 0
    const float nearTwo = std::bit_cast<float>(0x3FFFFFFFu);
    const FloatBytes b = EncodeSingle(nearTwo);
    EXPECT_FALSE(b[0] == 0xFF && b[1] == 0xFF && b[2] == 0xFF);
    EXPECT_DOUBLE_EQ(HostDecodeSingle(b.data()), 2.0);
    const float negative = std::bit_cast<float>(0xBFFFFFFFu);
    EXPECT_DOUBLE_EQ(HostDecodeSingle(EncodeSingle(negative).data()), -2.0);

    // too large for the host's rounding: sent as the largest value it still reads
    EXPECT_DOUBLE_EQ(HostDecodeSingle(EncodeSingle(1e15f).data()), double(kLargestSingle));
    EXPECT_DOUBLE_EQ(HostDecodeSingle(EncodeSingle(-3e38f).data()), -double(kLargestSingle));

    for (float v : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()})
        EXPECT_EQ(Of(EncodeSingle(v)), (Bytes{0, 0, 0, 0}));
}

TEST(AnalyzerFloatTest, ReadSingleRefusesErasedAndNonFinite) {
    const std::uint8_t erased[] = {0xFF, 0xFF, 0xFF, 0x3F};
    const std::uint8_t infinity[] = {0x00, 0x00, 0x80, 0x7F};
    const std::uint8_t one[] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_FALSE(ReadSingle(erased));
    EXPECT_FALSE(ReadSingle(infinity));
    EXPECT_EQ(ReadSingle(one), 1.0f);
}

StatusFields Running() {
    StatusFields f;
    f.state = Byte(AnalyzerState::RunAll);
    f.temperature = -5.25f;
    f.th = -8.25f;
    f.signal = 1234.6f;
    f.cloudPoint = -5.0f;
    f.modeByte = Byte(ModeBits::Optical);
    f.additive = 1;
    f.dt = 0.98f;
    f.df = -612.4f;
    f.auxByte = 200;
    return f;
}

struct LayoutCase {
    std::uint16_t version;
    std::uint8_t byte39;
    bool layoutA;
};

class StatusLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(StatusLayoutTest, FieldsSitWhereTheHostReadsThem) {
    const LayoutCase c = GetParam();
    ASSERT_EQ(UsesLayoutA(c.version, c.byte39), c.layoutA);
    const Payload p = BuildStatusPayload(Running(), c.layoutA, c.byte39);

    EXPECT_EQ(p[0], Byte(AnalyzerState::RunAll));
    EXPECT_DOUBLE_EQ(HostDecodeSingle(&p[1]), -5.25);
    EXPECT_DOUBLE_EQ(HostDecodeSingle(&p[5]), -8.25);
    EXPECT_DOUBLE_EQ(HostDecodeSingle(&p[13]), -5.0);
    EXPECT_EQ(Bytes(p.begin() + 17, p.begin() + 25),
              (Bytes{0x00, 0x00, 0x9A, 0x42, 0x00, 0x00, 0x9A, 0x42})); // pour, CFPP: 77
    EXPECT_EQ(p[25], Byte(ModeBits::Optical));
    EXPECT_EQ(Bytes(p.begin() + 26, p.begin() + 30), Bytes(4, 0));
    EXPECT_EQ(p[30], 1);
    EXPECT_NEAR(HostDecodeSingle(&p[31]), 0.98, 1e-4);
    EXPECT_EQ(p[39], c.byte39);
    EXPECT_EQ(p[40], 200);
    EXPECT_EQ(Bytes(p.begin() + 41, p.end()), Bytes(23, 0));

    if (c.layoutA) {
        EXPECT_EQ(U32(&p[9]), 1235u) << "signal as an unsigned integer";
        EXPECT_EQ(static_cast<std::int32_t>(U32(&p[35])), -612) << "df as a signed integer";
    } else {
        EXPECT_NEAR(HostDecodeSingle(&p[9]), 1234.6, 1e-3);
        EXPECT_NEAR(HostDecodeSingle(&p[35]), -612.4, 1e-3);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, StatusLayoutTest,
                         ::testing::Values(LayoutCase{3, 0, true}, LayoutCase{3, 2, true},
                                           LayoutCase{1, 0, false}, LayoutCase{1, 2, true},
                                           LayoutCase{0x0100, 0, false}, LayoutCase{1, 3, false}));

TEST(StatusPayloadTest, LayoutAIntegersStayInRange) {
    StatusFields f = Running();
    f.signal = -3.0f;
    f.df = 1e12f;
    Payload p = BuildStatusPayload(f, true, 2);
    EXPECT_EQ(U32(&p[9]), 0u);
    EXPECT_EQ(static_cast<std::int32_t>(U32(&p[35])), std::numeric_limits<std::int32_t>::max());
    f.df = -1e12f;
    p = BuildStatusPayload(f, true, 2);
    EXPECT_EQ(static_cast<std::int32_t>(U32(&p[35])), std::numeric_limits<std::int32_t>::min());
}

TEST(StatusPayloadTest, ModelChoosesItsLayoutByVersionAndSwitch) {
    AnalyzerModel version3(3);
    EXPECT_TRUE(version3.LayoutA());
    AnalyzerModel version1(1);
    EXPECT_FALSE(version1.LayoutA());
    EXPECT_EQ(version1.StatusPayload()[39], 0);
    version1.SetLayoutASwitch(true);
    EXPECT_TRUE(version1.LayoutA());
    EXPECT_EQ(version1.StatusPayload()[39], 2);
    // the clear signal of 2000 as the integer 2000
    EXPECT_EQ(U32(&version1.StatusPayload()[9]), 2000u);
    version1.SetLayoutASwitch(false);
    EXPECT_DOUBLE_EQ(HostDecodeSingle(&version1.StatusPayload()[9]), 2000.0);
}

bool SameType(core::TStatusType program, StatusType device) {
    switch (program) {
    case core::TStatusType::Byte: return device == StatusType::Byte;
    case core::TStatusType::Single: return device == StatusType::Single;
    case core::TStatusType::Unsigned32: return device == StatusType::Unsigned32;
    case core::TStatusType::Signed32: return device == StatusType::Signed32;
    }
    return false;
}

const StatusPlace* PlaceAt(std::size_t offset) {
    for (const StatusPlace& place : StatusMap())
        if (place.offset == offset)
            return &place;
    return nullptr;
}

double SentValue(const StatusFields& fields, const StatusPlace& place) {
    return std::visit([&](auto member) { return double(fields.*member); }, place.field);
}

// Every field of the program's status table is a field of the stand-in at the same offset,
// in the same type in each layout, and the program reads every field the stand-in sends; the
// two choose the layout alike.
TEST(StatusMapTest, TheProgramsStatusTableMeetsTheStandInsMap) {
    for (const core::TStatusField& field : core::StatusTable()) {
        SCOPED_TRACE(field.Name);
        const StatusPlace* place = PlaceAt(field.Offset);
        ASSERT_NE(place, nullptr);
        EXPECT_TRUE(SameType(field.A, place->layoutA));
        EXPECT_TRUE(SameType(field.B, place->layoutB));
    }
    for (const StatusPlace& place : StatusMap()) {
        const auto read =
            std::find_if(core::StatusTable().begin(), core::StatusTable().end(),
                         [&](const core::TStatusField& f) { return f.Offset == place.offset; });
        EXPECT_NE(read, core::StatusTable().end()) << place.name << " is sent and never read";
    }
    EXPECT_EQ(core::kLayoutByte, kLayoutSwitchByte);
    for (std::uint16_t version : {0, 1, 2, 3, 0x0103, 0x0300})
        for (std::uint8_t byte39 : {0, 1, 2, 3, 0xFF})
            EXPECT_EQ(UsesLayoutA(version, byte39),
                      core::ChooseStatusLayout(version, byte39) == core::TStatusLayout::A)
                << version << "/" << int(byte39);
}

// Each field sent with a value of its own reads back as that value, in both layouts.
TEST(StatusMapTest, WhatTheStandInSendsIsWhatTheProgramReads) {
    StatusFields sent;
    double n = 0;
    for (const StatusPlace& place : StatusMap()) {
        ++n;
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(sent.*member)>;
                sent.*member = static_cast<T>(std::is_same_v<T, float> ? 100 * n + 25 : n);
            },
            place.field);
    }
    const LayoutCase layouts[] = {{1, 0, false}, {1, 2, true}, {3, 0, true}};
    for (const LayoutCase& c : layouts) {
        SCOPED_TRACE(c.layoutA ? "layout A" : "layout B");
        const Payload p = BuildStatusPayload(sent, c.layoutA, c.byte39);
        const auto read = core::DecodeStatusReport(p.data(), p.size(), c.version);
        ASSERT_TRUE(read);
        for (const core::TStatusField& field : core::StatusTable()) {
            const StatusPlace* place = PlaceAt(field.Offset);
            ASSERT_NE(place, nullptr) << field.Name;
            EXPECT_EQ(core::FieldValue(*read, field), SentValue(sent, *place)) << field.Name;
        }
    }
}

} // namespace
} // namespace analyzer::test
