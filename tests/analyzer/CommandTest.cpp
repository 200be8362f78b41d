#include "HostRules.h"

#include "analyzer/AnalyzerFloat.h"
#include "analyzer/AnalyzerModel.h"
#include "app/core/ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace analyzer::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const Payload& p, std::size_t from, std::size_t count) {
    return Bytes(p.begin() + from, p.begin() + from + count);
}

class CommandTest : public ::testing::Test {
protected:
    AnalyzerModel model;
};

TEST_F(CommandTest, PollAnswersWithOneStatusReport) {
    const std::vector<InputReport> replies = Send(model, OutputReport(Command::Poll));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].size(), 65u);
    EXPECT_EQ(replies[0][0], 0) << "report ID";
    EXPECT_EQ(replies[0][1], Byte(AnalyzerState::Rest));
    const Payload expected = model.StatusPayload();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), replies[0].begin() + 1));
}

TEST_F(CommandTest, BlockReadOfTheFactoryParameterBlock) {
    // the read of "Коррекция гр. застывания": address 46, control 160, selector 12
    const Payload p = ReplyTo(model, OutputReport(Command::ReadEeprom, {0, 46, 160, 12}));
    EXPECT_EQ(Slice(p, 0, 6), (Bytes{0x82, 0, 46, 160, 12, 0}));
    const Bytes data{
        0x00, 0x00, 0x00, 0x00, // 46-49 pour point correction 0
        0x00, 0x00, 0x40, 0x40, // 50-53 cloud threshold 3
        0x1E, 0x00,             // 54-55 valve opening time 30
        0x00, 0x00, 0xA0, 0x40, // 56-59 df threshold 5
        0xCD, 0xCC, 0x4C, 0x3E, // 60-63 minimum speed 0.2
        0xFF, 0xFF,             // 64-65 erased
        0x00, 0x00, 0xA0, 0x41, // 66-69 heating temperature 20
        0xFF,                   // 70 erased
        0x00, 0x00, 0x20, 0xC2, // 71-74 condenser temperature -40
        0x00, 0x00, 0x00,       // 75-77 the first PID term 2, its low bytes
    };
    EXPECT_EQ(Slice(p, 6, 32), data);
    EXPECT_EQ(Slice(p, 38, 26), Bytes(26, 0));
}

TEST_F(CommandTest, EveryGroupReadDecodesToItsFactoryValue) {
    for (const ParameterPlace& place : ParameterMap()) {
        const std::uint16_t a = place.externalAddress;
        const Payload p = ReplyTo(
            model,
            OutputReport(Command::ReadEeprom, {std::uint8_t(a >> 8), std::uint8_t(a), 160, 0}));
        const double value = place.type == ParameterType::Single ? HostDecodeSingle(&p[6])
                                                                 : double(p[6] + 256 * p[7]);
        EXPECT_DOUBLE_EQ(value, place.factory) << place.name;
    }
}

// Every value of the program's parameter table is a parameter of the stand-in: at the same
// external and controller address, of the same type, so the host's reads and writes reach it.
TEST_F(CommandTest, TheProgramsParameterTableMeetsTheStandInsMap) {
    for (const core::TPlainGroup& group : core::ParameterGroups())
        for (std::size_t v = 0; v < group.Count; ++v) {
            const core::TParameterValue<void>& value = group.Values[v];
            SCOPED_TRACE(value.Edit.Name);
            const auto place = std::find_if(
                ParameterMap().begin(), ParameterMap().end(),
                [&](const ParameterPlace& p) { return p.externalAddress == value.External; });
            ASSERT_NE(place, ParameterMap().end());
            EXPECT_EQ(place->type == ParameterType::Uint16,
                      group.Type == core::TParameterType::Word16);
            const int controller =
                group.Rule == core::TControllerRule::ControllerPlace ? value.Controller : -1;
            EXPECT_EQ(place->controllerAddress, controller);
        }
}

TEST_F(CommandTest, ByteReadEchoesTheRequestAndCarriesTheByte) {
    Payload p = ReplyTo(model, OutputReport(Command::ReadEepromByte, {160, 0, 54, 0}));
    EXPECT_EQ(Slice(p, 0, 6), (Bytes{0x84, 160, 0, 54, 0, 0x1E}));
    EXPECT_EQ(Slice(p, 6, 58), Bytes(58, 0));

    // a chip that is not fitted reads erased
    p = ReplyTo(model, OutputReport(Command::ReadEepromByte, {162, 0, 54, 0}));
    EXPECT_EQ(Slice(p, 0, 6), (Bytes{0x84, 162, 0, 54, 0, 0xFF}));
}

