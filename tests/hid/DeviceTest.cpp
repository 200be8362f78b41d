// The device object: construction, handles, queries, buffers and writes.
#include "HidTestSupport.h"

#include "tests/platform/SilentDevice.h"

using namespace hid;
using namespace hidtest;
namespace pt = platform::test;

namespace {

class DeviceTest : public HidFixture {
protected:
    void TearDown() override {
        for (THidDevice* device : out_)
            delete device;
        out_.clear();
        controller_.reset();
        HidFixture::TearDown();
    }

    // A controller that has run its first change.
    THidDeviceController& Controller() {
        if (!controller_) {
            controller_ = std::make_unique<THidDeviceController>();
            Drain();
        }
        return *controller_;
    }
    THidDevice* CheckOut() {
        THidDevice* device = nullptr;
        EXPECT_TRUE(Controller().CheckOut(device));
        if (device)
            out_.push_back(device);
        return device;
    }
    void CheckIn(THidDevice* device) {
        out_.erase(std::remove(out_.begin(), out_.end(), device), out_.end());
        delete device;
    }

    std::unique_ptr<THidDeviceController> controller_;
    std::vector<THidDevice*> out_;
};

} // namespace

TEST_F(DeviceTest, ConstructionFailuresRaiseAndFreeTheInformation) {
    struct Case {
        const char* name;
        sim::OpenMode mode;
        bool attributesFail;
        const char* message;
    } cases[] = {
        {"not at all", sim::OpenMode::None, false, "device cannot be opened"},
        {"no attributes", sim::OpenMode::ReadWrite, true, "device cannot be identified"},
    };
    Controller();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::VirtualBus::Instance().Reset();
        auto info = DeviceInfo();
        info.openMode = c.mode;
        info.attributesFail = c.attributesFail;
        Plug(info);
        auto pnp = MakePnPInfo();
        ASSERT_TRUE(pnp);
        const std::size_t handles = pt::OpenHandleCount();
        try {
            THidDevice device(std::move(pnp), &Controller());
            ADD_FAILURE() << "constructed";
        } catch (const EControllerError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(pt::OpenHandleCount(), handles); // nothing left open
        Drain();
    }
}

