// The English window and an analyzer that another program holds: listed unidentified,
// never bound, recognised at the first arrival after it can be opened.
#include "EnglishFixture.h"

namespace {

class EnglishBinding : public entest::EnglishFixture {};

TEST_F(EnglishBinding, AnalyzerThatCannotBeOpenedIsListedButNotBound) {
    auto info = apptest::DeviceInfo(apptest::kAnalyzerVid, apptest::kAnalyzerPid);
    info.openMode = sim::OpenMode::None;
    auto held = std::make_shared<sim::RecordingDevice>(info);
    sim::VirtualBus::Instance().Plug(held);
    TForm1& f = *CreateEnglishWindowWithDevices(1);
    EXPECT_EQ(f.FDeviceList[0].Name, "Device VID=0000 PID=0000");
    EXPECT_EQ(f.FCurrentDevice, nullptr);
    EXPECT_EQ(Boxes().Count(), 0);
    f.BitBtn1Click(nullptr);
    EXPECT_EQ(Panel(0), "The device is not connected!");

    // The other program lets go; the next arrival (another device plugged) binds it.
    held->MutableInfo().openMode = sim::OpenMode::ReadWrite;
    Plug(std::make_shared<sim::RecordingDevice>(apptest::DeviceInfo(0x1111, 0x2222)));
    ASSERT_TRUE(WaitUntil([&] { return f.FDeviceList.size() == 2 && f.FCurrentDevice; }));
    EXPECT_EQ(f.FCurrentDevice->Attributes().VendorID, apptest::kAnalyzerVid);
    EXPECT_EQ(f.FCurrentDevice->Attributes().ProductID, apptest::kAnalyzerPid);
    EXPECT_NE(f.FCurrentDevice->ReadThread(), nullptr);
}

} // namespace