TEST_F(CommandTest, ByteWriteReadsBack) {
    EXPECT_TRUE(
        Send(model, OutputReport(Command::WriteEepromByte, {160, 0x01, 0x2C, 0xAB})).empty());
    Payload p = ReplyTo(model, OutputReport(Command::ReadEepromByte, {160, 0x01, 0x2C, 0}));
    EXPECT_EQ(Slice(p, 0, 6), (Bytes{0x84, 160, 0x01, 0x2C, 0, 0xAB}));

    // the highest address, then a write to an absent chip, which is dropped
    Send(model, OutputReport(Command::WriteEepromByte, {160, 0xFF, 0xFF, 0x12}));
    Send(model, OutputReport(Command::WriteEepromByte, {162, 0xFF, 0xFF, 0x34}));
    p = ReplyTo(model, OutputReport(Command::ReadEepromByte, {160, 0xFF, 0xFF, 0}));
    EXPECT_EQ(p[5], 0x12);
}

TEST_F(CommandTest, PageWriteOfErasedBytesReadsBackAsFF) {
    // a page inside the parameters, at address 32
    Bytes page(64, 0);
    page[2] = Byte(Command::WriteEepromPage);
    page[3] = 160;
    page[5] = 32;
    std::fill(page.begin() + 6, page.begin() + 38, 0xFF);
    EXPECT_TRUE(Send(model, page).empty());

    const Payload p = ReplyTo(model, OutputReport(Command::ReadEeprom, {0, 32, 160, 0}));
    EXPECT_EQ(Slice(p, 0, 6), (Bytes{0x82, 0, 32, 160, 0, 0}));
    EXPECT_EQ(Slice(p, 6, 32), Bytes(32, 0xFF));
    // the bytes around the page are untouched
    EXPECT_EQ(model.ExternalByte(29), 0x00); // thermocouple B = 0, its last byte
    EXPECT_EQ(model.ExternalByte(25), 0x3F); // thermocouple K = 1 = 00 00 80 3F
    EXPECT_EQ(model.ExternalByte(64), 0xFF);
    EXPECT_EQ(model.ExternalByte(66), 0x00); // heating temperature 20 = 00 00 A0 41
    EXPECT_EQ(model.ExternalByte(69), 0x41);
}

TEST_F(CommandTest, PageWriteCarriesItsDataAndWrapsAtTheEnd) {
    Bytes page = OutputReport(Command::WriteEepromPage, {160, 0xFF, 0xF0});
    for (int i = 0; i < 32; ++i)
        page[6 + i] = std::uint8_t(i + 1);
    Send(model, page);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(model.ExternalByte(std::uint16_t(0xFFF0 + i)), i + 1);
    for (int i = 16; i < 32; ++i)
        EXPECT_EQ(model.ExternalByte(std::uint16_t(i - 16)), i + 1) << "wrapped";

    // an absent chip takes nothing
    Bytes other = OutputReport(Command::WriteEepromPage, {162, 0, 0});
    Send(model, other);
    EXPECT_EQ(model.ExternalByte(0), 17);
}

TEST_F(CommandTest, ControllerImageCarriesEveryByteAfterTheReplyCode) {
    Send(model, OutputReport(Command::WriteControllerByte, {5, 0x5A}));
    Send(model, OutputReport(Command::WriteControllerByte, {200, 0x77}));
    Bytes dump = OutputReport(Command::DumpController);
    dump[1] = Byte(Command::DumpController); // as the host sends it
    const Payload p = ReplyTo(model, dump);
    EXPECT_EQ(p[0], 0x55);
    for (std::size_t a = 0; a < 63; ++a)
        EXPECT_EQ(p[1 + a], model.ControllerByte(std::uint8_t(a))) << a;
    EXPECT_EQ(p[6], 0x5A);
    EXPECT_EQ(Slice(p, 13, 4), (Bytes{0x00, 0x00, 0x00, 0x00})); // 12-15 pour correction 0
    EXPECT_EQ(Slice(p, 17, 4), (Bytes{0x00, 0x00, 0x00, 0x40})); // 16-19 reverse 2
    EXPECT_EQ(Slice(p, 21, 4), (Bytes{0x00, 0x00, 0x80, 0x3F})); // 20-23 cooling speed 1
    EXPECT_EQ(Slice(p, 25, 4), (Bytes{0x00, 0x00, 0x80, 0x3F})); // 24-27 cloud K 1
    EXPECT_EQ(Slice(p, 41, 2), (Bytes{0x1E, 0x00}));             // 40-41 valve time 30
    EXPECT_EQ(Slice(p, 43, 4), (Bytes{0x00, 0x00, 0x40, 0x40})); // 42-45 cloud threshold 3
    EXPECT_EQ(Slice(p, 47, 4), (Bytes{0x00, 0x00, 0xA0, 0x40})); // 46-49 df threshold 5
    EXPECT_EQ(p[51], 0xFF);
    EXPECT_EQ(model.ControllerByte(200), 0x77);
}

