// Utility windows: posted messages on the main thread, and the device-change broadcast.
#include "PlatformFixture.h"

#include <thread>

namespace platform_test {
namespace {

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool onMainThread;
};

class UtilityWindowTest : public PlatformTest {
protected:
    HWND Make(std::vector<Received>& log, LRESULT result = 0) {
        return AllocateHWnd([&log, result](TMessage& m) {
            log.push_back({m.Msg, m.WParam, m.LParam, rt::MainThread::IsCurrent()});
            m.Result = result;
        });
    }

    static bool IsDeviceChange(const Received& r) {
        return r.msg == WM_DEVICECHANGE && r.wParam == DBT_DEVNODES_CHANGED && r.lParam == 0;
    }

    // Drains the main-thread queue until the count is reached or a generous bound passes.
    static void DrainUntil(const std::vector<Received>& log, std::size_t count) {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kGenerousMs);
        while (log.size() < count && std::chrono::steady_clock::now() < until)
            rt::MainThread::WaitAndProcess(std::chrono::milliseconds(100));
    }
};

TEST_F(UtilityWindowTest, PostedMessageRunsFromTheMainThreadQueue) {
    std::vector<Received> log;
    const HWND wnd = Make(log);
    ASSERT_TRUE(IsWindow(wnd));
    ASSERT_TRUE(PostMessageA(wnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, -1));
    EXPECT_TRUE(log.empty()); // not before the queue runs
    rt::MainThread::ProcessPending();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].lParam, -1);
    EXPECT_TRUE(log[0].onMainThread);
    DeallocateHWnd(wnd);
}

TEST_F(UtilityWindowTest, PostFromAnotherThreadRunsOnTheMainThread) {
    std::vector<Received> log;
    const HWND wnd = Make(log);
    std::thread poster([wnd] { EXPECT_TRUE(PostMessageA(wnd, WM_USER, 1, 2)); });
    poster.join();
    DrainUntil(log, 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].onMainThread);
    DeallocateHWnd(wnd);
}

TEST_F(UtilityWindowTest, MessageToAFreedWindowIsDropped) {
    std::vector<Received> log;
    const HWND wnd = Make(log);
    ASSERT_TRUE(PostMessageA(wnd, WM_USER, 0, 0));
    DeallocateHWnd(wnd);
    rt::MainThread::ProcessPending();
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_FALSE(PostMessageA(wnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(UtilityWindowTest, SendMessageGivesTheProcedureResult) {
    std::vector<Received> log;
    const HWND wnd = Make(log, 1);
    EXPECT_EQ(SendMessageA(wnd, WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_EQ(log.size(), 1u);
    DeallocateHWnd(wnd);
}

TEST_F(UtilityWindowTest, DefaultProcedure) {
    EXPECT_EQ(DefWindowProcA(0, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(DefWindowProcA(0, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), 0);
    EXPECT_EQ(DefWindowProcA(0, WM_USER, 0, 0), 0);
}

TEST_F(UtilityWindowTest, BroadcastHandleReachesEveryWindow) {
    const std::size_t before = platform::test::UtilityWindowCount();
    std::vector<Received> a, b;
    const HWND wa = Make(a);
    const HWND wb = Make(b);
    EXPECT_EQ(platform::test::UtilityWindowCount(), before + 2);
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, WM_USER, 3, 4));
    rt::MainThread::ProcessPending();
    EXPECT_EQ(a.size(), 1u);
    EXPECT_EQ(b.size(), 1u);
    DeallocateHWnd(wa);
    DeallocateHWnd(wb);
    EXPECT_EQ(platform::test::UtilityWindowCount(), before);
}

TEST_F(UtilityWindowTest, PlugAndUnplugBroadcastToEveryWindow) {
    std::vector<Received> a, b;
    const HWND wa = Make(a);
    const HWND wb = Make(b);
    auto device = PlugDevice();
    rt::MainThread::ProcessPending();
    sim::VirtualBus::Instance().Unplug(device);
    rt::MainThread::ProcessPending();
    for (auto* log : {&a, &b}) {
        ASSERT_EQ(log->size(), 2u);
        EXPECT_TRUE(IsDeviceChange((*log)[0]));
        EXPECT_TRUE(IsDeviceChange((*log)[1]));
        EXPECT_TRUE((*log)[0].onMainThread);
    }
    // Reset unplugs without a broadcast; a second unplug changes nothing.
    sim::VirtualBus::Instance().Plug(device);
    sim::VirtualBus::Instance().Reset();
    sim::VirtualBus::Instance().Unplug(device);
    rt::MainThread::ProcessPending();
    EXPECT_EQ(a.size(), 3u);
    DeallocateHWnd(wa);
    DeallocateHWnd(wb);
}

TEST_F(UtilityWindowTest, PlugOnAnotherThreadIsHandledOnTheMainThread) {
    std::vector<Received> log;
    const HWND wnd = Make(log);
    auto device = MakeDevice();
    std::thread plugger([&] { sim::VirtualBus::Instance().Plug(device); });
    plugger.join();
    DrainUntil(log, 1);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(IsDeviceChange(log[0]));
    EXPECT_TRUE(log[0].onMainThread);
    DeallocateHWnd(wnd);
}

} // namespace
} // namespace platform_test
