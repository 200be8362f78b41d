// The device controller: enumeration on device changes, events, check-out and check-in,
// setters and destruction.
#include "HidTestSupport.h"

using namespace hid;
using namespace hidtest;
namespace pt = platform::test;

namespace {

using Events = std::vector<std::string>;

class ControllerTest : public HidFixture {
public:
    void SetUp() override {
        HidFixture::SetUp();
        controller_ = std::make_unique<THidDeviceController>();
        log_.Attach(*controller_);
        controller_->SetOnDeviceChange(TNotifyEvent::Of<&TEventLog::Changed>(&log_));
        log_.Clear();
    }
    void TearDown() override {
        for (THidDevice* device : out_)
            delete device;
        out_.clear();
        controller_.reset();
        HidFixture::TearDown();
    }

    THidDeviceController& C() { return *controller_; }
    THidDevice* CheckOut() {
        THidDevice* device = nullptr;
        if (C().CheckOut(device))
            out_.push_back(device);
        return device;
    }
    void CheckIn(THidDevice* device) {
        out_.erase(std::remove(out_.begin(), out_.end(), device), out_.end());
        delete device;
    }
    // Sends the controller's window a device change, as the platform's broadcast does.
    void Broadcast() {
        ::PostMessageA(C().WindowHandle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        Drain();
    }

    std::unique_ptr<THidDeviceController> controller_;
    TEventLog log_;
    std::vector<THidDevice*> out_;
};

} // namespace

TEST_F(ControllerTest, FirstChangeWithoutDevicesFiresDeviceChangeOnce) {
    Drain();
    EXPECT_EQ(log_.Events, Events{"change"});
    log_.Clear();
    Broadcast();
    EXPECT_TRUE(log_.Events.empty());
    // A change in which nothing can be added fires nothing either.
    Plug(DeviceInfo(0x0925, 0x1299, sim::OpenMode::None));
    Drain();
    EXPECT_TRUE(log_.Events.empty());
    EXPECT_EQ(C().Count(), 0);
}

TEST_F(ControllerTest, ArrivalSeesTheDeviceListedAndAccessible) {
    Plug();
    Drain();
    EXPECT_EQ(log_.Events, (Events{"arrival", "change"}));
    ASSERT_EQ(C().Count(), 1);
    EXPECT_EQ(log_.Arrived, std::vector<THidDevice*>{C().Device(0)});
    EXPECT_EQ(log_.CountSeen, std::vector<std::int32_t>{1});
    EXPECT_EQ(log_.InCallbackSeen, std::vector<bool>{true});
    EXPECT_EQ(log_.Products, std::vector<std::u16string>{u"Kelvane"});
    EXPECT_FALSE(C().Device(0)->InCallback());
    EXPECT_FALSE(C().Device(0)->CheckedOut());
    EXPECT_FALSE(C().Device(0)->IsAccessible());
    EXPECT_EQ(C().Device(0)->GetProductName(), u"Kelvane"); // read in the arrival, cached
}

TEST_F(ControllerTest, TwoInterfacesArriveInEnumerationOrder) {
    Drain();
    log_.Clear();
    auto first = Plug(DeviceInfo(0x0925, 0x1299));
    auto second = Plug(DeviceInfo(0x1111, 0x2222));
    Drain(); // two broadcasts: the first change finds both, the second nothing new
    EXPECT_EQ(log_.Events, (Events{"arrival", "arrival", "change"}));
    ASSERT_EQ(log_.Arrived.size(), 2u);
    EXPECT_EQ(log_.Arrived[0]->Attributes().VendorID, 0x0925);
    EXPECT_EQ(log_.Arrived[1]->Attributes().VendorID, 0x1111);
    EXPECT_EQ(log_.CountSeen, (std::vector<std::int32_t>{1, 2}));
}

TEST_F(ControllerTest, UnpluggingACheckedInDeviceRemovesItOnce) {
    C().SetOnDeviceUnplug(THidPlugEvent::Of<&TEventLog::Unplugged>(&log_));
    auto model = Plug();
    Drain();
    ASSERT_EQ(C().Count(), 1);
    log_.Clear();
    Unplug(model);
    Drain();
    EXPECT_EQ(log_.Events, (Events{"unplug", "removal", "change"}));
    EXPECT_EQ(log_.InCallbackSeen, std::vector<bool>{true});
    EXPECT_EQ(C().Count(), 0);
    log_.Clear();
    Broadcast();
    EXPECT_TRUE(log_.Events.empty());
}

TEST_F(ControllerTest, CheckedOutDeviceIsRemovedAtEveryChangeUntilCheckedIn) {
    C().SetOnDeviceUnplug(THidPlugEvent::Of<&TEventLog::Unplugged>(&log_));
    auto model = Plug();
    Drain();
    THidDevice* device = CheckOut();
    ASSERT_NE(device, nullptr);
    log_.Clear();
    Unplug(model);
    Drain();
    EXPECT_EQ(log_.Events, (Events{"unplug", "removal", "change"}));
    ASSERT_EQ(C().Count(), 1);
    EXPECT_EQ(C().Device(0), device);
    EXPECT_FALSE(device->PluggedIn());
    for (int i = 0; i < 2; ++i) {
        log_.Clear();
        Broadcast();
        EXPECT_EQ(log_.Events, (Events{"removal", "change"})); // the unplug handler ran once
    }
    CheckIn(device);
    EXPECT_EQ(C().Count(), 0);
    log_.Clear();
    Broadcast();
    EXPECT_TRUE(log_.Events.empty());
}

TEST_F(ControllerTest, ReplugWhileTheOldEntryIsListedAddsASecondEntry) {
    auto model = Plug();
    Drain();
    THidDevice* old = CheckOut();
    ASSERT_NE(old, nullptr);
    Unplug(model);
    Drain();
    log_.Clear();
    sim::VirtualBus::Instance().Plug(model);
    Drain();
    EXPECT_EQ(log_.Events, (Events{"removal", "arrival", "change"}));
    ASSERT_EQ(C().Count(), 2);
    EXPECT_EQ(C().Device(0), old);
    EXPECT_EQ(C().Device(1)->PnPInfo()->DeviceInstance, old->PnPInfo()->DeviceInstance);
    EXPECT_TRUE(C().Device(1)->PluggedIn());
}

TEST_F(ControllerTest, CheckInReplacesTheObjectWithItsHandlersAndWaitTime) {
    TReportLog reports, other;
    C().SetOnDeviceData(reports.Handler());
    C().SetOnDeviceUnplug(THidPlugEvent::Of<&TEventLog::Unplugged>(&log_));
    Plug(DeviceInfo(0x0925, 0x1299));
    Plug(DeviceInfo(0x1111, 0x2222));
    Drain();
    ASSERT_EQ(C().Count(), 2);
    THidDevice* device = nullptr;
    ASSERT_TRUE(C().CheckOutByIndex(device, 1));
    out_.push_back(device);
    EXPECT_NE(device->ReadThread(), nullptr);
    device->SetThreadSleepTime(250);
    device->SetDataEvent(THidDataEvent::Of<&TReportLog::Other>(&other));
    const DWORD instance = device->PnPInfo()->DeviceInstance;

    CheckIn(device);
    ASSERT_EQ(C().Count(), 2);
    THidDevice* fresh = C().Device(1);
    EXPECT_NE(fresh, device);
    EXPECT_FALSE(fresh->CheckedOut());
    EXPECT_EQ(fresh->ReadThread(), nullptr);
    EXPECT_EQ(fresh->PnPInfo()->DeviceInstance, instance);
    EXPECT_TRUE(fresh->DataHandler().SameCode(THidDataEvent::Of<&TReportLog::Other>(&other)));
    EXPECT_TRUE(fresh->UnplugHandler());
    EXPECT_EQ(fresh->ThreadSleepTime(), 250);
    EXPECT_EQ(fresh->Attributes().VendorID, 0x1111);

    // Lent out again, it reads with the handler it kept.
    THidDevice* again = nullptr;
    ASSERT_TRUE(C().CheckOutByIndex(again, 1));
    out_.push_back(again);
    EXPECT_EQ(again, fresh);
    EXPECT_NE(again->ReadThread(), nullptr);
}

TEST_F(ControllerTest, CheckInOfAGoneDeviceRemovesItsEntry) {
    auto model = Plug();
    Drain();
    THidDevice* device = CheckOut();
    ASSERT_NE(device, nullptr);
    Unplug(model);
    Drain();
    ASSERT_EQ(C().Count(), 1);
    CheckIn(device);
    EXPECT_EQ(C().Count(), 0);
}

// The interface still counts as plugged in but no longer opens: the entry goes rather than
// keep the object being destroyed.
TEST_F(ControllerTest, CheckInWhoseReplacementFailsRemovesTheEntry) {
    auto model = Plug();
    Drain();
    THidDevice* device = CheckOut();
    ASSERT_NE(device, nullptr);
    model->MutableInfo().openMode = sim::OpenMode::None;
    CheckIn(device);
    EXPECT_EQ(C().Count(), 0);
    log_.Clear();
    Broadcast();
    EXPECT_TRUE(log_.Events.empty());
}

TEST_F(ControllerTest, CheckOutRules) {
    Plug(DeviceInfo(0x0925, 0x1299));
    Plug(DeviceInfo(0x1111, 0x2222));
    Drain();
    ASSERT_EQ(C().Count(), 2);
    THidDevice* sentinel = reinterpret_cast<THidDevice*>(0x1);
    for (std::int32_t index : {-1, 2}) {
        THidDevice* device = sentinel;
        EXPECT_FALSE(C().CheckOutByIndex(device, index)) << index;
        EXPECT_EQ(device, nullptr);
    }
    THidDevice* a = CheckOut();
    THidDevice* b = CheckOut();
    EXPECT_EQ(a, C().Device(0));
    EXPECT_EQ(b, C().Device(1));
    EXPECT_TRUE(a->CheckedOut());
    THidDevice* none = sentinel;
    EXPECT_FALSE(C().CheckOut(none));
    EXPECT_EQ(none, nullptr);
    none = sentinel;
    EXPECT_FALSE(C().CheckOutByIndex(none, 0));
    EXPECT_EQ(none, nullptr);
    THidDevice* kept = sentinel;
    EXPECT_FALSE(C().CheckOutAt(0, true, kept));
    EXPECT_EQ(kept, sentinel); // left unchanged on failure
    CheckIn(a);
    THidDevice* c = CheckOut();
    EXPECT_EQ(c, C().Device(0));
}

TEST_F(ControllerTest, DevThreadSleepTimeRetimesOnlyDevicesAtTheOldValue) {
    Plug(DeviceInfo(0x0925, 0x1299));
    Plug(DeviceInfo(0x1111, 0x2222));
    Drain();
    C().Device(1)->SetThreadSleepTime(500);
    C().SetDevThreadSleepTime(5);
    EXPECT_EQ(C().DevThreadSleepTime(), 5);
    EXPECT_EQ(C().Device(0)->ThreadSleepTime(), 100); // below 10 is refused
    EXPECT_EQ(C().Device(1)->ThreadSleepTime(), 500);
    C().SetDevThreadSleepTime(100);
    C().SetDevThreadSleepTime(40);
    EXPECT_EQ(C().Device(0)->ThreadSleepTime(), 40);
    EXPECT_EQ(C().Device(1)->ThreadSleepTime(), 500);
}

TEST_F(ControllerTest, SettersCompareTheCodeOnly) {
    Plug();
    Drain();
    TEventLog other;
    pt::ResetCallCounts();
    C().SetOnDeviceChange(TNotifyEvent::Of<&TEventLog::Changed>(&other));
    EXPECT_EQ(pt::CallCount("SetupDiGetClassDevsA"), 0u); // same code: nothing runs
    C().SetOnDeviceChange(TNotifyEvent());
    EXPECT_EQ(pt::CallCount("SetupDiGetClassDevsA"), 1u); // a new code runs a change

    TReportLog a, b;
    C().SetOnDeviceData(a.Handler());
    EXPECT_TRUE(C().Device(0)->DataHandler().SameCode(a.Handler()));
    C().Device(0)->SetDataEvent(THidDataEvent::Of<&TReportLog::Other>(&a));
    C().SetOnDeviceData(b.Handler()); // same code as the controller's: not passed on
    EXPECT_EQ(C().OnDeviceData().object(), &a);
    C().SetOnDeviceData(THidDataEvent());
    EXPECT_TRUE(C().Device(0)->DataHandler()); // its own handler stays

    C().SetOnDeviceDataError(a.ErrorHandler());
    EXPECT_EQ(C().Device(0)->DataErrorHandler().object(), &a);
    C().SetOnDeviceDataError(b.ErrorHandler());
    EXPECT_EQ(C().Device(0)->DataErrorHandler().object(), &a);
}

TEST_F(ControllerTest, DeviceChangeFlagIsClearedWhenAHandlerRaises) {
    struct Raising {
        void Arrival(THidDevice*) { throw rt::Exception("arrival failed"); }
    } raising;
    C().OnArrival = THidPlugEvent::Of<&Raising::Arrival>(&raising);
    Plug();
    TMessage message{WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, 0};
    EXPECT_THROW(C().DeviceMessageHandler(message), rt::Exception);
    EXPECT_FALSE(C().InDeviceChange());
    ASSERT_EQ(C().Count(), 1);
    EXPECT_FALSE(C().Device(0)->InCallback());
    log_.Attach(C());
    log_.Clear();
    Plug(DeviceInfo(0x1111, 0x2222));
    C().DeviceMessageHandler(message);
    EXPECT_EQ(log_.Events, (Events{"arrival", "change"}));
    Drain();
}

TEST_F(ControllerTest, BroadcastDuringAChangeThatRaisesIsNotLost) {
    struct Raising {
        bool raised = false;
        void Arrival(THidDevice*) {
            if (raised)
                return;
            raised = true;
            sim::VirtualBus::Instance().Plug(
                std::make_shared<sim::RecordingDevice>(DeviceInfo(0x1111, 0x2222)));
            Drain();
            throw rt::Exception("arrival failed");
        }
    } raising;
    C().OnArrival = THidPlugEvent::Of<&Raising::Arrival>(&raising);
    Plug();
    EXPECT_THROW(Drain(), rt::Exception);
    EXPECT_FALSE(C().InDeviceChange());
    Drain();
    EXPECT_EQ(C().Count(), 2);
}

// A broadcast that comes while a change runs (a handler let messages run) does not re-enter
// the change and is not lost: the change runs once more when the current one ends.
TEST_F(ControllerTest, BroadcastDuringAChangeRunsTheChangeAgainAfterIt) {
    struct Nested {
        std::shared_ptr<sim::RecordingDevice> second{};
        unsigned nestedEnumerations = 0;
        void Arrival(THidDevice*) {
            if (second)
                return;
            second = std::make_shared<sim::RecordingDevice>(DeviceInfo(0x1111, 0x2222));
            sim::VirtualBus::Instance().Plug(second);
            const unsigned before = pt::CallCount("SetupDiGetClassDevsA");
            Drain();
            nestedEnumerations += pt::CallCount("SetupDiGetClassDevsA") - before;
        }
    } nested;
    C().OnArrival = THidPlugEvent::Of<&Nested::Arrival>(&nested);
    Plug();
    Drain();
    EXPECT_EQ(nested.nestedEnumerations, 0u);
    ASSERT_EQ(C().Count(), 2);
    EXPECT_EQ(C().Device(1)->Attributes().VendorID, 0x1111);
    EXPECT_EQ(log_.Events, (Events{"change", "change"}));
    EXPECT_FALSE(C().InDeviceChange());

    TMessage query{WM_QUERYENDSESSION, 0, 0, 0};
    C().DeviceMessageHandler(query);
    EXPECT_EQ(query.Result, 1);
    TMessage other{WM_USER, 0, 0, 5};
    C().DeviceMessageHandler(other);
    EXPECT_EQ(other.Result, 0);
}

// Freeing a lent device stops its read thread. That wait serves only the thread's hand-overs:
// a device change queued meanwhile runs afterwards, from the loop, and never on a device
// that is being freed.
TEST_F(ControllerTest, ChangeQueuedWhileALentDeviceIsFreedWaitsForTheLoop) {
    // Frees all it holds on every arrival and takes every device again, as the window does.
    struct Holder {
        THidDeviceController* c;
        std::vector<THidDevice*> held{};
        int arrivals = 0;
        void FreeAll() {
            for (THidDevice*& device : held) {
                delete device;
                device = nullptr;
            }
            held.clear();
        }
        void Arrival(THidDevice*) {
            ++arrivals;
            FreeAll();
            THidDevice* device = nullptr;
            while (c->CheckOut(device) && device) {
                held.push_back(device);
                device = nullptr;
            }
        }
    } holder{&C()};
    TReportLog reports;
    C().OnArrival = THidPlugEvent::Of<&Holder::Arrival>(&holder);
    C().SetOnDeviceData(reports.Handler());
    Plug();
    Drain();
    ASSERT_EQ(holder.held.size(), 1u);
    ASSERT_NE(holder.held[0]->ReadThread(), nullptr);

    Plug(DeviceInfo(0x1111, 0x2222)); // its broadcast is queued
    holder.FreeAll();
    EXPECT_EQ(holder.arrivals, 1);
    Drain();
    EXPECT_EQ(holder.arrivals, 2);
    EXPECT_EQ(holder.held.size(), 2u);
    holder.FreeAll();
}

TEST_F(ControllerTest, InterfacesThatFailToOpenAreTriedAgain) {
    auto model = Plug(DeviceInfo(0x0925, 0x1299, sim::OpenMode::None));
    Drain();
    EXPECT_EQ(C().Count(), 0);
    model->MutableInfo().openMode = sim::OpenMode::ReadWrite;
    log_.Clear();
    Broadcast();
    EXPECT_EQ(log_.Events, (Events{"arrival", "change"}));
    EXPECT_EQ(C().Count(), 1);
}

// An interface left out leaves one line on standard error with its path and the reason, at
// every change that leaves it out.
TEST_F(ControllerTest, InterfacesLeftOutAreToldOnStandardError) {
    testing::internal::CaptureStderr();
    auto model = Plug(DeviceInfo(0x0925, 0x1299, sim::OpenMode::None));
    Drain();
    Broadcast();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(C().Count(), 0);
    const std::string line =
        "coldpoint: " + model->Path() + " left out: " + hid::RsDeviceCannotBeOpened + " (error ";
    const std::size_t first = err.find(line);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_NE(err.find(line, first + 1), std::string::npos) << err;

    model->MutableInfo().openMode = sim::OpenMode::ReadWrite;
    testing::internal::CaptureStderr();
    Broadcast();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(C().Count(), 1);
}

// Freeing a device in the handler of its own removal, or another device in an arrival, leaves
// the list consistent.
TEST_F(ControllerTest, HandlersMayCheckDevicesIn) {
    struct Owner {
        ControllerTest* test;
        void Removal(THidDevice* HidDev) {
            if (HidDev->CheckedOut())
                test->CheckIn(HidDev);
        }
        void Arrival(THidDevice*) {
            while (!test->out_.empty())
                test->CheckIn(test->out_.back());
            while (test->CheckOut() != nullptr) {}
        }
    } owner{this};
    C().OnRemoval = THidPlugEvent::Of<&Owner::Removal>(&owner);
    C().OnArrival = THidPlugEvent::Of<&Owner::Arrival>(&owner);
    auto a = Plug(DeviceInfo(0x0925, 0x1299));
    auto b = Plug(DeviceInfo(0x1111, 0x2222));
    Drain();
    ASSERT_EQ(C().Count(), 2);
    EXPECT_EQ(out_.size(), 2u);
    Unplug(a);
    Drain();
    ASSERT_EQ(C().Count(), 1);
    EXPECT_EQ(C().Device(0)->Attributes().VendorID, 0x1111);
    EXPECT_EQ(out_.size(), 1u);
}

TEST_F(ControllerTest, DestructionStopsLentDevicesAndReleasesTheBindings) {
    TReportLog reports;
    C().SetOnDeviceData(reports.Handler());
    C().SetOnDeviceUnplug(THidPlugEvent::Of<&TEventLog::Unplugged>(&log_));
    auto model = Plug();
    Plug(DeviceInfo(0x1111, 0x2222));
    Drain();
    THidDevice* device = CheckOut();
    ASSERT_NE(device, nullptr);
    ASSERT_NE(device->ReadThread(), nullptr);
    log_.Clear();
    const std::size_t windows = pt::UtilityWindowCount();

    controller_.reset();
    EXPECT_EQ(pt::UtilityWindowCount(), windows - 1);
    EXPECT_EQ(SetupApiRefCount, 0);
    EXPECT_FALSE(IsHidBound());
    EXPECT_EQ(log_.Events, Events{"unplug"});
    EXPECT_EQ(device->Controller(), nullptr);
    EXPECT_EQ(device->ReadThread(), nullptr);
    EXPECT_FALSE(device->PluggedIn());
    // The lent object stays usable for what needs no binding, and frees cleanly.
    HIDP_CAPS caps;
    device->GetCaps(caps);
    EXPECT_EQ(caps.InputReportByteLength, 0);
    device->SetDataEvent(reports.Handler());
    EXPECT_EQ(device->ReadThread(), nullptr);
    model->SendInputReport({1, 2, 3});
    Drain();
    EXPECT_TRUE(reports.Reports.empty());
}

TEST_F(HidFixture, ControllerDestroyedBeforeItsFirstMessage) {
    Plug();
    {
        THidDeviceController controller;
        EXPECT_NE(controller.WindowHandle(), 0);
        EXPECT_TRUE(IsHidBound());
    }
    Drain(); // the posted message finds no window
    EXPECT_FALSE(IsHidBound());
    EXPECT_EQ(SetupApiRefCount, 0);
}
