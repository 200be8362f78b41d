// The tab "Коррекции": what the parameter groups' read and write buttons send, where the
// check box "EEPROM 18f4550" sends the writes, and how invalid texts stop a write.
#include "AppFixture.h"

#include <optional>

#include "analyzer/AnalyzerDevice.h"
#include "app/Unit1Service.h"
#include "app/core/ParameterTable.h"

namespace {

using apptest::AppFixture;
using apptest::Bytes;
using apptest::Report;

Bytes EepromWrite(int address, std::uint8_t value) {
    return Report(0x83, {160, 0, static_cast<std::uint8_t>(address), value});
}

Bytes ControllerWrite(int address, std::uint8_t value) {
    return Report(0x0A, {static_cast<std::uint8_t>(address), value});
}

// The four bytes of a float written from `first` on, with the given writer.
template <class Writer>
void AddFloat(std::vector<Bytes>& out, Writer writer, int first,
              std::array<std::uint8_t, 4> bytes) {
    for (int k = 0; k < 4; ++k)
        out.push_back(writer(first + k, bytes[k]));
}

constexpr std::array<std::uint8_t, 4> kOne = {0x00, 0x00, 0x80, 0x3F};
constexpr std::array<std::uint8_t, 4> kMinus2_5 = {0x00, 0x00, 0x20, 0xC0};

class ServiceParametersTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        device_ = apptest::RecordingAnalyzer();
        sim::VirtualBus::Instance().Plug(device_);
        CreateWindowWithDevices(1);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
    }

    std::vector<Bytes> Written() const { return device_->Written(); }

    // Every edit of the parameter groups holds `text`.
    void FillEdits(const std::string& text) {
        for (const auto& group : core::ParameterTable<TForm1>())
            for (std::size_t v = 0; v < group.Count; ++v)
                (form_->*group.Values[v].Edit.Field)->SetText(text);
    }

    std::shared_ptr<sim::RecordingDevice> device_;
};

struct ReadCase {
    ui::TButton* TForm1::*button;
    std::uint8_t address;
    std::uint8_t selector;
};

TEST_F(ServiceParametersTest, EveryReadAsksTheExternalEepromWhateverTheBox) {
    const ReadCase cases[] = {
        {&TForm1::Button3, 14, 10},  {&TForm1::Button5, 22, 11},  {&TForm1::Button7, 46, 12},
        {&TForm1::Button2, 38, 13},  {&TForm1::Button14, 54, 14}, {&TForm1::Button15, 42, 15},
        {&TForm1::Button16, 50, 16}, {&TForm1::Button19, 56, 17}, {&TForm1::Button29, 60, 18},
        {&TForm1::Button31, 71, 19}, {&TForm1::Button33, 66, 20}, {&TForm1::Button35, 75, 21},
    };
    for (bool checked : {false, true}) {
        form_->pic18f4550->SetChecked(checked);
        for (const ReadCase& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << (form_->*c.button)->Name() << " checked " << checked);
            device_->ClearWritten();
            (form_->*c.button)->Click();
            EXPECT_EQ(Written(), std::vector<Bytes>{Report(0x82, {0, c.address, 160, c.selector})});
        }
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

// Where each write button stores its values: external first bytes, and the controller first
// bytes when the box is checked (empty: the write does nothing; nullopt: external anyway).
struct WriteCase {
    ui::TButton* TForm1::*button;
    std::vector<int> external;
    std::optional<std::vector<int>> controller;
};

// The window's fields that the parameter table names are the controls of the tab: each
// group's box on "Коррекции" with the group's caption, its edits and buttons in it, each
// control named as its field.
TEST_F(ServiceParametersTest, TheTableNamesTheControlsOfItsGroups) {
    const auto groups = core::ParameterTable<TForm1>();
    auto named = [this](const ui::TControl* c, const char* name) {
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->Name(), name);
        EXPECT_EQ(form_->FindComponent(name), c) << name;
    };
    for (const auto& group : groups) {
        SCOPED_TRACE(group.Caption);
        const ui::TGroupBox* box = form_->*group.Box.Field;
        named(box, group.Box.Name);
        EXPECT_EQ(box->Caption(), group.Caption);
        EXPECT_EQ(box->Parent(), form_->TabSheet4);
        for (const auto& button : {group.Read, group.Write}) {
            named(form_->*button.Field, button.Name);
            EXPECT_EQ((form_->*button.Field)->Parent(), box);
        }
        EXPECT_EQ((form_->*group.Read.Field)->Caption(), "Читать");
        EXPECT_EQ((form_->*group.Write.Field)->Caption(), group.WriteText);
        for (std::size_t v = 0; v < group.Count; ++v) {
            const ui::TEdit* edit = form_->*group.Values[v].Edit.Field;
            named(edit, group.Values[v].Edit.Name);
            EXPECT_EQ(edit->Parent(), box);
            EXPECT_EQ(edit->Text(), group.Values[v].Text);
        }
    }
}

