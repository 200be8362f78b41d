#include "runtime/Classes.h"

#include <atomic>
#include <memory>
#include <utility>

#include "runtime/MainThread.h"
#include "runtime/SysUtils.h"

namespace rt {

TThread::TThread(bool CreateSuspended) {
    if (!CreateSuspended)
        Resume();
}

TThread::~TThread() {
    bool running;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running = started_ && !finished_.load();
    }
    if (running && std::this_thread::get_id() != ThreadID()) {
        Terminate();
        WaitFor();
    }
    std::lock_guard<std::mutex> lock(joinMutex_);
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void TThread::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_)
        return;
    started_ = true;
    thread_ = std::thread([this] { Run(); });
    threadId_ = thread_.get_id();
}

void TThread::Terminate() { terminated_.store(true); }

bool TThread::Suspended() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !started_;
}

bool TThread::FreeOnTerminate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return freeOnTerminate_;
}

void TThread::SetFreeOnTerminate(bool value) {
    std::lock_guard<std::mutex> lock(mutex_);
    freeOnTerminate_ = value;
}

std::exception_ptr TThread::FatalException() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fatal_;
}

std::thread::id TThread::ThreadID() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return threadId_;
}

void TThread::Run() {
    std::exception_ptr fatal;
    try {
        if (!Terminated())
            Execute();
    } catch (...) {
        fatal = std::current_exception();
    }
    try {
        DoTerminate();
    } catch (...) {
        if (!fatal)
            fatal = std::current_exception();
    }
    bool selfFree;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fatal_ = fatal;
        selfFree = freeOnTerminate_;
        finished_.store(true);
        ended_.notify_all();
    }
    MainThread::Wake();
    if (selfFree) {
        {
            std::lock_guard<std::mutex> lock(joinMutex_);
            thread_.detach();
        }
        delete this;
    }
}

void TThread::DoTerminate() {
    if (OnTerminate.Assigned())
        Synchronize([this] { OnTerminate(this); });
}

void TThread::Join() {
    std::lock_guard<std::mutex> lock(joinMutex_);
    if (thread_.joinable())
        thread_.join();
}

std::uint32_t TThread::WaitFor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!started_)
            throw EThread("Cannot wait for a thread that was never started");
        if (threadId_ == std::this_thread::get_id())
            throw EThread("A thread cannot wait for itself");
    }
    std::exception_ptr serviceError;
    if (MainThread::IsCurrent()) {
        // Only hand-overs run meanwhile: posted messages and timer ticks wait for the loop,
        // so nothing re-enters the caller. A hand-over that raises does not cut the wait
        // short: the first such exception is raised again once the thread has ended.
        for (;;) {
            try {
                MainThread::ServiceHandOversUntil([this] { return finished_.load(); });
                break;
            } catch (...) {
                if (!serviceError)
                    serviceError = std::current_exception();
            }
        }
    } else {
        std::unique_lock<std::mutex> lock(mutex_);
        ended_.wait(lock, [this] { return finished_.load(); });
    }
    Join();
    if (serviceError)
        std::rethrow_exception(serviceError);
    return ReturnValue();
}

namespace {

struct HandOver {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::atomic<bool> ready{false}; // finished, readable without the lock
    std::exception_ptr error;
};

} // namespace

void TThread::Synchronize(const std::function<void()>& method) {
    if (MainThread::IsCurrent()) {
        method();
        return;
    }
    auto handOver = std::make_shared<HandOver>();
    MainThread::PostHandOver([handOver, &method] {
        std::exception_ptr error;
        try {
            method();
        } catch (...) {
            error = std::current_exception();
        }
        // The error moves: once the caller wakes, this thread holds no reference to the
        // exception, so the caller's catch is its last user (the exception's own count lives
        // where the sanitizer cannot see it).
        std::lock_guard<std::mutex> lock(handOver->mutex);
        handOver->error = std::move(error);
        handOver->finished = true;
        handOver->ready.store(true, std::memory_order_release);
        handOver->done.notify_all();
    });
    SpinUntil([&] { return handOver->ready.load(std::memory_order_acquire); }, kSpin);
    std::exception_ptr error;
    {
        std::unique_lock<std::mutex> lock(handOver->mutex);
        handOver->done.wait(lock, [&] { return handOver->finished; });
        error = std::move(handOver->error);
    }
    if (error)
        std::rethrow_exception(error);
}

void TThread::Synchronize(TThreadMethod method) {
    Synchronize(std::function<void()>([method] { method(); }));
}

} // namespace rt
