// The English window's parsing: the status layout by byte 39 alone, byte 40 unused, no PID
// reply; the rest as in the Russian build.
#include "EnglishFixture.h"

#include "app/core/InputReport.h"

#include <map>
#include <string>

namespace {

using apptest::PutBytes;
using apptest::PutFloat;
using Bytes = std::vector<std::uint8_t>;

// A status report in layout B.
Bytes Status(std::uint8_t state, float t, float th, float f, std::size_t size = 64) {
    Bytes p(size, 0);
    p[0] = state;
    PutFloat(p, 1, t);
    PutFloat(p, 5, th);
    PutFloat(p, 9, f);
    PutFloat(p, 13, 77.0f);
    PutFloat(p, 17, 77.0f);
    PutFloat(p, 21, 77.0f);
    return p;
}

// The signal as 16 in layout A and as (nearly) 0 in layout B.
void PutLayoutProbe(Bytes& p) { PutBytes(p, 9, {0x10, 0x00, 0x00, 0x00}); }

class EnglishParse : public entest::EnglishFixture {
protected:
    // The English window with an analyzer of this version bound.
    void Start(std::uint16_t version) {
        sim::VirtualBus::Instance().Plug(apptest::RecordingAnalyzer(version));
        CreateEnglishWindowWithDevices(1);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
        ASSERT_EQ(form_->FCurrentDevice->Attributes().VersionNumber, version);
    }
};

struct LayoutCase {
    std::uint16_t version;
    std::uint8_t byte39;
    float signal;
};

TEST_F(EnglishParse, LayoutIsChosenByByte39Alone) {
    for (const LayoutCase& c : {LayoutCase{3, 3, 0.0f}, LayoutCase{3, 2, 16.0f},
                                LayoutCase{1, 2, 16.0f}, LayoutCase{3, 0, 0.0f}}) {
        SCOPED_TRACE("version " + std::to_string(c.version) +
                     ", byte 39 = " + std::to_string(c.byte39));
        DestroyWindow();
        sim::VirtualBus::Instance().Reset();
        Start(c.version);
        Bytes p = Status(20, 0, 0, 0);
        PutLayoutProbe(p);
        p[39] = c.byte39;
        Parse(p);
        EXPECT_EQ(form_->FSignal, c.signal);
    }
}

TEST_F(EnglishParse, StatusLeavesPanel2AndTheAuxByteAlone) {
    Start(1);
    form_->StatusBar1->Panels(2).SetText("comment");
    form_->FAuxByte = 9;
    for (std::uint8_t aux : {0, 17, 255}) {
        Bytes p = Status(40, -12.34f, 5.55f, 1234.5678f);
        p[40] = aux;
        Parse(p);
        EXPECT_EQ(Panel(2), "comment");
        EXPECT_EQ(form_->FAuxByte, 9);
    }
}

TEST_F(EnglishParse, StatusWritesTheHexLineAndTwoTLines) {
    Start(1);
    Bytes p = Status(40, -12.34f, 5.55f, 1234.5678f);
    p[30] = 1;
    PutFloat(p, 31, 0.456f);
    PutFloat(p, 35, -2.3456f);
    Parse(p);
    ASSERT_EQ(MemoLines(), 3);
    EXPECT_EQ(MemoLine(0), core::HexLogLine(p.data(), p.size()));
    EXPECT_EQ(MemoLine(1), "t=-12.3 f=1234.568");
    EXPECT_EQ(MemoLine(2), "t=-12.3 f=1234.568");
    EXPECT_EQ(Panel(0), "Th=5.6 f=1234.568 df=-2.346 dt=0.46");
    EXPECT_EQ(Panel(3), "1");
    EXPECT_EQ(form_->Label1->Caption(), "-12.3");
    EXPECT_EQ(form_->Label2->Caption(), "?");
}

TEST_F(EnglishParse, StatusNeedsNoByte40) {
    Start(1);
    // Bytes 0 to 39: the whole report this build reads.
    Parse(Status(20, -3.5f, 0, 0, 40));
    EXPECT_EQ(form_->FState, 20);
    EXPECT_FLOAT_EQ(form_->FTemperature, -3.5f);
    // One byte less is short: logged only.
    Parse(Status(30, -4.5f, 0, 0, 39));
    EXPECT_EQ(form_->FState, 20);
    EXPECT_EQ(MemoLines(), 4);
}

// The texts of every edit of the window, by name.
std::map<std::string, std::string> EditTexts(const TForm1& f) {
    std::map<std::string, std::string> texts;
    for (int i = 0; i < f.ComponentCount(); ++i)
        if (auto* edit = dynamic_cast<ui::TEdit*>(f.Components(i)))
            texts[edit->Name()] = edit->Text();
    return texts;
}

TEST_F(EnglishParse, PidReplyIsLoggedTwiceAndChangesNoEdit) {
    Start(1);
    Bytes p(64, 0);
    p[0] = 0x82;
    p[4] = 21;
    PutFloat(p, 6, 1.25f);
    PutFloat(p, 10, -0.5f);
    PutFloat(p, 14, 42.0f);
    // The same reply fills the three PID edits in the Russian build.
    const auto russian = core::DecodeEepromReply(p.data(), p.size(), core::kRussianParseRules);
    ASSERT_TRUE(russian);
    ASSERT_EQ(russian->Edits.size(), 3u);

    // This window reads no PID terms, whatever edits it has.
    const auto english = core::DecodeEepromReply(p.data(), p.size(), form_->FParseRules);
    ASSERT_TRUE(english);
    EXPECT_TRUE(english->Edits.empty());
    EXPECT_TRUE(english->Dump.empty());

    const auto before = EditTexts(*form_);
    ASSERT_FALSE(before.empty());
    Parse(p);
    ASSERT_EQ(MemoLines(), 2);
    EXPECT_EQ(MemoLine(0), core::HexLogLine(p.data(), p.size()));
    EXPECT_EQ(MemoLine(1), MemoLine(0));
    EXPECT_EQ(EditTexts(*form_), before);
}

TEST_F(EnglishParse, OtherRepliesAsInTheRussianBuild) {
    Start(1);
    Bytes reply(64, 0);
    reply[0] = 0x82;
    reply[4] = 20;
    PutFloat(reply, 6, 41.5f);
    Parse(reply);
    EXPECT_EQ(form_->Edit13->Text(), "41.5");

    Bytes dump(64, 0);
    dump[0] = 0x55;
    PutFloat(dump, 25, 1.23456f);
    Parse(dump);
    EXPECT_EQ(form_->Edit1->Text(), "1.2346");

    Bytes byte(64, 0);
    byte[0] = 0x84;
    byte[5] = 200;
    Parse(byte);
    EXPECT_EQ(form_->data_one_byte->Text(), "200");
}

} // namespace