TEST_F(ServiceParametersTest, FloatWritesGoWhereTheBoxSays) {
    const WriteCase cases[] = {
        {&TForm1::Button4, {14, 18}, std::vector<int>{24, 28}},
        {&TForm1::Button6, {22, 26}, std::vector<int>{32, 36}},
        {&TForm1::Button8, {46}, std::vector<int>{12}},
        {&TForm1::Button9, {38}, std::vector<int>{16}},
        {&TForm1::Button10, {42}, std::vector<int>{20}},
        {&TForm1::Button12, {50}, std::vector<int>{42}},
        {&TForm1::Button26, {56}, std::vector<int>{46}},
        {&TForm1::Button30, {60}, std::vector<int>{}},
        {&TForm1::Button32, {71}, std::vector<int>{}},
        {&TForm1::Button34, {66}, std::vector<int>{}},
        {&TForm1::Button36, {75, 79, 83}, std::nullopt},
    };
    FillEdits("1");
    for (bool checked : {false, true}) {
        form_->pic18f4550->SetChecked(checked);
        for (const WriteCase& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << (form_->*c.button)->Name() << " checked " << checked);
            std::vector<Bytes> expected;
            if (checked && c.controller) {
                for (int first : *c.controller)
                    AddFloat(expected, ControllerWrite, first, kOne);
            } else {
                for (int first : c.external)
                    AddFloat(expected, EepromWrite, first, kOne);
            }
            device_->ClearWritten();
            (form_->*c.button)->Click();
            EXPECT_EQ(Written(), expected);
        }
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ServiceParametersTest, FloatBytesGoLowestFirstWithTheLocaleSeparator) {
    rt::SetDecimalSeparator(',');
    form_->Edit7->SetText("-2,5");
    form_->Button10->Click();
    std::vector<Bytes> expected;
    AddFloat(expected, EepromWrite, 42, kMinus2_5);
    EXPECT_EQ(Written(), expected);

    // The other separator is not a number here.
    device_->ClearWritten();
    form_->Edit7->SetText("-2.5");
    form_->Button10->Click();
    EXPECT_TRUE(Written().empty());
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text, "'-2.5' is not a valid floating point value");
}

