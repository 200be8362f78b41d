#include "runtime/MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using namespace rt;
using namespace std::chrono_literals;

class MainThreadQueue : public ::testing::Test {
protected:
    void SetUp() override {
        MainThread::Adopt();
        MainThread::SetWakeHook(nullptr);
        MainThread::ProcessPending();
    }
    void TearDown() override {
        MainThread::SetWakeHook(nullptr);
        while (MainThread::ProcessPending() != 0) {}
    }
};

TEST_F(MainThreadQueue, PostsFromManyThreadsRunInOrderOnTheMainThread) {
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> offMain{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                MainThread::Post([&, t, i] {
                    if (!MainThread::IsCurrent())
                        ++offMain;
                    seen[t].push_back(i);
                });
        });
    for (auto& p : posters)
        p.join();
    EXPECT_EQ(MainThread::ProcessPending(), std::size_t{kThreads * kEach});
    EXPECT_EQ(offMain.load(), 0);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), std::size_t{kEach});
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(list[i], i);
    }
    EXPECT_EQ(MainThread::ProcessPending(), 0u);
}

TEST_F(MainThreadQueue, ProcessPendingIsReentrantAndRunsWhatIsQueuedMeanwhile) {
    std::vector<int> order;
    MainThread::Post([&] {
        order.push_back(1);
        MainThread::Post([&] { order.push_back(3); });
        // A nested drain (a modal loop) runs the item queued behind this one.
        EXPECT_EQ(MainThread::ProcessPending(), 2u);
        order.push_back(4);
    });
    MainThread::Post([&] { order.push_back(2); });
    EXPECT_EQ(MainThread::ProcessPending(), 1u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(MainThreadQueue, OtherThreadsCannotDrain) {
    bool ran = false;
    MainThread::Post([&] { ran = true; });
    std::size_t count = 99;
    std::thread([&] { count = MainThread::ProcessPending(); }).join();
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(ran);
    EXPECT_EQ(MainThread::ProcessPending(), 1u);
    EXPECT_TRUE(ran);
}

TEST_F(MainThreadQueue, RaisingItemLeavesTheRestQueued) {
    int later = 0;
    MainThread::Post([] { throw std::runtime_error("boom"); });
    MainThread::Post([&] { ++later; });
    EXPECT_THROW(MainThread::ProcessPending(), std::runtime_error);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(MainThread::ProcessPending(), 1u);
    EXPECT_EQ(later, 1);
}

TEST_F(MainThreadQueue, WaitAndProcessWakesOnPost) {
    EXPECT_EQ(MainThread::WaitAndProcess(1ms), 0u);
    bool ran = false;
    std::thread poster([&] { MainThread::Post([&] { ran = true; }); });
    std::size_t count = 0;
    for (int i = 0; i < 100 && count == 0; ++i)
        count += MainThread::WaitAndProcess(10s);
    poster.join();
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(ran);
}

TEST_F(MainThreadQueue, WakeHookRunsOnThePostingThreadAfterEachPost) {
    std::atomic<int> hooks{0};
    std::thread::id hookThread;
    MainThread::SetWakeHook([&] {
        hookThread = std::this_thread::get_id();
        ++hooks;
    });
    std::thread::id posterId;
    std::thread poster([&] {
        posterId = std::this_thread::get_id();
        MainThread::Post([] {});
        MainThread::Post([] {});
    });
    poster.join();
    EXPECT_EQ(hooks.load(), 2);
    EXPECT_EQ(hookThread, posterId);
    EXPECT_EQ(MainThread::ProcessPending(), 2u);
}

// A thread waiting on the main thread serves hand-overs only; other work stays queued, in
// order, for the next drain.
TEST_F(MainThreadQueue, ServiceHandOversUntilLeavesOtherWorkQueued) {
    constexpr int kEach = 50;
    int handOvers = 0;
    std::vector<int> others;
    std::thread worker([&] {
        for (int i = 0; i < kEach; ++i) {
            MainThread::Post([&, i] { others.push_back(i); });
            MainThread::PostHandOver([&] { ++handOvers; });
        }
    });
    MainThread::ServiceHandOversUntil([&] { return handOvers == kEach; });
    worker.join();
    EXPECT_EQ(handOvers, kEach);
    EXPECT_TRUE(others.empty());
    EXPECT_EQ(MainThread::ProcessPending(), std::size_t{kEach});
    ASSERT_EQ(others.size(), std::size_t{kEach});
    for (int i = 0; i < kEach; ++i)
        EXPECT_EQ(others[i], i);
}

} // namespace
