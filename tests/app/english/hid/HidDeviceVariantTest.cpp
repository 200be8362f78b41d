// The English build's device and controller: an interface that cannot be opened is kept
// unidentified, and the hidden window hands every message to the default procedure.
#include "tests/hid/HidTestSupport.h"

#include "app/english/hid/EnglishHid.h"

#include <algorithm>
#include <memory>

namespace {

using hidtest::DeviceInfo;
using hidtest::Drain;
using hidtest::WaitUntil;
namespace pt = platform::test;

class EnglishDeviceTest : public hidtest::HidFixture {
protected:
    void SetUp() override {
        HidFixture::SetUp();
        hid::UnbindHid();
        hid::UseHidVariant(hid::english::EnglishHid);
    }
    void TearDown() override {
        hid::UnbindHid();
        hid::UseHidVariant(hid::RussianHid);
        HidFixture::TearDown();
    }
};

TEST_F(EnglishDeviceTest, DeviceThatCannotBeOpenedIsKeptUnidentified) {
    ASSERT_TRUE(hid::BindSetupApi());
    ASSERT_TRUE(hid::BindHid());
    Plug(DeviceInfo(0x0925, 0x1299, sim::OpenMode::None));
    std::unique_ptr<hid::THidDevice> device;
    ASSERT_NO_THROW(device = std::make_unique<hid::THidDevice>(hidtest::MakePnPInfo(), nullptr));
    EXPECT_TRUE(device->PluggedIn());
    EXPECT_FALSE(device->CheckedOut());
    EXPECT_EQ(device->SyncHandle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(device->HasReadWriteAccess());
    const HIDD_ATTRIBUTES& a = device->Attributes();
    EXPECT_EQ(a.Size, 0u);
    EXPECT_EQ(a.VendorID, 0);
    EXPECT_EQ(a.ProductID, 0);
    EXPECT_EQ(a.VersionNumber, 0);
    device.reset();
    EXPECT_EQ(pt::OpenHandleCount(), 0u);
    hid::UnbindHid();
    hid::UnbindSetupApi();
}

// Opened read-write, opened for queries only, attributes unreadable.
struct OpenCase {
    sim::OpenMode mode;
    bool attributesFail;
    bool raises;
    std::uint16_t vendor;
    bool readWrite;
};

TEST_F(EnglishDeviceTest, OnlyUnreadableAttributesRaise) {
    ASSERT_TRUE(hid::BindSetupApi());
    ASSERT_TRUE(hid::BindHid());
    const OpenCase cases[] = {
        {sim::OpenMode::ReadWrite, false, false, 0x0925, true},
        {sim::OpenMode::QueryOnly, false, false, 0x0925, false},
        {sim::OpenMode::None, false, false, 0, false},
        {sim::OpenMode::None, true, false, 0, false},
        {sim::OpenMode::ReadWrite, true, true, 0, true},
        {sim::OpenMode::QueryOnly, true, true, 0, false},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode) * 10 + c.attributesFail);
        sim::VirtualBus::Instance().Reset();
        auto info = DeviceInfo(0x0925, 0x1299, c.mode);
        info.attributesFail = c.attributesFail;
        Plug(info);
        if (c.raises) {
            try {
                hid::THidDevice device(hidtest::MakePnPInfo(), nullptr);
                ADD_FAILURE() << "no error";
            } catch (const hid::EControllerError& e) {
                EXPECT_STREQ(e.what(), "device cannot be identified");
            }
        } else {
            hid::THidDevice device(hidtest::MakePnPInfo(), nullptr);
            EXPECT_EQ(device.Attributes().VendorID, c.vendor);
            EXPECT_EQ(device.HasReadWriteAccess(), c.readWrite);
            EXPECT_EQ(device.SyncHandle(), INVALID_HANDLE_VALUE);
        }
        EXPECT_EQ(pt::OpenHandleCount(), 0u);
    }
    hid::UnbindHid();
    hid::UnbindSetupApi();
}

TEST_F(EnglishDeviceTest, ControllerListsDeviceItCannotOpenAndIdentifiesItAfterCheckIn) {
    auto plugged = Plug(DeviceInfo(0x0925, 0x1299, sim::OpenMode::None));
    hid::THidDeviceController controller;
    hidtest::TEventLog log;
    log.Attach(controller);
    ASSERT_TRUE(WaitUntil([&] { return log.Arrived.size() == 1; }));
    ASSERT_EQ(controller.Count(), 1);
    hid::THidDevice* listed = controller.Device(0);
    EXPECT_EQ(listed->Attributes().VendorID, 0);
    EXPECT_EQ(listed->Attributes().ProductID, 0);

    hid::THidDevice* device = nullptr;
    ASSERT_TRUE(controller.CheckOut(device));
    hidtest::TReportLog reports;
    device->SetDataEvent(reports.Handler());
    // No read-write access at construction: no read thread.
    EXPECT_EQ(device->ReadThread(), nullptr);

    // Once it can be opened, the object made at check-in reads the real attributes.
    plugged->MutableInfo().openMode = sim::OpenMode::ReadWrite;
    delete device;
    ASSERT_EQ(controller.Count(), 1);
    EXPECT_EQ(controller.Device(0)->Attributes().VendorID, 0x0925);
    EXPECT_EQ(controller.Device(0)->Attributes().ProductID, 0x1299);
    EXPECT_TRUE(controller.Device(0)->HasReadWriteAccess());
}

