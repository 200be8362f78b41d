#include "runtime/Classes.h"
#include "runtime/MainThread.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace rt;
using namespace std::chrono_literals;

// A thread whose body is given by the test.
class TTestThread : public TThread {
public:
    explicit TTestThread(std::function<void(TTestThread&)> body)
        : TThread(true), body_(std::move(body)) {}
    ~TTestThread() override {
        if (!Suspended() && !Finished()) {
            Terminate();
            WaitFor();
        }
    }
    using TThread::SetReturnValue;
    int runs = 0;

protected:
    void Execute() override {
        ++runs;
        body_(*this);
    }

private:
    std::function<void(TTestThread&)> body_;
};

class ThreadClass : public ::testing::Test {
protected:
    void SetUp() override {
        MainThread::Adopt();
        while (MainThread::ProcessPending() != 0) {}
    }
};

TEST_F(ThreadClass, CreatedSuspendedRunsOnlyAfterResume) {
    TTestThread thread([](TTestThread& t) { t.SetReturnValue(7); });
    EXPECT_TRUE(thread.Suspended());
    EXPECT_FALSE(thread.FreeOnTerminate());
    EXPECT_THROW(thread.WaitFor(), EThread);
    thread.Resume();
    EXPECT_EQ(thread.WaitFor(), 7u);
    EXPECT_EQ(thread.runs, 1);
    EXPECT_TRUE(thread.Finished());
    EXPECT_FALSE(thread.FatalException());
}

TEST_F(ThreadClass, TerminatedBeforeResumeSkipsExecute) {
    TTestThread thread([](TTestThread&) {});
    thread.Terminate();
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(thread.runs, 0);
}

TEST_F(ThreadClass, TerminateStopsACooperativeLoop) {
    std::atomic<int> rounds{0};
    TTestThread thread([&](TTestThread& t) {
        while (!t.Terminated())
            ++rounds;
    });
    thread.Resume();
    thread.Terminate();
    thread.WaitFor();
    EXPECT_TRUE(thread.Terminated());
}

