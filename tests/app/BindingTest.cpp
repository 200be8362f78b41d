// Finding the analyzer on every arrival, and the device names.
#include "AppFixture.h"
#include "platform/testing/PlatformTest.h"

namespace {

using apptest::AppFixture;
using apptest::DeviceInfo;
namespace pt = platform::test;

class BindingTest : public AppFixture {
protected:
    // Polls once and waits until the status report it brings has been parsed.
    bool PollAndWaitForStatus() {
        const int before = MemoLines();
        if (!form_->Timer1->Tick())
            return false;
        return WaitUntil([&] { return MemoLines() >= before + 3; });
    }

    static std::uint32_t Instance(const hid::THidDevice* d) {
        return d->PnPInfo() ? d->PnPInfo()->DeviceInstance : 0;
    }
};

TEST_F(BindingTest, AnalyzerAmongOtherDevices) {
    auto& bus = sim::VirtualBus::Instance();
    const std::uint32_t keyboard =
        bus.Plug(std::make_shared<sim::RecordingDevice>(DeviceInfo(0x046D, 0xC31C, u"Keyboard")));
    auto analyzer = std::make_shared<analyzer::AnalyzerDevice>(1, u"7");
    const std::uint32_t analyzerInstance = bus.Plug(analyzer);
    const std::uint32_t mouse =
        bus.Plug(std::make_shared<sim::RecordingDevice>(DeviceInfo(0x046D, 0xC077, u"Mouse")));

    TForm1* f = CreateWindowWithDevices(3);
    ASSERT_EQ(f->FDeviceList.size(), 3u);
    const std::uint32_t order[] = {keyboard, analyzerInstance, mouse};
    for (std::size_t i = 0; i < 3; ++i) {
        hid::THidDevice* d = f->FDeviceList[i].Device;
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(Instance(d), order[i]);
        EXPECT_TRUE(d->CheckedOut());
        EXPECT_EQ(d->NumInputBuffers(), 128u);
        EXPECT_EQ(d->NumOverlappedBuffers(), 128u);
        const bool isAnalyzer = i == 1;
        EXPECT_EQ(d->DataHandler().Assigned(), isAnalyzer) << f->FDeviceList[i].Name;
        EXPECT_EQ(d->ReadThread() != nullptr, isAnalyzer) << f->FDeviceList[i].Name;
    }
    EXPECT_EQ(f->FDeviceList[0].Name, "Keyboard");
    EXPECT_EQ(f->FDeviceList[1].Name, "Kelvane A (Serial=7)");
    EXPECT_EQ(f->FDeviceList[2].Name, "Mouse");
    EXPECT_EQ(f->FCurrentDevice, f->FDeviceList[1].Device);

    // The parser is bound: a poll brings a status report into the displays.
    EXPECT_TRUE(PollAndWaitForStatus());
    EXPECT_TRUE(f->Timer2->Enabled());
    EXPECT_EQ(MemoLine(MemoLines() - 1).rfind("t=", 0), 0u);
}

TEST_F(BindingTest, NoAnalyzerNoCurrentDevice) {
    sim::VirtualBus::Instance().Plug(
        std::make_shared<sim::RecordingDevice>(DeviceInfo(0x0925, 0x1298, u"Almost")));
    TForm1* f = CreateWindowWithDevices(1);
    EXPECT_EQ(f->FCurrentDevice, nullptr);
    EXPECT_FALSE(f->FDeviceList[0].Device->DataHandler().Assigned());
}

TEST_F(BindingTest, DeviceAddedWhileBoundRebindsTheSameAnalyzer) {
    auto analyzer = std::make_shared<analyzer::AnalyzerDevice>();
    const std::uint32_t instance = sim::VirtualBus::Instance().Plug(analyzer);
    TForm1* f = CreateWindowWithDevices(1);
    ASSERT_NE(f->FCurrentDevice, nullptr);
    EXPECT_TRUE(PollAndWaitForStatus());

    Plug(std::make_shared<sim::RecordingDevice>(DeviceInfo(0x046D, 0xC077, u"Mouse")));
    ASSERT_EQ(f->FDeviceList.size(), 2u);
    hid::THidDevice* current = f->FCurrentDevice;
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current, f->FDeviceList[0].Device);
    EXPECT_EQ(Instance(current), instance);
    EXPECT_TRUE(current->DataHandler().Assigned());
    EXPECT_NE(current->ReadThread(), nullptr);
    EXPECT_EQ(current->NumOverlappedBuffers(), 128u);
    EXPECT_FALSE(f->FDeviceList[1].Device->DataHandler().Assigned());

