// The report read thread on the virtual bus: hand-over to the main thread, stopping,
// unplugging and failing handlers.
#include "HidTestSupport.h"

#include <atomic>
#include <thread>

using namespace hid;
using namespace hidtest;
namespace pt = platform::test;

namespace {

class ReadThreadTest : public HidFixture {
protected:
    void SetUp() override {
        HidFixture::SetUp();
        controller_ = std::make_unique<THidDeviceController>();
    }
    void TearDown() override {
        delete device_;
        device_ = nullptr;
        controller_.reset();
        HidFixture::TearDown();
    }

    // Plugs a device and lends it out with the data handler set: its read thread runs.
    std::shared_ptr<sim::RecordingDevice> Start(sim::VirtualDeviceInfo info = DeviceInfo()) {
        auto model = Plug(std::move(info));
        Drain();
        controller_->SetOnDeviceData(reports_.Handler());
        controller_->SetOnDeviceDataError(reports_.ErrorHandler());
        EXPECT_TRUE(controller_->CheckOut(device_));
        EXPECT_NE(device_->ReadThread(), nullptr);
        device_->SetThreadSleepTime(10);
        // The first read is pending once the read handle is open.
        EXPECT_TRUE(WaitUntil([&] { return pt::CallCount("ReadFileEx") > 0; }));
        return model;
    }

    std::unique_ptr<THidDeviceController> controller_;
    THidDevice* device_ = nullptr;
    TReportLog reports_;
};

} // namespace