TEST_F(DeviceTest, IdentifiesOnceAndHoldsNoHandle) {
    auto info = DeviceInfo(0x0925, 0x1299);
    info.versionNumber = 0x0301;
    Plug(info);
    THidDeviceController& c = Controller();
    ASSERT_EQ(c.Count(), 1);
    THidDevice* device = c.Device(0);
    EXPECT_EQ(device->Attributes().Size, 12u);
    EXPECT_EQ(device->Attributes().VendorID, 0x0925);
    EXPECT_EQ(device->Attributes().ProductID, 0x1299);
    EXPECT_EQ(device->Attributes().VersionNumber, 0x0301);
    EXPECT_TRUE(device->HasReadWriteAccess());
    EXPECT_EQ(device->SyncHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(device->ReadHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(device->ThreadSleepTime(), 100);
    EXPECT_FALSE(device->CheckedOut());
    EXPECT_TRUE(device->PluggedIn());
}

TEST_F(DeviceTest, QueriesOnAnInaccessibleDeviceCacheNothing) {
    Plug();
    THidDeviceController& c = Controller();
    THidDevice* listed = c.Device(0);
    pt::ResetCallCounts();
    EXPECT_EQ(listed->GetProductName(), u"");
    EXPECT_EQ(listed->GetSerialNumber(), u"");
    EXPECT_EQ(listed->GetPreparsedData(), nullptr);
    HIDP_CAPS caps;
    listed->GetCaps(caps);
    EXPECT_EQ(caps.InputReportByteLength, 0);
    DWORD written = 77;
    const std::uint8_t report[2] = {0, 1};
    EXPECT_FALSE(listed->SyncWrite(report, 2, written));
    EXPECT_EQ(written, 77u);
    EXPECT_FALSE(listed->OpenOverlappedHandle());
    EXPECT_EQ(pt::CallCount("CreateFileA"), 0u);

    // Once lent out, the same object answers (nothing stale was cached).
    THidDevice* device = CheckOut();
    ASSERT_EQ(device, listed);
    EXPECT_EQ(device->GetProductName(), u"Kelvane");
    EXPECT_EQ(device->GetSerialNumber(), u"SN-0001");
    device->GetCaps(caps);
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 65);
    // The queries close the handle they opened.
    EXPECT_EQ(device->SyncHandle(), INVALID_HANDLE_VALUE);
}

TEST_F(DeviceTest, QueryOnlyDeviceAnswersButNeverReadsOrWrites) {
    auto device = Plug(DeviceInfo(0x0925, 0x1299, sim::OpenMode::QueryOnly));
    THidDeviceController& c = Controller();
    ASSERT_EQ(c.Count(), 1);
    TReportLog reports;
    c.SetOnDeviceData(reports.Handler());
    THidDevice* dev = CheckOut();
    ASSERT_NE(dev, nullptr);
    EXPECT_FALSE(dev->HasReadWriteAccess());
    EXPECT_EQ(dev->ReadThread(), nullptr);
    dev->SetDataEvent(reports.Handler());
    EXPECT_EQ(dev->ReadThread(), nullptr);
    EXPECT_EQ(dev->GetProductName(), u"Kelvane");
    DWORD written = 0;
    std::uint8_t report[65] = {};
    EXPECT_FALSE(dev->SyncWrite(report, sizeof report, written));
    EXPECT_TRUE(device->Written().empty());
}

TEST_F(DeviceTest, SyncWriteHandsTheReportToTheDevice) {
    auto model = Plug();
    THidDevice* device = (Controller(), CheckOut());
    ASSERT_NE(device, nullptr);
    std::uint8_t report[65] = {0, 0, 0x08, 0x01};
    DWORD written = 0;
    ASSERT_TRUE(device->SyncWrite(report, sizeof report, written));
    EXPECT_EQ(written, 65u);
    ASSERT_EQ(model->Written().size(), 1u);
    EXPECT_EQ(model->Written()[0], std::vector<std::uint8_t>(report, report + 65));
    EXPECT_NE(device->SyncHandle(), INVALID_HANDLE_VALUE); // a write leaves it open

    sim::VirtualBus::Instance().Unplug(model);
    EXPECT_FALSE(device->SyncWrite(report, sizeof report, written));
}

// However the device has gone (its removal seen by the controller, or not yet, with the
// handle open or closed), the write fails as not connected, not with what an earlier call
// left in the last error.
TEST_F(DeviceTest, WriteToADeviceThatHasGoneIsNotConnected) {
    enum class Gone { Noticed, NotNoticedHandleClosed, NotNoticedHandleOpen };
    for (Gone gone : {Gone::Noticed, Gone::NotNoticedHandleClosed, Gone::NotNoticedHandleOpen}) {
        SCOPED_TRACE(static_cast<int>(gone));
        auto model = Plug();
        Controller().DeviceChange();
        THidDevice* device = CheckOut();
        ASSERT_NE(device, nullptr);
        std::uint8_t report[65] = {};
        DWORD written = 0;
        if (gone == Gone::NotNoticedHandleOpen) {
            ASSERT_TRUE(device->SyncWrite(report, sizeof report, written));
        }
        Unplug(model);
        if (gone == Gone::Noticed) {
            Drain(); // the removal pass unplugs it; the enumeration ends with "no more items"
            ASSERT_FALSE(device->PluggedIn());
            ASSERT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_ITEMS));
        } else {
            SetLastError(ERROR_NO_MORE_ITEMS);
        }
        EXPECT_FALSE(device->SyncWrite(report, sizeof report, written));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
        CheckIn(device);
        Drain();
    }
}

// A write still in flight when the device is given back: the check-in goes on at once, and
// the report reaches the device once it takes reports again.
TEST_F(DeviceTest, DeviceFreedWhileAWriteIsInFlight) {
    auto model = Plug();
    THidDevice* device = (Controller(), CheckOut());
    ASSERT_NE(device, nullptr);
    std::uint8_t report[65] = {0, 0, 0x08, 0x02};
    DWORD written = 0;
    silent::SilentFor silence(model);
    EXPECT_FALSE(device->SyncWrite(report, sizeof report, written));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    ASSERT_TRUE(silent::Eventually([&] { return model->WaitingWrites() == 1; }));
    CheckIn(device);
    ASSERT_EQ(Controller().Count(), 1); // a fresh object in its place
    silence.End();
    ASSERT_TRUE(silent::Eventually([&] { return model->Written().size() == 1; }));
    EXPECT_EQ(model->Written()[0], std::vector<std::uint8_t>(report, report + 65));
    EXPECT_FALSE(silence.Hung());
    device = CheckOut();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->SyncWrite(report, sizeof report, written));
    EXPECT_EQ(model->Written().size(), 2u);
}

TEST_F(DeviceTest, ThreadSleepTimeBounds) {
    Plug();
    THidDevice* device = Controller().Device(0);
    struct Case {
        std::int32_t value;
        std::int32_t expected;
    } cases[] = {{9, 100}, {10, 10}, {10001, 10}, {10000, 10000}, {-5, 10000}, {0, 10000}};
    for (const auto& c : cases) {
        device->SetThreadSleepTime(c.value);
        EXPECT_EQ(device->ThreadSleepTime(), c.expected) << c.value;
    }
}

