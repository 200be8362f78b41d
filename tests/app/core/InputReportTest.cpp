#include "app/core/InputReport.h"

#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

using namespace core;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Edits by their component names, with their texts.
using NamedTexts = std::vector<std::pair<std::string, std::string>>;
NamedTexts Named(const std::vector<TEditText>& edits) {
    NamedTexts out;
    for (const TEditText& e : edits)
        out.emplace_back(e.Name(), e.Text);
    return out;
}

void PutFloat(Bytes& b, std::size_t at, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

double Decode(float v) {
    Bytes b(4);
    PutFloat(b, 0, v);
    return DecodeSingle(b.data());
}

// A status payload of the analyzer's 64-byte report.
Bytes Status(std::uint8_t state = 20) {
    Bytes b(63, 0);
    b[0] = state;
    PutFloat(b, 1, -12.34f);   // T
    PutFloat(b, 5, 25.25f);    // Th
    PutFloat(b, 9, 1.5f);      // signal (layout B)
    PutFloat(b, 13, 77.0f);    // cloud point
    PutFloat(b, 17, -20.5f);   // pour point
    PutFloat(b, 21, 77.0f);    // filterability
    b[25] = 3;                 // mode
    b[30] = 1;                 // additive
    PutFloat(b, 31, 0.125f);   // dt
    PutFloat(b, 35, -0.0625f); // df (layout B)
    b[40] = 171;
    return b;
}

class InputReport : public ::testing::Test {
protected:
    void SetUp() override { rt::SetDecimalSeparator('.'); }
    void TearDown() override { rt::SetDecimalSeparator('.'); }
};

} // namespace

TEST_F(InputReport, DecodeSingleTable) {
    struct {
        std::uint8_t b[4];
        double value;
    } cases[] = {
        {{0x00, 0x00, 0x9A, 0x42}, 77},
        {{0x00, 0x00, 0x80, 0x3F}, 1},
        {{0x00, 0x00, 0x20, 0xC0}, -2.5},
        {{0x00, 0x00, 0x80, 0x7F}, 0}, // infinity pattern: 2^128, too large for the rounding
        {{0x00, 0x00, 0xC0, 0x7F}, 0}, // NaN pattern likewise
        {{0x00, 0x00, 0x80, 0xFF}, 0},
        {{0xFF, 0xFF, 0xFF, 0x00}, 0}, // erased, whatever the fourth byte
        {{0xFF, 0xFF, 0xFF, 0x3F}, 0},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0},
        {{0xFF, 0xFF, 0xFF, 0xC1}, 0},
        {{0x00, 0x00, 0x00, 0x00}, 0}, // exponent 0 is 2^-127, no subnormal form
        {{0x00, 0x00, 0x00, 0x80}, 0},
        {{0x00, 0x00, 0x00, 0x00}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << rt::IntToHex(c.b[0], 2) << rt::IntToHex(c.b[1], 2)
                                          << rt::IntToHex(c.b[2], 2) << rt::IntToHex(c.b[3], 2));
        EXPECT_EQ(DecodeSingle(c.b[0], c.b[1], c.b[2], c.b[3]), c.value);
    }
}

TEST_F(InputReport, DecodeSingleRoundsToFourDecimals) {
    EXPECT_EQ(rt::FloatToStr(Decode(1.23456f)), "1.2346");
    EXPECT_EQ(rt::FloatToStr(Decode(-1.23456f)), "-1.2346");
    EXPECT_EQ(rt::FloatToStr(Decode(0.00004f)), "0");
    EXPECT_EQ(rt::FloatToStr(Decode(-0.00004f)), "0"); // no negative zero text
    // the exponent's low bit travels in byte 2
    EXPECT_EQ(Decode(3.0f), 3.0);
}

TEST_F(InputReport, DecodeSingleFailsAboveTheRoundingRange) {
    EXPECT_EQ(Decode(1e15f), 0);
    EXPECT_EQ(Decode(-1e15f), 0);
    EXPECT_EQ(Decode(9.3e14f), 0);
    const double nine = Decode(9e14f);
    EXPECT_NEAR(nine, 9e14, 1e8);
    EXPECT_EQ(Decode(-9e14f), -nine);
}

