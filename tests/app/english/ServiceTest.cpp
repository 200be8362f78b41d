// The English window's service tabs: the same sequence and tools as the Russian window,
// without the PID-terms group, and the not-connected notice in English.
#include "EnglishFixture.h"

#include <string_view>

#include "analyzer/AnalyzerDevice.h"

namespace {

class EnglishService : public entest::EnglishFixture {
protected:
    void Type(std::u16string_view keys) {
        for (char16_t k : keys)
            form_->KeyPress(k);
    }
};

TEST_F(EnglishService, SequenceShowsTheTabsAndTheToolsReachTheAnalyzer) {
    auto analyzer = std::make_shared<analyzer::AnalyzerDevice>();
    sim::VirtualBus::Instance().Plug(analyzer);
    TForm1& f = *CreateEnglishWindowWithDevices(1);
    ASSERT_NE(f.FCurrentDevice, nullptr);

    Type(u"417");
    for (ui::TTabSheet* sheet : {f.TabSheet4, f.TabSheet5, f.TabSheet6})
        EXPECT_TRUE(sheet->TabVisible()) << sheet->Name();

    // External EEPROM: written, then read back into the edit.
    f.Edit6->SetText("1.5");
    f.Button9->Click();
    f.Edit6->SetText("");
    f.Button2->Click();
    EXPECT_TRUE(WaitUntil([&] { return f.Edit6->Text() == "1.5"; }));

    // Controller EEPROM: written, then its image fills the edits.
    f.pic18f4550->SetChecked(true);
    f.Edit7->SetText("-2.5");
    f.Button10->Click();
    f.Edit7->SetText("");
    f.Button27->Click();
    EXPECT_TRUE(WaitUntil([&] { return f.Edit7->Text() == "-2.5"; }));

    // One byte of the "eeprom" tab.
    f.adr_one_byte->SetText("300");
    f.data_one_byte->SetText("171");
    f.Button21->Click();
    EXPECT_EQ(analyzer->Model().ExternalByte(300), 171);
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(EnglishService, WithoutAnAnalyzerServiceCommandsShowTheEnglishNotice) {
    TForm1& f = *CreateEnglishWindow();
    ASSERT_EQ(f.FCurrentDevice, nullptr);
    f.Edit6->SetText("1");
    for (ui::TButton* b : {f.Button2, f.Button9, f.Button1, f.Button18, f.Button22, f.Button27}) {
        f.StatusBar1->Panels(0).SetText("");
        b->Click();
        EXPECT_EQ(Panel(0), "The device is not connected!") << b->Name();
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

} // namespace
