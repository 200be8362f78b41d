// The tab "eeprom": the one-byte and 32-byte tools, the whole-memory read and erase loops,
// and the controller EEPROM image button.
#include "AppFixture.h"

#include <atomic>

#include "analyzer/AnalyzerDevice.h"

namespace {

using apptest::AppFixture;
using apptest::Bytes;
using apptest::Report;

std::uint8_t Hi(int address) { return static_cast<std::uint8_t>(address >> 8); }
std::uint8_t Lo(int address) { return static_cast<std::uint8_t>(address); }

Bytes BlockRead(int address, std::uint8_t control = 160) {
    return Report(0x82, {Hi(address), Lo(address), control, 0});
}

Bytes BlockErase(int address, std::uint8_t control = 160) {
    Bytes b = Report(0x85, {control, Hi(address), Lo(address)});
    for (int i = 6; i <= 37; ++i)
        b[i] = 0xFF;
    return b;
}

// Records the writes and, at the write with the given number (1 = the first), hands work to
// the main thread, which runs it while the loop lets pending messages through.
class HookedDevice : public sim::RecordingDevice {
public:
    HookedDevice()
        : RecordingDevice(apptest::DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid)) {}

    void At(int write, std::function<void()> work) {
        at_ = write;
        work_ = std::move(work);
    }

    void OnOutputReport(const std::uint8_t* data, std::size_t length) override {
        RecordingDevice::OnOutputReport(data, length);
        // A block read is answered with a reply whose selector fills nothing.
        if (length > 2 && data[2] == 0x82) {
            Bytes reply(65, 0);
            reply[1] = 0x82;
            reply[5] = 0xEE;
            SendInputReport(reply);
        }
        if (++count_ == at_ && work_)
            rt::MainThread::Post(work_);
    }

private:
    std::atomic<int> count_{0};
    int at_ = 0;
    std::function<void()> work_;
};

class ServiceEepromTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        device_ = std::make_shared<HookedDevice>();
        sim::VirtualBus::Instance().Plug(device_);
        CreateWindowWithDevices(1);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
    }

    std::vector<Bytes> Written() const { return device_->Written(); }

    std::shared_ptr<HookedDevice> device_;
};

TEST_F(ServiceEepromTest, OneByteToolsWithTheInitialTexts) {
    form_->Button22->Click();
    form_->Button21->Click();
    EXPECT_EQ(Written(),
              (std::vector<Bytes>{Report(0x84, {160, 0, 55, 0}), Report(0x83, {160, 0, 55, 55})}));
}