TEST_F(InputReport, HexLogLine) {
    const std::uint8_t b[] = {0x00, 0x0A, 0xFF, 0x55};
    EXPECT_EQ(HexLogLine(b, 4), "00 0A FF 55 ");
    EXPECT_EQ(HexLogLine(b, 0), "");
}

TEST_F(InputReport, KindsAndShortReports) {
    struct {
        const char* name;
        Bytes data;
        TReportKind kind;
        bool shortRu;
        bool shortEn;
    } cases[] = {
        {"empty", {}, TReportKind::Status, true, true},
        {"status 41", Bytes(41, 5), TReportKind::Status, false, false},
        {"status 40", Bytes(40, 5), TReportKind::Status, true, false}, // byte 40 unused in English
        {"status 39", Bytes(39, 5), TReportKind::Status, true, true},
        {"0x55 51",
         [] {
             Bytes b(51, 0);
             b[0] = 0x55;
             return b;
         }(),
         TReportKind::ControllerDump, false, false},
        {"0x55 50",
         [] {
             Bytes b(50, 0);
             b[0] = 0x55;
             return b;
         }(),
         TReportKind::ControllerDump, true, true},
        {"0x82 no selector", {0x82, 0, 0, 0}, TReportKind::EepromRead, true, true},
        {"0x82 sel 0 38",
         [] {
             Bytes b(38, 0);
             b[0] = 0x82;
             return b;
         }(),
         TReportKind::EepromRead, false, false},
        {"0x82 sel 0 37",
         [] {
             Bytes b(37, 0);
             b[0] = 0x82;
             return b;
         }(),
         TReportKind::EepromRead, true, true},
        {"0x82 sel 21 17",
         [] {
             Bytes b(17, 0);
             b[0] = 0x82;
             b[4] = 21;
             return b;
         }(),
         TReportKind::EepromRead, true, false},
        {"0x82 sel 21 18",
         [] {
             Bytes b(18, 0);
             b[0] = 0x82;
             b[4] = 21;
             return b;
         }(),
         TReportKind::EepromRead, false, false},
        {"0x82 sel 14 7",
         [] {
             Bytes b(7, 0);
             b[0] = 0x82;
             b[4] = 14;
             return b;
         }(),
         TReportKind::EepromRead, true, true},
        {"0x82 sel 10 13",
         [] {
             Bytes b(13, 0);
             b[0] = 0x82;
             b[4] = 10;
             return b;
         }(),
         TReportKind::EepromRead, true, true},
        {"0x82 sel 12 10",
         [] {
             Bytes b(10, 0);
             b[0] = 0x82;
             b[4] = 12;
             return b;
         }(),
         TReportKind::EepromRead, false, false},
        {"0x82 sel 99 5", {0x82, 0, 0, 0, 99}, TReportKind::EepromRead, false, false},
        {"0x84 6", {0x84, 0, 0, 0, 0, 7}, TReportKind::EepromByte, false, false},
        {"0x84 5", {0x84, 0, 0, 0, 0}, TReportKind::EepromByte, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyReport(c.data.data(), c.data.size()), c.kind);
        EXPECT_EQ(IsShortReport(c.data.data(), c.data.size(), kRussianParseRules), c.shortRu);
        EXPECT_EQ(IsShortReport(c.data.data(), c.data.size(), kEnglishParseRules), c.shortEn);
    }
}