TEST_F(EnglishDeviceTest, DeviceWithUnreadableAttributesIsLeftOut) {
    auto info = DeviceInfo(0x0925, 0x1299, sim::OpenMode::ReadWrite);
    info.attributesFail = true;
    Plug(info);
    Plug(DeviceInfo(0x1111, 0x2222, sim::OpenMode::None));
    hid::THidDeviceController controller;
    hidtest::TEventLog log;
    log.Attach(controller);
    ASSERT_TRUE(WaitUntil([&] { return log.Arrived.size() == 1; }));
    Drain();
    ASSERT_EQ(controller.Count(), 1);
    EXPECT_EQ(controller.Device(0)->Attributes().VendorID, 0);
}

// A HID library without a routine that the running version requires: the controller works
// without it, with the constant interface class, no hidden window and no device listed.
TEST_F(EnglishDeviceTest, ControllerWithoutARequiredRoutineListsNoDevice) {
    pt::SetReportedVersion(pt::MakeVersion(VER_PLATFORM_WIN32_NT, 5, 1));
    hid::english::QueryOsVersion();
    Plug();
    {
        pt::ScopedModuleSet modules;
        modules.Without("HID.dll", "HidD_SetOutputReport");
        const std::size_t windows = pt::UtilityWindowCount();
        hid::THidDeviceController controller;
        hidtest::TEventLog log;
        log.Attach(controller);
        EXPECT_FALSE(hid::IsHidBound());
        EXPECT_EQ(controller.WindowHandle(), HWND{0});
        EXPECT_EQ(pt::UtilityWindowCount(), windows);
        const GUID hidClass = {
            0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
        EXPECT_EQ(controller.HidGuid(), hidClass);
        Drain();
        EXPECT_EQ(controller.Count(), 0);
        EXPECT_TRUE(log.Arrived.empty());
    }
    // The same library binds on a version that does not require the routine.
    pt::SetReportedVersion(pt::MakeVersion(VER_PLATFORM_WIN32_NT, 6, 0));
    hid::english::QueryOsVersion();
    {
        pt::ScopedModuleSet modules;
        modules.Without("HID.dll", "HidD_SetOutputReport");
        hid::THidDeviceController controller;
        EXPECT_TRUE(hid::IsHidBound());
        EXPECT_TRUE(WaitUntil([&] { return controller.Count() == 1; }));
    }
    pt::Reset();
    hid::english::QueryOsVersion();
}

// The messages the hidden window passed on to the default procedure, in order.
std::vector<std::uint64_t> DefaultProcMessages() {
    std::vector<std::uint64_t> messages;
    for (const pt::Call& call : pt::CallLog())
        if (call.routine == "DefWindowProcA")
            messages.push_back(call.argument);
    return messages;
}

TEST_F(EnglishDeviceTest, EveryMessageOfTheHiddenWindowGoesToTheDefaultProcedure) {
    hid::THidDeviceController controller;
    ASSERT_NE(controller.WindowHandle(), HWND{0});
    pt::StartCallLog();
    Drain(); // the first device change
    const HWND wnd = controller.WindowHandle();
    const unsigned enumerations = pt::CallCount("SetupDiGetClassDevsA");
    ::SendMessageA(wnd, WM_DEVICECHANGE, 0x8000, 0); // another wParam: no enumeration
    ::SendMessageA(wnd, WM_QUERYENDSESSION, 0, 0);
    ::SendMessageA(wnd, WM_USER + 5, 1, 2);
    EXPECT_EQ(pt::CallCount("SetupDiGetClassDevsA"), enumerations);
    EXPECT_EQ(DefaultProcMessages(), (std::vector<std::uint64_t>{WM_DEVICECHANGE, WM_DEVICECHANGE,
                                                                 WM_QUERYENDSESSION, WM_USER + 5}));
    // The answer is the default procedure's, the end of the session included.
    EXPECT_EQ(::SendMessageA(wnd, WM_QUERYENDSESSION, 0, 0),
              ::DefWindowProcA(wnd, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(::SendMessageA(wnd, WM_USER + 5, 1, 2), ::DefWindowProcA(wnd, WM_USER + 5, 1, 2));
    pt::ResetCallLog();
}

TEST_F(EnglishDeviceTest, DeviceChangeDuringADeviceChangeIsPassedOnWithoutReentry) {
    Plug();
    hid::THidDeviceController controller;
    unsigned nestedEnumerations = 0;
    struct Nested {
        hid::THidDeviceController* c;
        unsigned* count;
        void Arrival(hid::THidDevice*) {
            const unsigned before = pt::CallCount("SetupDiGetClassDevsA");
            ::SendMessageA(c->WindowHandle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
            *count += pt::CallCount("SetupDiGetClassDevsA") - before;
        }
    } nested{&controller, &nestedEnumerations};
    controller.OnArrival = hid::THidPlugEvent::Of<&Nested::Arrival>(&nested);
    pt::StartCallLog();
    ASSERT_TRUE(WaitUntil([&] { return controller.Count() == 1; }));
    Drain();
    EXPECT_EQ(nestedEnumerations, 0u);
    // The nested message and the one that ran the change both reached the procedure.
    EXPECT_EQ(DefaultProcMessages(),
              (std::vector<std::uint64_t>{WM_DEVICECHANGE, WM_DEVICECHANGE}));
    EXPECT_FALSE(controller.InDeviceChange());
    pt::ResetCallLog();
}

} // namespace