TEST_F(ServiceEepromTest, ValuesKeepTheirLowBits) {
    struct Case {
        const char* control;
        const char* address;
        const char* data;
        std::uint8_t chip, hi, lo, value;
    };
    const Case cases[] = {
        {"160", "300", "55", 160, 1, 44, 55},
        {"162", "65535", "255", 162, 0xFF, 0xFF, 255},
        {"418", "65536", "300", 162, 0, 0, 44},
        {"-96", "-1", "-1", 160, 0xFF, 0xFF, 0xFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.control << " " << c.address << " " << c.data);
        form_->control->SetText(c.control);
        form_->adr_one_byte->SetText(c.address);
        form_->data_one_byte->SetText(c.data);
        form_->start_adress_32->SetText(c.address);
        device_->ClearWritten();
        form_->Button22->Click();
        form_->Button21->Click();
        form_->Button20->Click();
        EXPECT_EQ(Written(), (std::vector<Bytes>{Report(0x84, {c.chip, c.hi, c.lo, 0}),
                                                 Report(0x83, {c.chip, c.hi, c.lo, c.value}),
                                                 Report(0x82, {c.hi, c.lo, c.chip, 0})}));
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ServiceEepromTest, InvalidTextSendsNothingAndNamesTheFirstConverted) {
    struct Case {
        ui::TButton* TForm1::*button;
        const char* control;
        const char* address;
        const char* data;
        std::string message;
    };
    const Case cases[] = {
        // control first, then the address, then the data
        {&TForm1::Button22, "x", "y", "55", "'x' is not a valid integer value"},
        {&TForm1::Button22, "160", "y", "55", "'y' is not a valid integer value"},
        {&TForm1::Button21, "x", "y", "z", "'x' is not a valid integer value"},
        {&TForm1::Button21, "160", "55", "z", "'z' is not a valid integer value"},
        // the 32-byte read takes the address first
        {&TForm1::Button20, "x", "y", "55", "'y' is not a valid integer value"},
        {&TForm1::Button20, "x", "0", "55", "'x' is not a valid integer value"},
        {&TForm1::Button23, "16O", "0", "55", "'16O' is not a valid integer value"},
        {&TForm1::Button25, "", "0", "55", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        form_->control->SetText(c.control);
        form_->adr_one_byte->SetText(c.address);
        form_->start_adress_32->SetText(c.address);
        form_->data_one_byte->SetText(c.data);
        Boxes().Clear();
        (form_->*c.button)->Click();
        EXPECT_TRUE(Written().empty());
        ASSERT_EQ(Boxes().Count(), 1);
        EXPECT_EQ(Boxes().Last().text, c.message);
    }
}

TEST_F(ServiceEepromTest, ControllerImageAndTheDeadButton) {
    form_->Button24->Click(); // "Записать" of "Запись массива"
    EXPECT_TRUE(Written().empty());
    form_->Button27->Click();
    Bytes dump = Report(0x0B);
    dump[1] = 0x0B;
    EXPECT_EQ(Written(), std::vector<Bytes>{dump});
}

TEST_F(ServiceEepromTest, ReadAllAsksForEveryBlock) {
    form_->Button23->Click();
    const std::vector<Bytes> written = Written();
    ASSERT_EQ(written.size(), 2048u);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(written[i], BlockRead(32 * i)) << "block " << i;
    EXPECT_EQ(form_->Progress->Position(), 65504);
    EXPECT_EQ(Boxes().Count(), 0);
}

TEST_F(ServiceEepromTest, EraseAllWritesEveryBlockWithFF) {
    form_->control->SetText("162");
    form_->Button25->Click();
    const std::vector<Bytes> written = Written();
    ASSERT_EQ(written.size(), 2048u);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(written[i], BlockErase(32 * i, 162)) << "block " << i;
    EXPECT_EQ(form_->Progress->Position(), 65504);
}

TEST_F(ServiceEepromTest, ReadAllTakesTheControlByteEveryRound) {
    device_->At(10, [this] { form_->control->SetText("162"); });
    form_->Button23->Click();
    const std::vector<Bytes> written = Written();
    ASSERT_EQ(written.size(), 2048u);
    EXPECT_EQ(written[9], BlockRead(32 * 9, 160));
    EXPECT_EQ(written[10], BlockRead(32 * 10, 162));
}

TEST_F(ServiceEepromTest, ReadAllStopsAtAControlTextMadeInvalid) {
    device_->At(10, [this] { form_->control->SetText("abc"); });
    form_->Button23->Click();
    EXPECT_EQ(Written().size(), 10u);
    ASSERT_EQ(Boxes().Count(), 1);
    EXPECT_EQ(Boxes().Last().text, "'abc' is not a valid integer value");
    EXPECT_EQ(form_->Progress->Position(), 32 * 9);

    // The loop can be run again afterwards.
    form_->control->SetText("160");
    device_->ClearWritten();
    form_->Button23->Click();
    EXPECT_EQ(Written().size(), 2048u);
}

TEST_F(ServiceEepromTest, ALoopButtonPressedWhileALoopRunsDoesNothing) {
    device_->At(100, [this] {
        form_->Button23->Click();
        form_->Button25->Click();
    });
    form_->Button23->Click();
    const std::vector<Bytes> written = Written();
    ASSERT_EQ(written.size(), 2048u);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(written[i], BlockRead(32 * i)) << "block " << i;
    EXPECT_EQ(form_->Progress->Position(), 65504);
}

TEST_F(ServiceEepromTest, OtherToolsStillWorkWhileALoopRuns) {
    device_->At(100, [this] { form_->Button22->Click(); });
    form_->Button25->Click();
    const std::vector<Bytes> written = Written();
    ASSERT_EQ(written.size(), 2049u);
    EXPECT_EQ(written[100], Report(0x84, {160, 0, 55, 0}));
    EXPECT_EQ(written[101], BlockErase(32 * 100));
}

TEST_F(ServiceEepromTest, ClosingTheWindowEndsTheLoop) {
    form_->Show();
    device_->At(100, [this] { form_->Close(); });
    form_->Button25->Click();
    EXPECT_EQ(Written().size(), 100u);
    EXPECT_FALSE(form_->Visible());
    EXPECT_EQ(form_->Progress->Position(), 32 * 98);
}

TEST_F(ServiceEepromTest, UnpluggingTheAnalyzerEndsTheLoop) {
    device_->At(100, [this] { sim::VirtualBus::Instance().Unplug(device_); });
    form_->Button23->Click();
    EXPECT_EQ(Written().size(), 100u);
    // At most the write that found the device gone shows its error.
    EXPECT_LE(Boxes().Count(), 1);
    EXPECT_LT(form_->Progress->Position(), 32 * 101);
}

class ServiceEepromUnboundTest : public AppFixture {};

TEST_F(ServiceEepromUnboundTest, WithoutAnAnalyzerTheLoopsStopAfterTheNotice) {
    CreateWindowWithDevices(0);
    for (ui::TButton* b : {form_->Button23, form_->Button25}) {
        form_->Progress->SetPosition(1234);
        form_->StatusBar1->Panels(0).SetText("");
        b->Click();
        EXPECT_EQ(Panel(0), "Прибор не подключен !");
        // The bar does not claim a memory read or erased.
        EXPECT_EQ(form_->Progress->Position(), 1234);
    }
    EXPECT_EQ(Boxes().Count(), 0);
}

// With the stand-in analyzer: the replies fill the dump grid.
class ServiceEepromAnalyzerTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        analyzer_ = std::make_shared<analyzer::AnalyzerDevice>();
        sim::VirtualBus::Instance().Plug(analyzer_);
        CreateWindowWithDevices(1);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
    }

    static std::string Hex(std::uint8_t b) { return rt::IntToHex(b, 2) + " "; }

    // Rows 1 to 4096 show the analyzer's external EEPROM.
    bool GridShowsMemory() {
        ui::TStringGrid* g = form_->StringGrid2;
        for (int row = 1; row <= 4096; ++row) {
            const int address = 16 * (row - 1);
            if (g->Cells(0, row) != rt::IntToHex(address, 2) + " ")
                return false;
            for (int col = 1; col <= 16; ++col)
                if (g->Cells(col, row) != Hex(analyzer_->Model().ExternalByte(
                                              static_cast<std::uint16_t>(address + col - 1))))
                    return false;
        }
        return true;
    }

    bool WaitForGrid() {
        return WaitUntil([&] { return form_->StringGrid2->Cells(0, 4096) == "FFF0 "; }) &&
               WaitUntil([&] { return GridShowsMemory(); });
    }

    std::shared_ptr<analyzer::AnalyzerDevice> analyzer_;
};

