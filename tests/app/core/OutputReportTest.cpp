#include "app/core/OutputReport.h"

#include <gtest/gtest.h>

#include <map>

using namespace core;

namespace {

// The report's non-zero bytes by position.
std::map<int, int> NonZero(const TOutputReport& r) {
    std::map<int, int> m;
    for (std::size_t i = 0; i < r.size(); ++i)
        if (r[i])
            m[static_cast<int>(i)] = r[i];
    return m;
}

struct CommandCase {
    const char* name;
    TOutputReport report;
    std::map<int, int> bytes;
};

} // namespace

TEST(OutputReport, EveryCommandHasItsBytesAndZeroElsewhere) {
    std::array<std::uint8_t, kEepromPageSize> erased;
    erased.fill(0xFF);
    std::map<int, int> page{{2, 0x85}, {3, 0xA0}, {4, 0xFF}, {5, 0xE0}};
    for (int i = 6; i < 38; ++i)
        page[i] = 0xFF;

    const CommandCase cases[] = {
        {"poll", PollReport(), {}},
        {"start", RunControlReport(TRunControl::Start), {{2, 0x08}, {3, 1}}},
        {"stop", RunControlReport(TRunControl::Stop), {{2, 0x08}, {3, 2}}},
        {"drain", RunControlReport(TRunControl::Drain), {{2, 0x08}, {3, 3}}},
        {"end drain", RunControlReport(TRunControl::EndDrain), {{2, 0x08}}},
        {"pre-start", PreStartReport(), {{2, 0x09}, {3, 1}}},
        {"controller byte", WriteControllerByteReport(200, 0x5A), {{2, 0x0A}, {3, 200}, {4, 0x5A}}},
        {"dump controller", DumpControllerReport(), {{1, 0x0B}, {2, 0x0B}}},
        {"apply", ApplyReport(), {{2, 0x0C}}},
        {"reset", ResetReport(), {{2, 0x64}}},
        {"CCPR1L", Ccpr1lReport(77), {{2, 0x65}, {3, 77}}},
        // 0x82: address before the control byte, high byte first
        {"read 32",
         ReadEepromReport(0x1240, 0xA0, 14),
         {{2, 0x82}, {3, 0x12}, {4, 0x40}, {5, 0xA0}, {6, 14}}},
        {"read 32 at 0", ReadEepromReport(0, 0xA2, 0), {{2, 0x82}, {5, 0xA2}}},
        // 0x83, 0x84, 0x85: control byte first
        {"write byte",
         WriteEepromByteReport(0xA0, 0x0102, 0xAB),
         {{2, 0x83}, {3, 0xA0}, {4, 0x01}, {5, 0x02}, {6, 0xAB}}},
        {"read byte",
         ReadEepromByteReport(0xA4, 0xFFFE),
         {{2, 0x84}, {3, 0xA4}, {4, 0xFF}, {5, 0xFE}}},
        {"write page", WriteEepromPageReport(0xA0, 0xFFE0, erased), page},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.report.size(), 65u);
        EXPECT_EQ(NonZero(c.report), c.bytes);
    }
}

TEST(OutputReport, PageDataLandsInBytes6To37) {
    std::array<std::uint8_t, kEepromPageSize> data;
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i + 1);
    TOutputReport r = WriteEepromPageReport(1, 0x0203, data);
    for (std::size_t i = 0; i < data.size(); ++i)
        EXPECT_EQ(r[6 + i], i + 1);
    EXPECT_EQ(r[38], 0);
}

TEST(OutputReport, LengthsBeyondTheBufferOrZeroAreRefused) {
    EXPECT_FALSE(ReportLengthSupported(0));
    EXPECT_TRUE(ReportLengthSupported(1));
    EXPECT_TRUE(ReportLengthSupported(65));
    EXPECT_FALSE(ReportLengthSupported(66));
    EXPECT_FALSE(ReportLengthSupported(4096));
    EXPECT_EQ(UnsupportedReportLengthMessage("Output report length %u is not supported", 66),
              "Output report length 66 is not supported");
    EXPECT_EQ(UnsupportedReportLengthMessage("Длина выходного отчета %u не поддерживается", 0),
              "Длина выходного отчета 0 не поддерживается");
}

TEST(OutputReport, WriteErrorTexts) {
    struct {
        const char* message;
        std::uint32_t code;
        const char* text;
    } cases[] = {
        {"The device is not connected.\r\n", 0x48F,
         "WRITE ERROR: The device is not connected (48F)"},
        {"A device attached to the system is not functioning.  ", 31,
         "WRITE ERROR: A device attached to the system is not functioning (1F)"},
        {"", 0, "WRITE ERROR:  (0)"},
        {"...\r\n \n", 0xDEADBEEF, "WRITE ERROR:  (DEADBEEF)"},
        // only trailing ones go; a full stop inside stays
        {"v1.2 failed. Try again. ", 5, "WRITE ERROR: v1.2 failed. Try again (5)"},
        {"Отказано в доступе.\r\n", 5, "WRITE ERROR: Отказано в доступе (5)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WriteErrorText(c.message, c.code), c.text) << c.message;

    EXPECT_EQ(WriteErrorBoxText(0, WriteErrorText("The handle is invalid.\r\n", 6)),
              "0 = WRITE ERROR: The handle is invalid (6)");
    EXPECT_EQ(WriteErrorBoxText(65, WriteErrorText("x", 0x1F)), "65 = WRITE ERROR: x (1F)");
    EXPECT_EQ(WriteErrorBoxText(0, UnsupportedReportLengthMessage("Length %u", 66)),
              "0 = Length 66");
}

TEST(OutputReport, MessageIsCutTo256CharactersBeforeTrimming) {
    std::string longText(250, 'a');
    longText += "bbbbb."; // 256 characters up to here
    longText += "ccccc";
    EXPECT_EQ(CleanErrorMessage(longText), std::string(250, 'a') + "bbbbb");
    // characters, not bytes: 300 Cyrillic letters keep 256 of them whole
    std::string cyr;
    for (int i = 0; i < 300; ++i)
        cyr += "Ж";
    EXPECT_EQ(CleanErrorMessage(cyr).size(), 256u * 2);
}

TEST(OutputReport, StoredValueBytes) {
    using B4 = std::array<std::uint8_t, 4>;
    EXPECT_EQ(SingleBytes(77.0f), (B4{0x00, 0x00, 0x9A, 0x42}));
    EXPECT_EQ(SingleBytes(-2.5f), (B4{0x00, 0x00, 0x20, 0xC0}));
    EXPECT_EQ(Word16Bytes(300), (std::array<std::uint8_t, 2>{0x2C, 0x01}));
    EXPECT_EQ(LowWord(70000), 4464);
    EXPECT_EQ(LowWord(-1), 65535);
    EXPECT_EQ(LowByte(300), 44);
    EXPECT_EQ(LowByte(-1), 255);
}
