// Overlapped reads: the input queue of each read handle, completion routines run by the
// starting thread's alertable wait, and how reads end (report, cancel, close, unplug).
#include "PlatformFixture.h"

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace platform_test {
namespace {

class OverlappedReadTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        device_ = PlugDevice();
        handle_ = OpenRead(device_);
        ASSERT_NE(handle_, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        CloseHandle(handle_);
        PlatformTest::TearDown();
    }

    void Send(std::uint8_t first) { device_->SendInputReport(Report(first)); }

    std::shared_ptr<sim::RecordingDevice> device_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A one-shot signal between threads.
class Signal {
public:
    void Set() {
        std::lock_guard<std::mutex> lock(m_);
        set_ = true;
        cv_.notify_all();
    }
    bool Wait() {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, std::chrono::milliseconds(kGenerousMs), [&] { return set_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool set_ = false;
};

TEST_F(OverlappedReadTest, QueuedReportCompletesInTheNextAlertableWait) {
    Send(0x11);
    ReadRecord read;
    ASSERT_TRUE(read.Start(handle_));
    EXPECT_EQ(read.calls, 0); // the routine waits for an alertable wait
    DWORD bytes = 0;
    EXPECT_TRUE(GetOverlappedResult(handle_, &read.overlapped, &bytes, FALSE));
    EXPECT_EQ(bytes, 65u);
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(read.calls, 1);
    EXPECT_EQ(read.error, ERROR_SUCCESS);
    EXPECT_EQ(read.bytes, 65u);
    EXPECT_EQ(read.buffer[0], 0);
    EXPECT_EQ(read.buffer[1], 0x11);
    EXPECT_EQ(read.overlapped.InternalHigh, 65u);
}

TEST_F(OverlappedReadTest, PendingReadIsIncompleteUntilAReport) {
    ReadRecord read;
    ASSERT_TRUE(read.Start(handle_));
    DWORD bytes = 99;
    EXPECT_FALSE(GetOverlappedResult(handle_, &read.overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    EXPECT_EQ(SleepEx(1, TRUE), 0u); // times out: nothing came
    EXPECT_EQ(read.calls, 0);
    Send(0x22);
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(read.buffer[1], 0x22);
    EXPECT_TRUE(GetOverlappedResult(handle_, &read.overlapped, &bytes, FALSE));
    EXPECT_EQ(bytes, 65u);
}

TEST_F(OverlappedReadTest, ReportsAreShortOfNothingAndOrdered) {
    sim::VirtualDeviceInfo info;
    info.inputReportLength = 9;
    auto small = PlugDevice(info);
    const HANDLE h = OpenRead(small);
    small->SendInputReport(std::vector<std::uint8_t>{0, 1, 2}); // padded to 9
    small->SendInputReport(std::vector<std::uint8_t>(20, 7));   // cut to 9
    for (int i = 0; i < 2; ++i) {
        ReadRecord read(9);
        ASSERT_TRUE(read.Start(h));
        ASSERT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
        EXPECT_EQ(read.bytes, 9u);
        EXPECT_EQ(read.buffer[1], i == 0 ? 1 : 7);
        EXPECT_EQ(read.buffer[8], i == 0 ? 0 : 7);
    }
    ReadRecord tooSmall(8);
    EXPECT_FALSE(tooSmall.Start(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    CloseHandle(h);
}

TEST_F(OverlappedReadTest, FullQueueDropsTheOldest) {
    HMODULE hid = LoadLibraryA("HID.dll");
    auto setBuffers =
        reinterpret_cast<THidD_SetNumInputBuffers>(GetProcAddress(hid, "HidD_SetNumInputBuffers"));
    ASSERT_TRUE(setBuffers(handle_, 4));
    for (std::uint8_t i = 1; i <= 6; ++i)
        Send(i);
    ASSERT_TRUE(setBuffers(handle_, 2)); // trimming drops the oldest too
    Send(7);
    std::vector<int> got;
    for (int i = 0; i < 2; ++i) {
        ReadRecord read;
        ASSERT_TRUE(read.Start(handle_));
        ASSERT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
        got.push_back(read.buffer[1]);
    }
    EXPECT_EQ(got, (std::vector<int>{6, 7}));
    ReadRecord none;
    ASSERT_TRUE(none.Start(handle_));
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    // The record must outlive its read: end it before it goes.
    ASSERT_TRUE(CancelIo(handle_));
    EXPECT_EQ(SleepEx(0, TRUE), WAIT_IO_COMPLETION);
    FreeLibrary(hid);
}

TEST_F(OverlappedReadTest, EachReadHandleHasItsOwnQueue) {
    const HANDLE other = OpenRead(device_);
    const HANDLE sync = OpenSync(device_);
    Send(0x33);
    for (HANDLE h : {handle_, other}) {
        ReadRecord read;
        ASSERT_TRUE(read.Start(h));
        ASSERT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
        EXPECT_EQ(read.buffer[1], 0x33);
    }
    ReadRecord read;
    EXPECT_FALSE(read.Start(sync)); // not opened for overlapped reads
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    CloseHandle(other);
    CloseHandle(sync);
}

TEST_F(OverlappedReadTest, ARecordInUseCannotStartASecondRead) {
    ReadRecord read;
    ASSERT_TRUE(read.Start(handle_));
    EXPECT_FALSE(
        ReadFileEx(handle_, read.buffer.data(), 65, &read.overlapped, &ReadRecord::Completed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(CancelIo(handle_));
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(read.error, ERROR_OPERATION_ABORTED);
}

// How a read pending on another thread ends; that thread's SleepEx wakes at once.
TEST_F(OverlappedReadTest, SleepExWakesWhenTheReadEnds) {
    enum class End { Report, Cancel, Close, Unplug };
    struct Case {
        End end;
        DWORD error;
        DWORD bytes;
    };
    const Case cases[] = {
        {End::Report, ERROR_SUCCESS, 65},
        {End::Cancel, ERROR_OPERATION_ABORTED, 0},
        {End::Close, ERROR_OPERATION_ABORTED, 0},
        {End::Unplug, ERROR_DEVICE_NOT_CONNECTED, 0},
    };
    for (const Case& c : cases) {
        auto device = PlugDevice();
        const HANDLE h = OpenRead(device);
        ReadRecord read;
        Signal started, cancel;
        std::promise<DWORD> waited;
        std::thread reader([&] {
            ASSERT_TRUE(read.Start(h));
            started.Set();
            if (c.end == End::Cancel) {
                cancel.Wait();
                CancelIo(h);
            }
            waited.set_value(SleepEx(kGenerousMs, TRUE));
        });
        ASSERT_TRUE(started.Wait());
        switch (c.end) {
        case End::Report: device->SendInputReport(Report(0x44)); break;
        case End::Cancel: cancel.Set(); break;
        case End::Close: CloseHandle(h); break;
        case End::Unplug: sim::VirtualBus::Instance().Unplug(device); break;
        }
        auto result = waited.get_future();
        EXPECT_EQ(result.get(), WAIT_IO_COMPLETION) << static_cast<int>(c.end);
        reader.join();
        EXPECT_EQ(read.calls, 1);
        EXPECT_EQ(read.error, c.error) << static_cast<int>(c.end);
        EXPECT_EQ(read.bytes, c.bytes);
        if (c.end != End::Report) {
            EXPECT_EQ(read.buffer[1], 0xAA); // an ended read never writes afterwards
        }
        if (c.end != End::Close)
            CloseHandle(h);
        sim::VirtualBus::Instance().Unplug(device);
    }
}

TEST_F(OverlappedReadTest, CancelIoEndsOnlyTheCallersReads) {
    ReadRecord mine, theirs;
    Signal started, cancelled;
    std::promise<DWORD> waited;
    std::thread other([&] {
        ASSERT_TRUE(theirs.Start(handle_));
        started.Set();
        waited.set_value(SleepEx(kGenerousMs, TRUE));
    });
    ASSERT_TRUE(started.Wait());
    ASSERT_TRUE(mine.Start(handle_));
    ASSERT_TRUE(CancelIo(handle_));
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(mine.error, ERROR_OPERATION_ABORTED);
    // The other thread's read is still pending and takes the next report.
    Send(0x55);
    EXPECT_EQ(waited.get_future().get(), WAIT_IO_COMPLETION);
    other.join();
    EXPECT_EQ(theirs.error, ERROR_SUCCESS);
    EXPECT_EQ(theirs.buffer[1], 0x55);
    EXPECT_EQ(mine.calls, 1);
}

TEST_F(OverlappedReadTest, RoutinesRunOnlyOnTheStartingThread) {
    Send(0x66);
    ReadRecord read;
    ASSERT_TRUE(read.Start(handle_));
    std::thread stranger([] { EXPECT_EQ(SleepEx(0, TRUE), 0u); });
    stranger.join();
    EXPECT_EQ(read.calls, 0);
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(read.calls, 1);
}

TEST_F(OverlappedReadTest, ReadsFailOnceTheDeviceHasGone) {
    sim::VirtualBus::Instance().Unplug(device_);
    ReadRecord read;
    EXPECT_FALSE(read.Start(handle_));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
}

TEST_F(OverlappedReadTest, ClosedHandleAnswersNothing) {
    ReadRecord read;
    ASSERT_TRUE(read.Start(handle_));
    ASSERT_TRUE(CloseHandle(handle_));
    DWORD bytes = 0;
    EXPECT_FALSE(GetOverlappedResult(handle_, &read.overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CancelIo(handle_));
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(read.error, ERROR_OPERATION_ABORTED);
    handle_ = INVALID_HANDLE_VALUE;
}

TEST_F(OverlappedReadTest, AThreadThatEndsTakesItsPendingReadsWithIt) {
    auto read = std::make_unique<ReadRecord>();
    std::thread reader([&] { ASSERT_TRUE(read->Start(handle_)); });
    reader.join();
    read.reset(); // its buffer is gone: the report must not land there
    Send(0x77);
    ReadRecord next;
    ASSERT_TRUE(next.Start(handle_));
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(next.buffer[1], 0x77);
}

TEST_F(OverlappedReadTest, GetOverlappedResultWaitsForTheEnd) {
    ReadRecord read;
    ASSERT_TRUE(read.Start(handle_));
    std::thread sender([&] { Send(0x88); });
    DWORD bytes = 0;
    EXPECT_TRUE(GetOverlappedResult(handle_, &read.overlapped, &bytes, TRUE));
    EXPECT_EQ(bytes, 65u);
    sender.join();
    EXPECT_EQ(read.calls, 0); // the routine still waits for an alertable wait
    EXPECT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(read.calls, 1);
}

TEST_F(OverlappedReadTest, ManyReportsFromAnotherThreadArriveInOrder) {
    HMODULE hid = LoadLibraryA("HID.dll");
    auto setBuffers =
        reinterpret_cast<THidD_SetNumInputBuffers>(GetProcAddress(hid, "HidD_SetNumInputBuffers"));
    ASSERT_TRUE(setBuffers(handle_, 512));
    constexpr int kCount = 400;
    std::thread sender([&] {
        for (int i = 0; i < kCount; ++i)
            Send(static_cast<std::uint8_t>(i));
    });
    int next = 0;
    while (next < kCount) {
        ReadRecord read;
        ASSERT_TRUE(read.Start(handle_));
        ASSERT_EQ(SleepEx(kGenerousMs, TRUE), WAIT_IO_COMPLETION);
        ASSERT_EQ(read.buffer[1], static_cast<std::uint8_t>(next));
        ++next;
    }
    sender.join();
    FreeLibrary(hid);
}

} // namespace
} // namespace platform_test