    // Polls go on through the new object and its reports still arrive.
    EXPECT_TRUE(PollAndWaitForStatus());
    EXPECT_EQ(Panel(0).rfind("Th=", 0), 0u) << Panel(0);
}

TEST_F(BindingTest, UnplugKeepsTheOldObjectUntilTheReplug) {
    auto analyzer = std::make_shared<analyzer::AnalyzerDevice>();
    auto& bus = sim::VirtualBus::Instance();
    bus.Plug(analyzer);
    TForm1* f = CreateWindowWithDevices(1);
    hid::THidDevice* bound = f->FCurrentDevice;
    ASSERT_NE(bound, nullptr);

    bus.Unplug(analyzer);
    Drain();
    EXPECT_EQ(f->FCurrentDevice, bound);
    EXPECT_TRUE(f->Timer1->Tick());
    EXPECT_EQ(Panel(0).rfind("WRITE ERROR: ", 0), 0u) << Panel(0);

    const std::uint32_t again = bus.Plug(analyzer);
    ASSERT_TRUE(WaitUntil([&] {
        return f->FCurrentDevice && f->FCurrentDevice->PluggedIn() &&
               Instance(f->FCurrentDevice) == again;
    }));
    EXPECT_EQ(f->FDeviceList.size(), 1u);
    EXPECT_TRUE(PollAndWaitForStatus());
}

TEST_F(BindingTest, TwoAnalyzersBindTheLastOne) {
    auto& bus = sim::VirtualBus::Instance();
    bus.Plug(std::make_shared<analyzer::AnalyzerDevice>(1, u"1"));
    bus.Plug(std::make_shared<analyzer::AnalyzerDevice>(1, u"2"));
    TForm1* f = CreateWindowWithDevices(2);
    EXPECT_EQ(f->FCurrentDevice, f->FDeviceList[1].Device);
    EXPECT_FALSE(f->FDeviceList[0].Device->DataHandler().Assigned());
    EXPECT_EQ(f->FDeviceList[0].Device->ReadThread(), nullptr);
    EXPECT_TRUE(f->FDeviceList[1].Device->DataHandler().Assigned());
}

TEST_F(BindingTest, AnalyzerThatOnlyAnswersQueriesIsStillCurrent) {
    auto info = DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid, u"Kelvane A");
    info.openMode = sim::OpenMode::QueryOnly;
    sim::VirtualBus::Instance().Plug(std::make_shared<sim::RecordingDevice>(info));
    TForm1* f = CreateWindowWithDevices(1);
    ASSERT_NE(f->FCurrentDevice, nullptr);
    EXPECT_EQ(f->FCurrentDevice->ReadThread(), nullptr);
}