TEST_F(InputReport, DecodersReadNothingPastSize) {
    // Every kind, every selector of the table and every size up to a full report, each in a
    // heap block of exactly Size bytes (the sanitizer build catches a read past it). A decoder
    // gives a value exactly when the report is not short.
    for (int first : {0x00, 0x14, 0x55, 0x82, 0x84}) {
        for (int selector : {0, 10, 11, 12, 14, 21, 99}) {
            for (std::size_t n = 0; n <= 63; ++n) {
                SCOPED_TRACE(::testing::Message() << first << "/" << selector << "/" << n);
                Bytes full = Status();
                full[0] = static_cast<std::uint8_t>(first);
                full[4] = static_cast<std::uint8_t>(selector);
                auto block = std::make_unique<std::uint8_t[]>(n);
                std::memcpy(block.get(), full.data(), n);
                const std::uint8_t* d = block.get();

                for (const TParseRules* rules : {&kRussianParseRules, &kEnglishParseRules}) {
                    const bool whole = !IsShortReport(d, n, *rules);
                    const TReportKind kind = ClassifyReport(d, n);
                    EXPECT_EQ(DecodeStatusReport(d, n, 3, *rules).has_value(),
                              kind == TReportKind::Status && whole);
                    EXPECT_EQ(DecodeEepromReply(d, n, *rules).has_value(),
                              kind == TReportKind::EepromRead && whole);
                }
                const bool whole = !IsShortReport(d, n);
                const TReportKind kind = ClassifyReport(d, n);
                EXPECT_EQ(ControllerDumpEdits(d, n).has_value(),
                          kind == TReportKind::ControllerDump && whole);
                if (kind != TReportKind::EepromByte || !whole) {
                    EXPECT_FALSE(EepromByteText(d, n).has_value());
                }
                (void)HexLogLine(d, n);
            }
        }
    }
}

// The same check without the sanitizer: the bytes after Size, whatever they hold, change
// nothing a decoder gives.
TEST_F(InputReport, BytesPastSizeChangeNothing) {
    auto decoded = [](const Bytes& b, std::size_t n, const TParseRules& rules) {
        return std::make_tuple(
            IsShortReport(b.data(), n, rules), DecodeStatusReport(b.data(), n, 3, rules),
            DecodeStatusReport(b.data(), n, 1, rules), DecodeEepromReply(b.data(), n, rules),
            ControllerDumpEdits(b.data(), n), EepromByteText(b.data(), n));
    };
    for (int first : {0x00, 0x14, 0x55, 0x82, 0x84}) {
        for (int selector : {0, 10, 11, 12, 14, 21, 99}) {
            for (std::size_t n = 0; n <= 63; ++n) {
                SCOPED_TRACE(::testing::Message() << first << "/" << selector << "/" << n);
                auto withTail = [&](std::uint8_t tail) {
                    Bytes b = Status();
                    b[0] = static_cast<std::uint8_t>(first);
                    b[4] = static_cast<std::uint8_t>(selector);
                    std::fill(b.begin() + static_cast<std::ptrdiff_t>(n), b.end(), tail);
                    return b;
                };
                const Bytes zeros = withTail(0x00);
                for (std::uint8_t tail : {std::uint8_t{0x41}, std::uint8_t{0x02}}) {
                    const Bytes other = withTail(tail);
                    for (const TParseRules* rules : {&kRussianParseRules, &kEnglishParseRules})
                        EXPECT_TRUE(decoded(zeros, n, *rules) == decoded(other, n, *rules))
                            << "tail " << int(tail);
                }
            }
        }
    }
}

TEST_F(InputReport, LayoutChoice) {
    EXPECT_EQ(ChooseStatusLayout(1, 2), TStatusLayout::A);
    EXPECT_EQ(ChooseStatusLayout(3, 0), TStatusLayout::A);
    EXPECT_EQ(ChooseStatusLayout(3, 3), TStatusLayout::A);
    EXPECT_EQ(ChooseStatusLayout(1, 0), TStatusLayout::B);
    EXPECT_EQ(ChooseStatusLayout(0x0103, 1), TStatusLayout::B);
    // English: byte 39 alone
    EXPECT_EQ(ChooseStatusLayout(3, 3, kEnglishParseRules), TStatusLayout::B);
    EXPECT_EQ(ChooseStatusLayout(1, 2, kEnglishParseRules), TStatusLayout::A);
}

// Counts the fields of an aggregate: the most initializers it takes.
struct AnyField {
    template <class T>
    constexpr operator T() const {
        return T{};
    }
};
template <class T, class... Fields>
constexpr std::size_t FieldCount() {
    if constexpr (requires { T{Fields{}..., AnyField{}}; })
        return FieldCount<T, Fields..., AnyField>();
    else
        return sizeof...(Fields);
}