TEST_F(ServiceEepromAnalyzerTest, ReadAllFillsTheDumpGrid) {
    form_->Button23->Click();
    ASSERT_TRUE(WaitForGrid());
    // The factory parameters are in it: "Реверс" at 38-41 is not erased.
    EXPECT_NE(form_->StringGrid2->Cells(7, 3), "FF ");
}

TEST_F(ServiceEepromAnalyzerTest, EraseAllThenReadAllShowsFF) {
    form_->Button25->Click();
    for (int a = 0; a < 65536; a += 997)
        EXPECT_EQ(analyzer_->Model().ExternalByte(static_cast<std::uint16_t>(a)), 0xFF);
    form_->Button23->Click();
    ASSERT_TRUE(WaitForGrid());
    for (int row : {1, 2, 3, 2048, 4096})
        for (int col = 1; col <= 16; ++col)
            EXPECT_EQ(form_->StringGrid2->Cells(col, row), "FF ") << row << "," << col;
}

TEST_F(ServiceEepromAnalyzerTest, OneByteWriteThenReadShowsTheByte) {
    form_->adr_one_byte->SetText("300");
    form_->data_one_byte->SetText("171");
    form_->Button21->Click();
    EXPECT_EQ(analyzer_->Model().ExternalByte(300), 171);
    form_->data_one_byte->SetText("");
    form_->Button22->Click();
    EXPECT_TRUE(WaitUntil([&] { return form_->data_one_byte->Text() == "171"; }));
}

} // namespace
