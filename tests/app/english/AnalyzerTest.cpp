// The English window with the stand-in analyzer: polled, its status read by the English
// rule, the English message for its state, and the run buttons' commands.
#include "EnglishFixture.h"

#include <cmath>

#include "app/RunDisplay.h"

namespace {

class EnglishAnalyzer : public entest::EnglishFixture {
protected:
    std::shared_ptr<analyzer::AnalyzerDevice> Start(std::uint16_t version, bool byte39Switch) {
        auto device = std::make_shared<analyzer::AnalyzerDevice>(version);
        device->Model().SetLayoutASwitch(byte39Switch);
        sim::VirtualBus::Instance().Plug(device);
        CreateEnglishWindowWithDevices(1);
        EXPECT_NE(form_->FCurrentDevice, nullptr);
        return device;
    }

    // Polls once and waits until the status report it brings has been parsed.
    bool PollAndWaitForStatus() {
        const int before = MemoLines();
        if (!form_->Timer1->Tick())
            return false;
        return WaitUntil([&] { return MemoLines() >= before + 3; });
    }
};

TEST_F(EnglishAnalyzer, PollReadsTheStatusAndTimer2ShowsTheEnglishMessage) {
    auto device = Start(1, false);
    ASSERT_TRUE(PollAndWaitForStatus());
    EXPECT_TRUE(form_->Timer2->Enabled());
    const auto fields = device->Model().Fields();
    EXPECT_EQ(form_->FState, fields.state);
    EXPECT_NEAR(form_->FSignal, fields.signal, 1e-3);
    ASSERT_TRUE(form_->Timer2->Tick());
    EXPECT_EQ(form_->Label4->Caption(),
              app::StateText(english::EnglishTexts, form_->FState, form_->FTemperature));
    EXPECT_NE(form_->Label4->Caption(), "");

    form_->BitBtn1->Click();
    EXPECT_EQ(device->Model().PrepareCount(), 1);
}

// A version-3 analyzer that sends layout A without saying so in byte 39 is read in layout B
// here; with byte 39 = 2 it is read right.
TEST_F(EnglishAnalyzer, Version3AnalyzerIsReadByItsByte39) {
    for (bool byte39Switch : {true, false}) {
        SCOPED_TRACE(byte39Switch);
        DestroyWindow();
        sim::VirtualBus::Instance().Reset();
        auto device = Start(3, byte39Switch);
        ASSERT_TRUE(device->Model().LayoutA());
        ASSERT_TRUE(PollAndWaitForStatus());
        const float sent = device->Model().Fields().signal;
        ASSERT_GE(sent, 1.0f);
        if (byte39Switch)
            EXPECT_EQ(form_->FSignal, std::round(sent));
        else
            EXPECT_NE(form_->FSignal, std::round(sent));
    }
}

} // namespace