// The rules of the status table: each field lies inside the bytes a status report must hold,
// no two fields share a byte nor take the layout byte, a byte field of the window is read as
// a byte in both layouts, and every measurement field is one field's or one field's previous
// value, named once.
TEST_F(InputReport, StatusTableRules) {
    const Bytes status(63, 0);
    for (const TParseRules* rules : {&kRussianParseRules, &kEnglishParseRules}) {
        const std::size_t used = BytesUsed(status.data(), status.size(), *rules);
        EXPECT_GT(used, kLayoutByte);
        for (TStatusLayout layout : {TStatusLayout::A, TStatusLayout::B}) {
            std::vector<const char*> owner(used, nullptr);
            owner[kLayoutByte] = "the layout byte";
            for (const TStatusField& f : StatusTable()) {
                if (!ReadsField(f, *rules))
                    continue;
                SCOPED_TRACE(f.Name);
                const std::size_t end = f.Offset + StatusTypeBytes(f.Type(layout));
                ASSERT_LE(end, used);
                for (std::size_t k = f.Offset; k < end; ++k) {
                    EXPECT_EQ(owner[k], nullptr) << "byte " << k << " is " << owner[k] << "'s";
                    owner[k] = f.Name;
                }
            }
        }
    }

    std::vector<std::size_t> named;
    const TMeasurement m;
    auto at = [&](const auto& field) {
        return static_cast<std::size_t>(reinterpret_cast<const char*>(&field) -
                                        reinterpret_cast<const char*>(&m));
    };
    for (const TStatusField& f : StatusTable()) {
        SCOPED_TRACE(f.Name);
        std::visit([&](auto member) { named.push_back(at(m.*member)); }, f.Field);
        if (std::holds_alternative<std::uint8_t TMeasurement::*>(f.Field)) {
            EXPECT_EQ(f.A, TStatusType::Byte);
            EXPECT_EQ(f.B, TStatusType::Byte);
            EXPECT_EQ(f.Prev, nullptr);
        }
        if (f.Prev)
            named.push_back(at(m.*f.Prev));
    }
    std::sort(named.begin(), named.end());
    EXPECT_EQ(std::adjacent_find(named.begin(), named.end()), named.end());
    EXPECT_EQ(named.size(), FieldCount<TMeasurement>());
}

TEST_F(InputReport, LayoutATakesSignalUnsignedAndDfSigned) {
    Bytes b = Status();
    b[9] = 0x10;
    b[10] = 0;
    b[11] = 0;
    b[12] = 0;
    PutU32(b, 35, 0xFFFFFFFE);

    b[39] = 2;
    auto a = DecodeStatusReport(b.data(), b.size(), 1);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->FSignal, 16.0f);
    EXPECT_EQ(a->FDf, -2.0f);

    b[39] = 0;
    auto viaVersion = DecodeStatusReport(b.data(), b.size(), 3);
    ASSERT_TRUE(viaVersion);
    EXPECT_EQ(viaVersion->FSignal, 16.0f);

    auto layoutB = DecodeStatusReport(b.data(), b.size(), 1);
    ASSERT_TRUE(layoutB);
    EXPECT_EQ(layoutB->FSignal, 0.0f); // the float of 10 00 00 00 is 2^-127
    EXPECT_EQ(layoutB->FDf, 0.0f);     // FE FF FF FF is an erased float

    // an unsigned signal above 2^31 stays positive, stored as the nearest single
    PutU32(b, 9, 0xF0000000);
    b[39] = 2;
    EXPECT_EQ(DecodeStatusReport(b.data(), b.size(), 1)->FSignal, 4026531840.0f);
}

TEST_F(InputReport, StatusFieldsInLayoutB) {
    Bytes b = Status(40);
    auto r = DecodeStatusReport(b.data(), b.size(), 1);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->FState, 40);
    EXPECT_EQ(r->FTemperature, -12.34f); // decoded at 4 decimals, then stored as single
    EXPECT_EQ(r->FTh, 25.25f);
    EXPECT_EQ(r->FSignal, 1.5f);
    EXPECT_EQ(r->FCloudPoint, 77.0f);
    EXPECT_EQ(r->FPourPoint, -20.5f);
    EXPECT_EQ(r->FFilterPoint, 77.0f);
    EXPECT_EQ(r->FModeByte, 3);
    EXPECT_EQ(r->FAdditive, 1.0f);
    EXPECT_EQ(r->FDt, 0.125f);
    EXPECT_EQ(r->FDf, -0.0625f);
    EXPECT_EQ(r->FAuxByte, 171);

    auto en = DecodeStatusReport(b.data(), b.size(), 1, kEnglishParseRules);
    ASSERT_TRUE(en);
    EXPECT_EQ(en->FAuxByte, 0);
}