TEST_F(ServiceParametersTest, ValveTimeKeepsTheLowSixteenBitsLowByteFirst) {
    struct Case {
        const char* text;
        bool checked;
        std::vector<Bytes> expected;
    };
    const Case cases[] = {
        {"300", false, {EepromWrite(54, 0x2C), EepromWrite(55, 0x01)}},
        {"300", true, {ControllerWrite(40, 0x2C), ControllerWrite(41, 0x01)}},
        {"70000", false, {EepromWrite(54, 0x70), EepromWrite(55, 0x11)}}, // 4464
        {"-1", false, {EepromWrite(54, 0xFF), EepromWrite(55, 0xFF)}},
        {" 7", false, {EepromWrite(54, 0x07), EepromWrite(55, 0x00)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " checked " << c.checked);
        form_->pic18f4550->SetChecked(c.checked);
        form_->Edit8->SetText(c.text);
        device_->ClearWritten();
        form_->Button11->Click();
        EXPECT_EQ(Written(), c.expected);
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ServiceParametersTest, InvalidTextStopsTheWriteAtThatValue) {
    struct Case {
        ui::TButton* TForm1::*button;
        ui::TEdit* TForm1::*good; // written before the bad one, or nullptr
        ui::TEdit* TForm1::*bad;
        const char* text;
        std::string message;
        std::size_t sentBefore;
    };
    const Case cases[] = {
        {&TForm1::Button4, &TForm1::Edit1, &TForm1::Edit2, "abc",
         "'abc' is not a valid floating point value", 4},
        {&TForm1::Button4, nullptr, &TForm1::Edit1, "", "'' is not a valid floating point value",
         0},
        {&TForm1::Button36, &TForm1::Edit18, &TForm1::Edit19, "1e39", "Floating point overflow", 8},
        // beyond double too, but within extended precision
        {&TForm1::Button10, nullptr, &TForm1::Edit7, "1e400", "Floating point overflow", 0},
        {&TForm1::Button4, &TForm1::Edit1, &TForm1::Edit2, "-1e4000", "Floating point overflow", 4},
        // beyond extended precision
        {&TForm1::Button9, nullptr, &TForm1::Edit6, "1e5000",
         "'1e5000' is not a valid floating point value", 0},
        {&TForm1::Button11, nullptr, &TForm1::Edit8, "1.5", "'1.5' is not a valid integer value",
         0},
        {&TForm1::Button11, nullptr, &TForm1::Edit8, "99999999999",
         "'99999999999' is not a valid integer value", 0},
        {&TForm1::Button9, nullptr, &TForm1::Edit6, "Edit6",
         "'Edit6' is not a valid floating point value", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        FillEdits("1");
        (form_->*c.bad)->SetText(c.text);
        device_->ClearWritten();
        Boxes().Clear();
        (form_->*c.button)->Click();
        EXPECT_EQ(Written().size(), c.sentBefore);
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text, c.message);
        EXPECT_EQ(Boxes().Last().caption, ui::Application->Title());
    }
}

TEST_F(ServiceParametersTest, GroupsWithoutControllerPlaceIgnoreEvenBadTextWhenChecked) {
    FillEdits("not a number");
    form_->pic18f4550->SetChecked(true);
    for (ui::TButton* b : {form_->Button30, form_->Button32, form_->Button34})
        b->Click();
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(Boxes().Count(), 0);
    EXPECT_EQ(Panel(0), "");
}

TEST_F(ServiceParametersTest, SingleCommands) {
    form_->Button1->Click();
    form_->Button17->Click();
    form_->Button18->Click(); // "200" at start
    form_->Edit10->SetText("300");
    form_->Button18->Click();
    form_->Edit10->SetText("-56");
    form_->Button18->Click();
    EXPECT_EQ(Written(), (std::vector<Bytes>{Report(0x0C), Report(0x64), Report(0x65, {200}),
                                             Report(0x65, {44}), Report(0x65, {200})}));
    form_->Edit10->SetText("2OO");
    form_->Button18->Click();
    EXPECT_EQ(Written().size(), 5u);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text, "'2OO' is not a valid integer value");
}

TEST_F(ServiceParametersTest, ByteWritersBuildTheirCommands) {
    form_->WriteControllerByte(255, 0xAB);
    form_->WriteEepromByte(200, 0x01);
    EXPECT_EQ(Written(), (std::vector<Bytes>{ControllerWrite(255, 0xAB), EepromWrite(200, 0x01)}));
}

TEST_F(ServiceParametersTest, FailedWritesShowABoxEachAndTheWriteGoesOn) {
    DestroyWindow();
    sim::VirtualBus::Instance().Reset();
    auto info = apptest::DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
    info.openMode = sim::OpenMode::QueryOnly;
    auto device = std::make_shared<sim::RecordingDevice>(info);
    sim::VirtualBus::Instance().Plug(device);
    CreateWindowWithDevices(1);
    form_->Edit6->SetText("1");
    form_->Button9->Click();
    EXPECT_EQ(Boxes().Count(), 4);
    for (const ui::ModalRequest& box : Boxes().Requests())
        EXPECT_EQ(box.text.rfind("0 = WRITE ERROR: ", 0), 0u) << box.text;
    EXPECT_TRUE(device->Written().empty());
}

class ServiceParametersUnboundTest : public AppFixture {};

TEST_F(ServiceParametersUnboundTest, WithoutAnAnalyzerEveryByteOnlyShowsTheNotice) {
    CreateWindowWithDevices(0);
    form_->Edit1->SetText("1");
    form_->Edit2->SetText("2");
    form_->Button4->Click();
    form_->Button3->Click();
    EXPECT_EQ(Panel(0), "Прибор не подключен !");
    EXPECT_EQ(Boxes().Count(), 0);
}

// The stand-in analyzer stores what is written; reading back shows it in the edits.
class ServiceParametersRoundTripTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        analyzer_ = std::make_shared<analyzer::AnalyzerDevice>();
        sim::VirtualBus::Instance().Plug(analyzer_);
        CreateWindowWithDevices(1);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
    }

    bool WaitForText(ui::TEdit* edit, const std::string& text) {
        return WaitUntil([&] { return edit->Text() == text; });
    }

    std::shared_ptr<analyzer::AnalyzerDevice> analyzer_;
};

TEST_F(ServiceParametersRoundTripTest, ExternalWriteThenReadShowsTheValues) {
    form_->Edit1->SetText("1.25");
    form_->Edit2->SetText("-3.5");
    form_->Button4->Click();
    form_->Edit1->SetText("");
    form_->Edit2->SetText("");
    form_->Button3->Click();
    EXPECT_TRUE(WaitForText(form_->Edit2, "-3.5"));
    EXPECT_EQ(form_->Edit1->Text(), "1.25");

    form_->Edit8->SetText("300");
    form_->Button11->Click();
    form_->Edit8->SetText("");
    form_->Button14->Click();
    EXPECT_TRUE(WaitForText(form_->Edit8, "300"));
    EXPECT_EQ(analyzer_->Model().ExternalByte(54), 0x2C);
    EXPECT_EQ(analyzer_->Model().ExternalByte(55), 0x01);
}

TEST_F(ServiceParametersRoundTripTest, ControllerWriteThenImageShowsTheValue) {
    form_->pic18f4550->SetChecked(true);
    form_->Edit6->SetText("2.5");
    form_->Button9->Click();
    EXPECT_EQ(analyzer_->Model().ControllerByte(19), 0x40);
    form_->Edit6->SetText("");
    form_->Button27->Click(); // "Прочитать"
    EXPECT_TRUE(WaitForText(form_->Edit6, "2.5"));
}

} // namespace
