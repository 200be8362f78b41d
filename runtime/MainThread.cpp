#include "runtime/MainThread.h"

#include <atomic>
#include <condition_variable>
#include <algorithm>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace rt {
namespace {

struct Item {
    std::function<void()> fn;
    bool handOver;
};

struct Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Item> items;
    std::size_t handOvers = 0; // hand-overs among the items
    std::function<void()> wakeHook;
    std::atomic<std::size_t> size{0}; // items.size(), readable without the lock
};

Queue& TheQueue() {
    static Queue queue;
    return queue;
}

std::atomic<std::thread::id> g_mainId{};

void ClaimIfUnset() {
    std::thread::id none;
    g_mainId.compare_exchange_strong(none, std::this_thread::get_id());
}

// The thread that starts the process is the main thread unless another one is adopted.
const bool g_initialClaim = (ClaimIfUnset(), true);

// Takes the first queued item (the first hand-over with handOversOnly); the queue's lock
// must be held.
bool TakeLocked(Queue& q, std::function<void()>& fn, bool handOversOnly) {
    auto it = q.items.begin();
    if (handOversOnly)
        it = std::find_if(it, q.items.end(), [](const Item& item) { return item.handOver; });
    if (it == q.items.end())
        return false;
    fn = std::move(it->fn);
    if (it->handOver)
        --q.handOvers;
    q.items.erase(it);
    q.size.store(q.items.size(), std::memory_order_relaxed);
    return true;
}

bool PopFront(std::function<void()>& fn) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    return TakeLocked(q, fn, false);
}

void Enqueue(std::function<void()> fn, bool handOver) {
    Queue& q = TheQueue();
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        q.items.push_back({std::move(fn), handOver});
        if (handOver)
            ++q.handOvers;
        q.size.store(q.items.size(), std::memory_order_release);
        hook = q.wakeHook;
    }
    q.changed.notify_all();
    if (hook)
        hook();
}

} // namespace

void MainThread::Adopt() { g_mainId.store(std::this_thread::get_id()); }

bool MainThread::IsCurrent() {
    ClaimIfUnset();
    return g_mainId.load() == std::this_thread::get_id();
}

void MainThread::Post(std::function<void()> fn) { Enqueue(std::move(fn), false); }

void MainThread::PostHandOver(std::function<void()> fn) { Enqueue(std::move(fn), true); }

std::size_t MainThread::ProcessPending() {
    if (!IsCurrent())
        return 0;
    std::size_t count = 0;
    std::function<void()> fn;
    // An item that raises leaves here; the rest stays queued for the next drain.
    while (PopFront(fn)) {
        auto item = std::move(fn);
        fn = nullptr;
        ++count;
        item();
    }
    return count;
}

std::size_t MainThread::WaitAndProcess(std::chrono::milliseconds timeout) {
    if (!IsCurrent())
        return 0;
    Queue& q = TheQueue();
    // A hand-over usually follows within microseconds: look for it briefly before sleeping,
    // which spares the wake-up latency of a sleeping thread.
    if (!SpinUntil([&] { return q.size.load(std::memory_order_acquire) != 0; },
                   std::min<std::chrono::microseconds>(kSpin, timeout))) {
        std::unique_lock<std::mutex> lock(q.mutex);
        q.changed.wait_for(lock, timeout, [&] { return !q.items.empty(); });
    }
    return ProcessPending();
}

void MainThread::SetWakeHook(std::function<void()> hook) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    q.wakeHook = std::move(hook);
}

void MainThread::Wake() {
    Queue& q = TheQueue();
    {
        // Taking the lock orders this wake after a waiter's test of its condition.
        std::lock_guard<std::mutex> lock(q.mutex);
    }
    q.changed.notify_all();
}

void MainThread::ServiceHandOversUntil(const std::function<bool()>& done) {
    Queue& q = TheQueue();
    const bool servicing = IsCurrent();
    for (;;) {
        std::function<void()> fn;
        {
            std::unique_lock<std::mutex> lock(q.mutex);
            q.changed.wait(lock, [&] { return done() || (servicing && q.handOvers != 0); });
            if (done())
                return;
            TakeLocked(q, fn, true);
        }
        fn();
    }
}

} // namespace rt