TEST_F(ReadThreadTest, HandsOverReportIdAndPayload) {
    struct Case {
        std::uint16_t length;
        std::vector<std::uint8_t> sent;
    } cases[] = {
        {65, {0x00, 0x14, 0x01, 0x02, 0xFF}},
        {9, {0x07, 1, 2, 3, 4, 5, 6, 7, 8}},
        {1, {0x05}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        TearDown();
        SetUp();
        pt::ResetCallCounts();
        auto info = DeviceInfo();
        info.inputReportLength = c.length;
        auto model = Start(info);
        model->SendInputReport(c.sent);
        ASSERT_TRUE(WaitUntil([&] { return reports_.Reports.size() == 1; }));
        const auto& r = reports_.Reports[0];
        EXPECT_EQ(r.Device, device_);
        EXPECT_EQ(r.ReportID, c.sent[0]);
        EXPECT_EQ(r.Size, c.length - 1);
        std::vector<std::uint8_t> expected(c.sent.begin() + 1, c.sent.end());
        expected.resize(c.length - 1, 0);
        EXPECT_EQ(r.Data, expected);
        reports_.Reports.clear();
    }
}

TEST_F(ReadThreadTest, DeliversEveryReportInOrder) {
    auto model = Start();
    device_->SetNumOverlappedBuffers(128);
    for (std::uint8_t i = 0; i < 50; ++i)
        model->SendInputReport({0, i});
    ASSERT_TRUE(WaitUntil([&] { return reports_.Reports.size() == 50; }));
    for (std::uint8_t i = 0; i < 50; ++i) {
        EXPECT_EQ(reports_.Reports[i].Data[0], i);
        // One buffer for the thread's life: every report is handed over from the same place.
        EXPECT_EQ(reports_.Reports[i].DataPointer, reports_.Reports[0].DataPointer);
    }
}

TEST_F(ReadThreadTest, StoppingWhileAReadIsPendingCancelsIt) {
    Start();
    device_->SetThreadSleepTime(10);
    const unsigned cancels = pt::CallCount("CancelIo");
    device_->SetDataEvent(THidDataEvent());
    EXPECT_EQ(device_->ReadThread(), nullptr);
    EXPECT_EQ(pt::CallCount("CancelIo"), cancels + 1);
    EXPECT_TRUE(reports_.Reports.empty());
}

// A report that ends the wait after the stop was asked for: the read is complete, so there is
// nothing to cancel, and the report is not handed over.
TEST_F(ReadThreadTest, ReadCompletingDuringTheStopIsNeitherHandedOverNorCancelled) {
    auto model = Start();
    pt::StartCallLog();
    device_->SetThreadSleepTime(10000);
    // Once the thread waits with the long time, only a report ends its wait.
    const bool waiting = WaitUntil([] {
        for (const auto& call : pt::CallLog())
            if (call.routine == "SleepEx" && call.argument == 10000)
                return true;
        return false;
    });
    pt::StopCallLog();
    ASSERT_TRUE(waiting);
    const unsigned cancels = pt::CallCount("CancelIo");
    device_->ReadThread()->Stop();
    model->SendInputReport({0, 7});
    device_->SetDataEvent(THidDataEvent());
    EXPECT_EQ(device_->ReadThread(), nullptr);
    EXPECT_TRUE(reports_.Reports.empty());
    EXPECT_EQ(pt::CallCount("CancelIo"), cancels);
}

TEST_F(ReadThreadTest, ClearingTheHandlerWhileReportsArrive) {
    auto model = Start();
    device_->SetNumOverlappedBuffers(128);
    device_->SetThreadSleepTime(10);
    std::atomic<bool> sending{true};
    std::thread sender([&] {
        std::uint8_t n = 0;
        while (sending.load()) {
            model->SendInputReport({0, n++});
            std::this_thread::yield();
        }
    });
    const bool some = WaitUntil([&] { return reports_.Reports.size() >= 20; });
    device_->SetDataEvent(THidDataEvent());
    const std::size_t delivered = reports_.Reports.size();
    for (int i = 0; i < 5; ++i)
        rt::MainThread::WaitAndProcess(std::chrono::milliseconds(2));
    sending = false;
    sender.join();
    Drain();
    EXPECT_TRUE(some);
    EXPECT_EQ(device_->ReadThread(), nullptr);
    EXPECT_EQ(reports_.Reports.size(), delivered); // none after the stop
    for (const auto& r : reports_.Reports)
        EXPECT_EQ(r.Device, device_); // all reached the old handler
}

TEST_F(ReadThreadTest, UnplugDuringAPendingReadEndsItAndReportsFailedStarts) {
    auto model = Start();
    device_->SetThreadSleepTime(10);
    Unplug(model);
    Drain(); // the controller unplugs the lent device: its read handle closes
    EXPECT_FALSE(device_->PluggedIn());
    ASSERT_TRUE(WaitUntil([&] { return reports_.Errors.size() >= 2; }));
    EXPECT_NE(device_->ReadThread(), nullptr);
    EXPECT_TRUE(reports_.Reports.empty());
    delete device_; // check-in stops the thread and removes the entry
    device_ = nullptr;
    EXPECT_EQ(controller_->Count(), 0);
}

// Unplugged while its interface can still be opened: the thread, woken by the closed read
// handle, finds the device inaccessible and never opens the handle again.
TEST_F(ReadThreadTest, UnplugKeepsTheReadHandleClosed) {
    Start();
    pt::ResetCallCounts();
    device_->HandleUnplug();
    ASSERT_TRUE(WaitUntil([&] { return reports_.Errors.size() >= 3; }));
    EXPECT_EQ(pt::CallCount("CreateFileA"), 0u);
    EXPECT_EQ(device_->ReadHandle(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(reports_.Reports.empty());
}

// A read that cannot start is retried once per wait time, not in a tight loop.
TEST_F(ReadThreadTest, FailedStartsArePaced) {
    auto model = Start();
    device_->SetThreadSleepTime(10000);
    Unplug(model);
    Drain();
    ASSERT_TRUE(WaitUntil([&] { return reports_.Errors.size() >= 1; }));
    for (int i = 0; i < 10; ++i)
        rt::MainThread::WaitAndProcess(std::chrono::milliseconds(1));
    EXPECT_EQ(reports_.Errors.size(), 1u);
    // Stopping ends the pause at once.
    const auto before = std::chrono::steady_clock::now();
    device_->SetDataEvent(THidDataEvent());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
}

TEST_F(ReadThreadTest, ExceptionInTheHandlerEndsTheThread) {
    auto model = Start();
    device_->SetNumOverlappedBuffers(128);
    reports_.Throw = true;
    model->SendInputReport({0, 1});
    model->SendInputReport({0, 2});
    ASSERT_TRUE(WaitUntil([&] { return device_->ReadThread()->Finished(); }));
    Drain();
    EXPECT_EQ(reports_.Reports.size(), 1u);
    EXPECT_TRUE(device_->ReadThread()->FatalException());
    // The ended thread stays until it is stopped; a new one starts after that.
    device_->SetDataEvent(reports_.Handler());
    EXPECT_TRUE(device_->ReadThread()->Finished());
    reports_.Throw = false;
    device_->SetDataEvent(THidDataEvent());
    device_->SetDataEvent(reports_.Handler());
    ASSERT_NE(device_->ReadThread(), nullptr);
    EXPECT_FALSE(device_->ReadThread()->Finished());
}

TEST_F(ReadThreadTest, NewWaitTimeTakesEffectAtTheNextWait) {
    Start();
    pt::StartCallLog();
    device_->SetThreadSleepTime(20);
    const bool seen = WaitUntil([] {
        for (const auto& call : pt::CallLog())
            if (call.routine == "SleepEx" && call.argument == 20)
                return true;
        return false;
    });
    pt::StopCallLog();
    EXPECT_TRUE(seen);
}

// Failed read starts keep cycling (each attempt reads the capabilities and hands the error
// over); they reach the error handler while one is bound, and nothing once it is cleared.
TEST_F(ReadThreadTest, NoErrorHandlerDeliversNothing) {
    struct Case {
        const char* name;
        bool clearAgain;
    } cases[] = {{"bound", false}, {"bound, then cleared", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        reports_ = TReportLog();
        auto model = Plug();
        Drain();
        controller_->SetOnDeviceData(reports_.Handler());
        controller_->SetOnDeviceDataError(reports_.ErrorHandler());
        if (c.clearAgain)
            controller_->SetOnDeviceDataError(THidDataErrorEvent());
        ASSERT_TRUE(controller_->CheckOut(device_));
        device_->SetThreadSleepTime(10);
        Unplug(model);
        Drain();
        const unsigned attempts = pt::CallCount("HidP_GetCaps");
        EXPECT_TRUE(WaitUntil([&] { return pt::CallCount("HidP_GetCaps") >= attempts + 3; }));
        EXPECT_EQ(reports_.Errors.empty(), c.clearAgain);
        EXPECT_TRUE(reports_.Reports.empty());
    }
}

TEST_F(ReadThreadTest, ControllerDataHandlerStopsAndStartsThreads) {
    auto model = Start();
    controller_->SetOnDeviceData(THidDataEvent());
    EXPECT_EQ(device_->ReadThread(), nullptr);
    EXPECT_FALSE(device_->DataHandler());
    controller_->SetOnDeviceData(reports_.Handler());
    ASSERT_NE(device_->ReadThread(), nullptr);
    model->SendInputReport({0, 42});
    ASSERT_TRUE(WaitUntil([&] { return reports_.Reports.size() == 1; }));
    EXPECT_EQ(reports_.Reports[0].Data[0], 42);
}