TEST_F(BindingTest, DeviceNames) {
    struct Case {
        sim::VirtualDeviceInfo info;
        std::string name;
    };
    const Case cases[] = {
        {DeviceInfo(0x0925, 0x1299, u"", u"7"), "Device VID=0925 PID=1299 (Serial=7)"},
        {DeviceInfo(0x0925, 0x1299, u"", u""), "Device VID=0925 PID=1299"},
        {DeviceInfo(0x04B4, 0xABCD, u"", u""), "Device VID=04B4 PID=ABCD"},
        {DeviceInfo(0x046D, 0xC077, u"USB Optical Mouse", u""), "USB Optical Mouse"},
        {DeviceInfo(0x046D, 0xC077, u"Мышь", u"A1"), "Мышь (Serial=A1)"},
    };
    for (const Case& c : cases)
        sim::VirtualBus::Instance().Plug(std::make_shared<sim::RecordingDevice>(c.info));
    TForm1* f = CreateWindowWithDevices(std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(f->FDeviceList[i].Name, cases[i].name);
        EXPECT_EQ(f->DeviceName(f->FDeviceList[i].Device), cases[i].name);
    }
}

TEST_F(BindingTest, EnumerateHandlerListsWithoutBinding) {
    auto analyzer = std::make_shared<analyzer::AnalyzerDevice>();
    sim::VirtualBus::Instance().Plug(analyzer);
    TForm1* f = CreateWindowWithDevices(1);
    // Give the analyzer back, then take it again by index.
    delete f->FDeviceList[0].Device;
    f->FDeviceList.clear();
    f->FCurrentDevice = nullptr;
    ASSERT_EQ(f->HidController->Count(), 1);
    EXPECT_TRUE(f->HidControllerEnumerate(f->HidController->Device(0), 0));
    ASSERT_EQ(f->FDeviceList.size(), 1u);
    // Named before its check-out, when a listed device answers no string query.
    EXPECT_EQ(f->FDeviceList[0].Name, "Device VID=0925 PID=1299");
    EXPECT_EQ(f->FDeviceList[0].Device->NumInputBuffers(), 128u);
    EXPECT_EQ(f->FCurrentDevice, nullptr);
    // A failing check-out (the device is out already) lists nothing more.
    EXPECT_TRUE(f->HidControllerEnumerate(f->HidController->Device(0), 0));
    EXPECT_EQ(f->FDeviceList.size(), 1u);
}

// Closing the window ends the analyzer's read thread: the thread itself cancels its pending
// read as it ends, and every device handle and window is closed. A device change broadcast
// while the window closes waits for the loop and finds no window then.
TEST_F(BindingTest, ClosingTheWindowStopsTheReadThread) {
    for (const bool plugDuringClose : {false, true}) {
        SCOPED_TRACE(plugDuringClose ? "a device plugged in as the window closes" : "quiet");
        auto analyzer = std::make_shared<analyzer::AnalyzerDevice>();
        sim::VirtualBus::Instance().Plug(analyzer);
        CreateWindowWithDevices(1);
        ASSERT_NE(form_->FCurrentDevice, nullptr);
        EXPECT_TRUE(PollAndWaitForStatus());
        // The next read is pending once the thread waits again.
        pt::StartCallLog();
        const bool waiting = WaitUntil([] {
            for (const auto& call : pt::CallLog())
                if (call.routine == "SleepEx")
                    return true;
            return false;
        });
        pt::StopCallLog();
        ASSERT_TRUE(waiting);
        if (plugDuringClose)
            sim::VirtualBus::Instance().Plug(
                std::make_shared<sim::RecordingDevice>(DeviceInfo(0x046D, 0xC077, u"Mouse")));
        const unsigned cancels = pt::CallCount("CancelIo");
        DestroyWindow();
        EXPECT_EQ(pt::CallCount("CancelIo"), cancels + 1);
        EXPECT_EQ(pt::OpenHandleCount(), 0u);
        EXPECT_EQ(pt::UtilityWindowCount(), 0u);
        const unsigned reads = pt::CallCount("ReadFileEx");
        analyzer->SendInputReport(std::vector<std::uint8_t>(65, 0));
        Drain();
        EXPECT_EQ(pt::CallCount("ReadFileEx"), reads);
        EXPECT_EQ(pt::OpenHandleCount(), 0u);
        sim::VirtualBus::Instance().Reset();
        Drain();
    }
}

} // namespace
