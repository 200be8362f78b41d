// The hidraw bus behind the platform's exports: the calls the HID layer makes, on FIFO nodes.
#include "FakeNodes.h"

#include "platform/DeviceApi.h"
#include "platform/linux/HidrawBus.h"
#include "runtime/MainThread.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

using namespace hidraw;
using namespace hidraw::testing_nodes;

// The bus is chosen once for this program; each test sets the nodes it needs.
struct ChosenBus {
    std::shared_ptr<FakeSource> source = std::make_shared<FakeSource>();
    HidrawBus* bus = nullptr;
    ChosenBus() {
        auto b = std::make_unique<HidrawBus>(source, false);
        bus = b.get();
        platform::SetDeviceBus(std::move(b));
    }
};

ChosenBus& Chosen() {
    static ChosenBus chosen;
    return chosen;
}

template <class F>
F Routine(const char* module, const char* name) {
    const HMODULE m = LoadLibraryA(module);
    EXPECT_NE(m, 0) << module;
    const FARPROC p = GetProcAddress(m, name);
    EXPECT_NE(p, nullptr) << name;
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

DWORD g_completions = 0;
void CountCompletion(DWORD, DWORD, LPOVERLAPPED) { ++g_completions; }

class HidrawPlatform : public testing::Test {
protected:
    void SetUp() override {
        rt::MainThread::Adopt();
        node_ = nodes_.Make("hidraw0");
        ASSERT_FALSE(node_.empty());
        Chosen().source->Set({AnalyzerAt(node_, "0003:0925:1299.000A")});
        Chosen().bus->Interfaces();
        g_completions = 0;
    }
    void TearDown() override { Chosen().source->Set({}); }

    HANDLE OpenReadHandle() {
        return CreateFileA(node_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, 0);
    }
    // The alertable wait returns as soon as the read's routine has run; the bound is generous.
    bool WaitForCompletion() {
        return SleepEx(20000, TRUE) == WAIT_IO_COMPLETION && g_completions == 1;
    }

    FifoNodes nodes_;
    std::string node_;
};

TEST_F(HidrawPlatform, OverlappedReadEndsInTheAlertableWait) {
    const HANDLE h = OpenReadHandle();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::uint8_t buffer[65];
    std::memset(buffer, 0xEE, sizeof buffer);
    OVERLAPPED ov{};
    ASSERT_TRUE(ReadFileEx(h, buffer, sizeof buffer, &ov, CountCompletion));

    std::uint8_t report[64];
    for (int i = 0; i < 64; ++i)
        report[i] = std::uint8_t(i + 1);
    ASSERT_EQ(write(nodes_.TestEnd(), report, sizeof report), 64);
    ASSERT_TRUE(WaitForCompletion());

    DWORD bytes = 0;
    ASSERT_TRUE(GetOverlappedResult(h, &ov, &bytes, FALSE));
    EXPECT_EQ(bytes, 65u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(std::memcmp(buffer + 1, report, 64), 0);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(HidrawPlatform, VanishedDeviceEndsThePendingRead) {
    const HANDLE h = OpenReadHandle();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::uint8_t buffer[65] = {};
    OVERLAPPED ov{};
    ASSERT_TRUE(ReadFileEx(h, buffer, sizeof buffer, &ov, CountCompletion));
    nodes_.CloseTestEnd(); // the node hangs up
    ASSERT_TRUE(WaitForCompletion());
    DWORD bytes = 7;
    EXPECT_FALSE(GetOverlappedResult(h, &ov, &bytes, FALSE));
    EXPECT_EQ(bytes, 0u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(HidrawPlatform, QueriesThroughTheHidRoutines) {
    const HANDLE h = CreateFileA(node_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto getAttributes = Routine<THidD_GetAttributes>("HID.dll", "HidD_GetAttributes");
    auto getPreparsed = Routine<THidD_GetPreparsedData>("HID.dll", "HidD_GetPreparsedData");
    auto freePreparsed = Routine<THidD_FreePreparsedData>("HID.dll", "HidD_FreePreparsedData");
    auto getCaps = Routine<THidP_GetCaps>("HID.dll", "HidP_GetCaps");
    auto getProduct = Routine<THidD_GetProductString>("HID.dll", "HidD_GetProductString");
    auto getIndexed = Routine<THidD_GetIndexedString>("HID.dll", "HidD_GetIndexedString");

    HIDD_ATTRIBUTES a{};
    a.Size = 12;
    ASSERT_TRUE(getAttributes(h, &a));
    EXPECT_EQ(a.VendorID, 0x0925);
    EXPECT_EQ(a.ProductID, 0x1299);
    EXPECT_EQ(a.VersionNumber, 3);

    PHIDP_PREPARSED_DATA data = nullptr;
    ASSERT_TRUE(getPreparsed(h, &data));
    HIDP_CAPS caps{};
    EXPECT_EQ(getCaps(data, &caps), HIDP_STATUS_SUCCESS);
    EXPECT_EQ(caps.InputReportByteLength, 65);
    EXPECT_EQ(caps.OutputReportByteLength, 65);
    freePreparsed(data);

    char16_t text[254] = {};
    ASSERT_TRUE(getProduct(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"Kelvane A");
    std::uint16_t words[254];
    EXPECT_FALSE(getIndexed(h, 0, words, sizeof words));

    const std::uint8_t report[65] = {};
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(h, report, sizeof report, &written, nullptr));
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(HidrawPlatform, ReadWriteHandleWritesTheReport) {
    const HANDLE h = CreateFileA(node_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::uint8_t report[65] = {};
    report[2] = 0x08;
    report[3] = 0x01;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, report, sizeof report, &written, nullptr));
    EXPECT_EQ(written, 65u);
    std::uint8_t got[100];
    ASSERT_EQ(read(nodes_.TestEnd(), got, sizeof got), 65);
    EXPECT_EQ(std::memcmp(got, report, 65), 0);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(HidrawPlatform, UnknownNodeIsNotFound) {
    EXPECT_EQ(CreateFileA("/dev/hidraw-none", GENERIC_READ | GENERIC_WRITE, 3, nullptr,
                          OPEN_EXISTING, 0, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(HidrawPlatform, DeviceChangeReachesTheUtilityWindows) {
    int changes = 0;
    const HWND wnd = AllocateHWnd([&](TMessage& m) {
        if (m.Msg == WM_DEVICECHANGE && m.WParam == DBT_DEVNODES_CHANGED)
            ++changes;
    });
    rt::MainThread::ProcessPending();
    Chosen().bus->DevicesChanged(); // what the hot-plug monitor calls on every event
    rt::MainThread::ProcessPending();
    EXPECT_EQ(changes, 1);
    DeallocateHWnd(wnd);
}

} // namespace

TEST_F(HidrawPlatform, FailedWriteOfAVanishedDeviceIsNotConnected) {
    // /dev/full fails every write with an error of its own (no space), whatever the device.
    const struct {
        bool present;
        DWORD error;
    } cases[] = {{true, ERROR_GEN_FAILURE}, {false, ERROR_DEVICE_NOT_CONNECTED}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.present ? "present" : "gone");
        const UdevRecord full = AnalyzerAt("/dev/full", "0003:0925:1299.000B");
        Chosen().source->Set({full});
        Chosen().bus->Interfaces();
        const HANDLE h =
            CreateFileA("/dev/full", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, 0);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        if (!c.present)
            Chosen().source->Set({});
        const std::uint8_t report[65] = {};
        DWORD written = 0;
        // the cause is told once on standard error, however often the write fails for it
        testing::internal::CaptureStderr();
        for (int i = 0; i < 3; ++i) {
            EXPECT_FALSE(WriteFile(h, report, sizeof report, &written, nullptr));
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "coldpoint: write(2) to /dev/full: No space left on device\n");
        EXPECT_TRUE(CloseHandle(h));
    }
}

// A node that takes no more reports (a FIFO nobody reads, as a USB device whose endpoint is
// not read) holds a write only for the bound; the report goes in once the node is read.
TEST_F(HidrawPlatform, WriteTheNodeDoesNotTakeEndsWithinTheBound) {
    using namespace std::chrono_literals;
    const HANDLE h = CreateFileA(node_.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    // Should the write wait for the node, the FIFO is read after a while: the test fails,
    // and does not hang.
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread guard([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (wake.wait_for(lock, 5s, [&] { return done; }))
            return;
        std::uint8_t sink[4096];
        while (read(nodes_.TestEnd(), sink, sizeof sink) > 0) {}
    });
    std::uint8_t report[65] = {};
    report[2] = 0x08;
    DWORD written = 0;
    int taken = 0;
    auto start = std::chrono::steady_clock::now();
    for (; taken < 4000; ++taken) { // the FIFO holds about 1000
        start = std::chrono::steady_clock::now();
        if (!WriteFile(h, report, sizeof report, &written, nullptr))
            break;
    }
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_GT(taken, 10);
    EXPECT_LT(taken, 4000);
    // the next one is not queued behind it
    EXPECT_FALSE(WriteFile(h, report, sizeof report, &written, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    wake.notify_all();
    guard.join();

    // read: the report in flight goes in, and the writes go on
    std::size_t bytes = 0;
    std::uint8_t got[4096];
    ssize_t n;
    while ((n = read(nodes_.TestEnd(), got, sizeof got)) > 0)
        bytes += static_cast<std::size_t>(n);
    const auto more = [&] { return WriteFile(h, report, sizeof report, &written, nullptr); };
    auto until = std::chrono::steady_clock::now() + 10s;
    while (!more() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    while ((n = read(nodes_.TestEnd(), got, sizeof got)) > 0)
        bytes += static_cast<std::size_t>(n);
    EXPECT_EQ(bytes, std::size_t(taken + 2) * 65) << "every report taken, once";
    EXPECT_TRUE(CloseHandle(h));
}