TEST_F(InputReport, TwoReportsLeaveTheFirstInThePreviousFields) {
    TMeasurement m;
    m.FAuxByte = 9;
    Bytes first = Status();
    PutFloat(first, 1, 10.5f);
    PutFloat(first, 9, 2.0f);
    Bytes second = Status();
    PutFloat(second, 1, 9.5f);
    PutFloat(second, 9, 3.0f);
    second[40] = 4;

    EXPECT_TRUE(ApplyStatusReport(m, first.data(), first.size(), 1));
    EXPECT_TRUE(ApplyStatusReport(m, second.data(), second.size(), 1));
    EXPECT_EQ(m.FPrevTemperature, 10.5f);
    EXPECT_EQ(m.FTemperature, 9.5f);
    EXPECT_EQ(m.FPrevSignal, 2.0f);
    EXPECT_EQ(m.FSignal, 3.0f);
    EXPECT_EQ(m.FAuxByte, 4);

    TMeasurement en;
    en.FAuxByte = 9;
    EXPECT_TRUE(ApplyStatusReport(en, second.data(), second.size(), 1, kEnglishParseRules));
    EXPECT_EQ(en.FAuxByte, 9);
}

TEST_F(InputReport, StatusDisplayTexts) {
    TMeasurement m = *DecodeStatusReport(Status().data(), Status().size(), 1);
    TStatusDisplays d = StatusDisplayTexts(m);
    EXPECT_EQ(d.AdditivePanel, "1");
    EXPECT_EQ(d.MemoLine, "t=-12.3 f=1.5");
    EXPECT_EQ(d.TemperatureLabel, "-12.3");
    EXPECT_EQ(d.CloudLabel, "?");
    EXPECT_EQ(d.PourLabel, "-20.5");
    EXPECT_EQ(d.FilterLabel, "?");
    EXPECT_EQ(d.StatusLine, "Th=25.2 f=1.5 df=-0.062 dt=0.12"); // ties to even
    EXPECT_EQ(d.AuxPanel, "171");

    // before any report every value is 0
    TStatusDisplays zero = StatusDisplayTexts(TMeasurement{});
    EXPECT_EQ(zero.MemoLine, "t=0 f=0");
    EXPECT_EQ(zero.CloudLabel, "0");
    EXPECT_EQ(zero.StatusLine, "Th=0 f=0 df=0 dt=0");

    // the temperature label shows "?" for 77 like the results
    m.FTemperature = 77.0f;
    EXPECT_EQ(StatusDisplayTexts(m).TemperatureLabel, "?");
    m.FTemperature = 77.04f;
    EXPECT_EQ(StatusDisplayTexts(m).TemperatureLabel, "77");

    rt::SetDecimalSeparator(',');
    m.FPourPoint = -20.5f;
    EXPECT_EQ(StatusDisplayTexts(m).PourLabel, "-20,5");
}

TEST_F(InputReport, ControllerDumpFillsTenEdits) {
    Bytes b(63, 0);
    b[0] = 0x55;
    const float values[] = {1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f};
    for (int i = 0; i < 7; ++i)
        PutFloat(b, 13 + 4 * i, values[i]);
    b[41] = 0x2C;
    b[42] = 0x01;
    PutFloat(b, 43, -1.23456f);
    b[47] = b[48] = b[49] = 0xFF; // erased
    auto edits = ControllerDumpEdits(b.data(), b.size());
    ASSERT_TRUE(edits);
    NamedTexts expected{
        {"Edit5", "1.5"},     {"Edit6", "2.5"}, {"Edit7", "3.5"}, {"Edit1", "4.5"},
        {"Edit2", "5.5"},     {"Edit3", "6.5"}, {"Edit4", "7.5"}, {"Edit8", "300"},
        {"Edit9", "-1.2346"}, {"gr_df", "0"},
    };
    EXPECT_EQ(Named(*edits), expected);
}