TEST_F(CommandTest, ApplyMakesTheControllerParametersWorking) {
    const FloatBytes two = EncodeSingle(2.0f);
    for (std::uint8_t i = 0; i < 4; ++i)
        Send(model, OutputReport(Command::WriteControllerByte, {std::uint8_t(20 + i), two[i]}));
    EXPECT_DOUBLE_EQ(model.Working().Get(Parameter::CoolingSpeed), 1.0) << "not before 0x0C";
    Send(model, OutputReport(Command::Apply));
    EXPECT_DOUBLE_EQ(model.Working().Get(Parameter::CoolingSpeed), 2.0);

    // erased or out-of-range values are not taken
    for (std::uint8_t i = 0; i < 4; ++i)
        Send(model, OutputReport(Command::WriteControllerByte, {std::uint8_t(20 + i), 0xFF}));
    Send(model, OutputReport(Command::WriteControllerByte, {40, 0}));
    Send(model, OutputReport(Command::WriteControllerByte, {41, 0})); // valve time 0
    Send(model, OutputReport(Command::Apply));
    EXPECT_DOUBLE_EQ(model.Working().Get(Parameter::CoolingSpeed), 2.0);
    EXPECT_DOUBLE_EQ(model.Working().Get(Parameter::ValveOpeningTime), 30.0);
}

TEST_F(CommandTest, ResetTakesTheExternalParametersAndAbortsTheRun) {
    Send(model, OutputReport(Command::Ccpr1l, {44}));
    const FloatBytes half = EncodeSingle(0.5f);
    for (std::uint8_t i = 0; i < 4; ++i)
        Send(model,
             OutputReport(Command::WriteEepromByte, {160, 0, std::uint8_t(42 + i), half[i]}));
    model.Advance(10); // warm and settled: ready
    ASSERT_EQ(model.State(), Byte(AnalyzerState::ReadyAll));
    Send(model, OutputReport(Command::PreStart, {1}));
    Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Start)}));
    ASSERT_EQ(model.State(), Byte(AnalyzerState::RunAll));
    EXPECT_EQ(model.PrepareCount(), 1);

    Send(model, OutputReport(Command::Reset));
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Rest));
    EXPECT_EQ(model.Ccpr1l(), AnalyzerModel::kFactoryCcpr1l);
    EXPECT_DOUBLE_EQ(model.Working().Get(Parameter::CoolingSpeed), 0.5);
}

TEST_F(CommandTest, Ccpr1lValueIsKeptAndReported) {
    EXPECT_EQ(model.StatusPayload()[40], 200);
    Send(model, OutputReport(Command::Ccpr1l, {44}));
    EXPECT_EQ(model.Ccpr1l(), 44);
    EXPECT_EQ(ReplyTo(model, OutputReport(Command::Poll))[40], 44);
}

TEST_F(CommandTest, ReportsThatCannotBeTakenAreIgnored) {
    const Payload before = model.StatusPayload();
    struct Case {
        const char* what;
        Bytes report;
    };
    Bytes numbered = OutputReport(Command::WriteEepromByte, {160, 0, 46, 0x11});
    numbered[0] = 1;
    Bytes shortPage(37, 0);
    shortPage[2] = Byte(Command::WriteEepromPage);
    const Case cases[] = {
        {"unknown command", OutputReport(0x42, {1, 2, 3})},
        {"numbered report", numbered},
        {"too short for a command", Bytes{0, 0}},
        {"byte write without its value", Bytes{0, 0, Byte(Command::WriteEepromByte), 160, 0, 46}},
        {"page write without all its data", shortPage},
        {"block read without its selector", Bytes{0, 0, Byte(Command::ReadEeprom), 0, 46, 160}},
        {"run control without its argument", Bytes{0, 0, Byte(Command::RunControl)}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(model.HandleOutputReport(c.report.data(), c.report.size()).empty()) << c.what;
    EXPECT_TRUE(model.HandleOutputReport(nullptr, 65).empty());
    EXPECT_EQ(model.ExternalByte(46), 0x00);
    EXPECT_EQ(model.StatusPayload(), before);

    // an unknown run-control argument changes nothing either
    EXPECT_TRUE(Send(model, OutputReport(Command::RunControl, {7})).empty());
    EXPECT_EQ(model.State(), Byte(AnalyzerState::Rest));
}

} // namespace
} // namespace analyzer::test