TEST_F(ThreadClass, WaitForOnTheMainThreadServicesHandOvers) {
    constexpr int kReports = 500;
    int delivered = 0; // touched on the main thread only
    std::atomic<int> offMain{0};
    TTestThread thread([&](TTestThread& t) {
        for (int i = 0; i < kReports; ++i)
            t.Synchronize([&] {
                if (!MainThread::IsCurrent())
                    ++offMain;
                ++delivered;
            });
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(delivered, kReports);
    EXPECT_EQ(offMain.load(), 0);
}

// The wait serves the thread's hand-overs only: other queued work (posted window messages)
// stays queued, in order, for the loop; work that raises raises there, not in the wait.
TEST_F(ThreadClass, WaitForOnTheMainThreadLeavesOtherWorkQueued) {
    std::vector<std::string> ran; // main thread only
    int delivered = 0;
    TTestThread thread([&](TTestThread& t) {
        MainThread::Post([&] { ran.push_back("first"); });
        MainThread::Post([] { throw EConvertError("posted"); });
        MainThread::Post([&] { ran.push_back("second"); });
        for (int i = 0; i < 3; ++i)
            t.Synchronize([&] { ++delivered; });
    });
    thread.Resume();
    EXPECT_NO_THROW(thread.WaitFor());
    EXPECT_EQ(delivered, 3);
    EXPECT_TRUE(ran.empty());
    EXPECT_THROW(MainThread::ProcessPending(), EConvertError);
    EXPECT_EQ(ran, std::vector<std::string>{"first"});
    EXPECT_EQ(MainThread::ProcessPending(), 1u);
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
}

TEST_F(ThreadClass, SynchronizeReraisesInTheCaller) {
    std::string caught;
    bool sameKind = false;
    TTestThread thread([&](TTestThread& t) {
        try {
            t.Synchronize([] { StrToInt("12a"); });
        } catch (const EConvertError& e) {
            sameKind = true;
            caught = e.Message();
        }
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(sameKind);
    EXPECT_EQ(caught, "'12a' is not a valid integer value");
}

// The read thread's shape: a hand-over that raises ends Execute; the process goes on.
TEST_F(ThreadClass, ExceptionEscapingExecuteEndsTheThreadQuietly) {
    int after = 0;
    TTestThread thread([&](TTestThread& t) {
        t.Synchronize([] { throw EOverflow(); });
        ++after;
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(after, 0);
    ASSERT_TRUE(thread.FatalException());
    EXPECT_THROW(std::rethrow_exception(thread.FatalException()), EOverflow);
}

TEST_F(ThreadClass, SynchronizeOnTheMainThreadRunsDirectly) {
    bool ran = false;
    TThread::Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(MainThread::ProcessPending(), 0u);
    EXPECT_THROW(TThread::Synchronize([] { throw ERangeError(); }), ERangeError);
}

TEST_F(ThreadClass, SynchronizeWithAMethodPointer) {
    struct Target {
        int calls = 0;
        std::thread::id where;
        void Deliver() {
            ++calls;
            where = std::this_thread::get_id();
        }
    } target;
    TTestThread thread(
        [&](TTestThread& t) { t.Synchronize(TThreadMethod::Of<&Target::Deliver>(&target)); });
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(target.calls, 1);
    EXPECT_EQ(target.where, std::this_thread::get_id());
}

TEST_F(ThreadClass, WaitForFromAnotherThreadAndFromItself) {
    std::atomic<bool> release{false};
    bool selfWaitRefused = false;
    TTestThread thread([&](TTestThread& t) {
        try {
            t.WaitFor();
        } catch (const EThread&) {
            selfWaitRefused = true;
        }
        release.wait(false);
    });
    thread.Resume();
    std::thread waiter([&] { thread.WaitFor(); });
    release = true;
    release.notify_all();
    waiter.join();
    EXPECT_TRUE(thread.Finished());
    EXPECT_TRUE(selfWaitRefused);
}

TEST_F(ThreadClass, OnTerminateRunsOnTheMainThread) {
    struct Listener {
        TThread* sender = nullptr;
        bool onMain = false;
        void Ended(TThread* s) {
            sender = s;
            onMain = MainThread::IsCurrent();
        }
    } listener;
    TTestThread thread([](TTestThread&) {});
    thread.OnTerminate = TThreadNotifyEvent::Of<&Listener::Ended>(&listener);
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(listener.sender, &thread);
    EXPECT_TRUE(listener.onMain);
}

TEST_F(ThreadClass, FreeOnTerminateDeletesItself) {
    std::mutex m;
    std::condition_variable cv;
    bool destroyed = false;
    struct TSelfFreeing : TThread {
        std::function<void()> onDestroy;
        TSelfFreeing() : TThread(true) {}
        ~TSelfFreeing() override { onDestroy(); }
        void Execute() override {}
    };
    auto* thread = new TSelfFreeing;
    thread->onDestroy = [&] {
        std::lock_guard<std::mutex> lock(m);
        destroyed = true;
        cv.notify_all();
    };
    thread->SetFreeOnTerminate(true);
    thread->Resume();
    std::unique_lock<std::mutex> lock(m);
    EXPECT_TRUE(cv.wait_for(lock, 30s, [&] { return destroyed; }));
}

TEST_F(ThreadClass, DestroyingARunningThreadEndsIt) {
    std::atomic<bool> started{false};
    struct TLooping : TThread {
        std::atomic<bool>& started;
        explicit TLooping(std::atomic<bool>& s) : TThread(true), started(s) {}
        void Execute() override {
            started = true;
            started.notify_all();
            while (!Terminated())
                std::this_thread::yield();
        }
    };
    {
        TLooping thread(started);
        thread.Resume();
        started.wait(false);
        // ~TThread terminates and waits; Execute touches no member of TLooping after that.
    }
    EXPECT_TRUE(started.load());
}

} // namespace