TEST_F(DeviceTest, InputBufferCountIsCachedPerHandle) {
    Plug();
    THidDevice* device = (Controller(), CheckOut());
    ASSERT_NE(device, nullptr);
    device->SetNumInputBuffers(128);
    EXPECT_EQ(device->NumInputBuffers(), 128u);
    pt::ResetCallCounts();
    device->SetNumInputBuffers(128);
    EXPECT_EQ(pt::CallCount("HidD_SetNumInputBuffers"), 0u);
    EXPECT_EQ(pt::CallCount("CreateFileA"), 0u);

    device->GetProductName(); // closes the handle and forgets its count
    EXPECT_EQ(device->NumInputBuffers(), 0u);
    device->SetNumInputBuffers(128);
    EXPECT_EQ(pt::CallCount("HidD_SetNumInputBuffers"), 1u);
    EXPECT_EQ(device->NumInputBuffers(), 128u);

    device->SetNumOverlappedBuffers(128);
    EXPECT_EQ(device->NumOverlappedBuffers(), 128u);
    EXPECT_NE(device->ReadHandle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(pt::CallCount("HidD_SetNumInputBuffers"), 2u);
    device->SetNumOverlappedBuffers(128);
    EXPECT_EQ(pt::CallCount("HidD_SetNumInputBuffers"), 2u);
}

TEST_F(DeviceTest, ProductStringIsCutAt254Characters) {
    struct Case {
        std::u16string product;
        std::u16string expected;
    } cases[] = {
        {u"Kelvane", u"Kelvane"},
        {std::u16string(254, u'k'), std::u16string(254, u'k')},
        {std::u16string(300, u'k'), std::u16string(254, u'k')},
    };
    for (const auto& c : cases) {
        sim::VirtualBus::Instance().Reset();
        controller_.reset();
        auto info = DeviceInfo();
        info.productString = c.product;
        Plug(info);
        THidDevice* device = CheckOut();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->GetProductName(), c.expected) << c.product.size();
        CheckIn(device);
    }
}

TEST_F(DeviceTest, SerialNumberThatRepeatsTheLanguageListIsRejected) {
    struct Case {
        const char* name;
        std::u16string serial;
        std::vector<std::uint16_t> languages;
        std::u16string expected;
    } cases[] = {
        {"ordinary", u"SN-0001", {0x0409}, u"SN-0001"},
        {"equals the list", std::u16string(1, char16_t{0x0409}), {0x0409}, u""},
        {"equals a two-word list",
         std::u16string{char16_t{0x0409}, char16_t{0x0419}},
         {0x0409, 0x0419},
         u""},
        {"starts with the list", std::u16string{char16_t{0x0409}, u'X'}, {0x0409}, u""},
        {"no language words", u"SN-0001", {}, u""},
        {"no serial", u"", {0x0409}, u""},
        {"longest", std::u16string(254, u's'), {0x0409}, std::u16string(254, u's')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::VirtualBus::Instance().Reset();
        controller_.reset();
        auto info = DeviceInfo();
        info.serialNumber = c.serial;
        info.stringDescriptor0 = c.languages;
        Plug(info);
        THidDevice* device = CheckOut();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->GetSerialNumber(), c.expected);
        pt::ResetCallCounts();
        device->GetSerialNumber();
        // Kept serial numbers are cached; rejected ones are asked for again.
        EXPECT_EQ(pt::CallCount("HidD_GetSerialNumberString"), c.expected.empty() ? 1u : 0u);
        EXPECT_EQ(device->SyncHandle(), INVALID_HANDLE_VALUE);
        CheckIn(device);
    }
}

TEST_F(DeviceTest, PreparsedDataIsFetchedOnceAndFreed) {
    Plug();
    THidDevice* device = (Controller(), CheckOut());
    ASSERT_NE(device, nullptr);
    pt::ResetCallCounts();
    PHIDP_PREPARSED_DATA data = device->GetPreparsedData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(device->GetPreparsedData(), data);
    EXPECT_EQ(pt::CallCount("HidD_GetPreparsedData"), 1u);
    CheckIn(device);
    EXPECT_EQ(pt::CallCount("HidD_FreePreparsedData"), 1u);
}

TEST_F(DeviceTest, UnplugClosesHandlesAndCallsTheHandlerOnce) {
    Plug();
    THidDeviceController& c = Controller();
    TEventLog log;
    c.SetOnDeviceUnplug(THidPlugEvent::Of<&TEventLog::Unplugged>(&log));
    // Devices built before the setter took the handler from it.
    EXPECT_TRUE(c.Device(0)->UnplugHandler());
    THidDevice* device = CheckOut();
    ASSERT_NE(device, nullptr);
    device->SetNumInputBuffers(16);
    device->SetNumOverlappedBuffers(16);
    const std::size_t handles = pt::OpenHandleCount();
    device->HandleUnplug();
    EXPECT_EQ(pt::OpenHandleCount(), handles - 2);
    EXPECT_FALSE(device->PluggedIn());
    EXPECT_FALSE(device->IsAccessible());
    device->HandleUnplug();
    EXPECT_EQ(log.Events, std::vector<std::string>{"unplug"});
    EXPECT_EQ(device->GetProductName(), u"");
}