TEST_F(InputReport, DumpRows) {
    std::uint8_t data[32];
    for (int i = 0; i < 32; ++i)
        data[i] = static_cast<std::uint8_t>(0xA0 + i);

    auto rows = DumpRows(0x1240, data);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Row, 293);
    EXPECT_EQ(rows[1].Row, 294);
    EXPECT_EQ(rows[0].Cells[0], "1240 ");
    EXPECT_EQ(rows[1].Cells[0], "1250 ");
    EXPECT_EQ(rows[0].Cells[1], "A0 ");
    EXPECT_EQ(rows[0].Cells[16], "AF ");
    EXPECT_EQ(rows[1].Cells[1], "B0 ");
    EXPECT_EQ(rows[1].Cells[16], "BF ");

    rows = DumpRows(0, data);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Row, 1);
    EXPECT_EQ(rows[0].Cells[0], "00 ");
    EXPECT_EQ(rows[1].Cells[0], "10 ");

    rows = DumpRows(0xFFE0, data); // the last reply of a whole-memory read
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].Row, 4096);
    EXPECT_EQ(rows[1].Cells[0], "FFF0 ");

    rows = DumpRows(0xFFF0, data); // its second row would be past the grid
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Row, 4096);
}

TEST_F(InputReport, EepromReplyBySelector) {
    auto reply = [](std::uint8_t selector, std::initializer_list<float> floats) {
        Bytes b(63, 0);
        b[0] = 0x82;
        b[1] = 0x12;
        b[2] = 0x40;
        b[4] = selector;
        std::size_t at = 6;
        for (float f : floats) {
            PutFloat(b, at, f);
            at += 4;
        }
        return b;
    };
    struct {
        std::uint8_t selector;
        NamedTexts edits;
    } cases[] = {
        {10, {{"Edit1", "1.5"}, {"Edit2", "-2"}}},
        {11, {{"Edit3", "1.5"}, {"Edit4", "-2"}}},
        {12, {{"Edit5", "1.5"}}},
        {13, {{"Edit6", "1.5"}}},
        {15, {{"Edit7", "1.5"}}},
        {16, {{"Edit9", "1.5"}}},
        {17, {{"gr_df", "1.5"}}},
        {18, {{"Edit11", "1.5"}}},
        {19, {{"Edit12", "1.5"}}},
        {20, {{"Edit13", "1.5"}}},
        {21, {{"Edit17", "1.5"}, {"Edit18", "-2"}, {"Edit19", "0.0001"}}},
        {1, {}},
        {22, {}},
        {255, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.selector));
        Bytes b = reply(c.selector, {1.5f, -2.0f, 0.0001f});
        auto r = DecodeEepromReply(b.data(), b.size());
        ASSERT_TRUE(r);
        EXPECT_EQ(r->Address, 0x1240);
        EXPECT_EQ(r->Selector, c.selector);
        EXPECT_EQ(Named(r->Edits), c.edits);
        EXPECT_TRUE(r->Dump.empty());
    }

    Bytes pid = reply(21, {1.5f, -2.0f, 0.0001f});
    auto en = DecodeEepromReply(pid.data(), pid.size(), kEnglishParseRules);
    ASSERT_TRUE(en);
    EXPECT_TRUE(en->Edits.empty());

    Bytes count(8, 0);
    count[0] = 0x82;
    count[4] = 14;
    count[6] = 0x2C;
    count[7] = 0x01;
    auto r14 = DecodeEepromReply(count.data(), count.size());
    ASSERT_TRUE(r14);
    EXPECT_EQ(Named(r14->Edits), (NamedTexts{{"Edit8", "300"}}));

    Bytes dump = reply(0, {});
    auto r0 = DecodeEepromReply(dump.data(), dump.size());
    ASSERT_TRUE(r0);
    EXPECT_EQ(r0->Dump.size(), 2u);
    EXPECT_EQ(r0->Dump[0].Row, 293);
}

TEST_F(InputReport, EepromByteReply) {
    Bytes b{0x84, 0xA0, 0x12, 0x34, 0x00, 0xAB, 0x00};
    EXPECT_EQ(EepromByteText(b.data(), b.size()), std::optional<std::string>("171"));
    b[4] = 1;
    EXPECT_FALSE(EepromByteText(b.data(), b.size()).has_value());
}
