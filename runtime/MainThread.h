#pragma once
// The main-thread queue: work that other threads (and posted window messages) hand to the
// main thread. Headless code drains it with ProcessPending/WaitAndProcess; the window layer
// installs a wake hook so that the Qt event loop drains it. Hand-overs (a thread waiting for
// its call to run) are kept apart, so that a main-thread wait for a thread serves them alone.
#include <chrono>
#include <cstddef>
#include <functional>

namespace rt {

// How long a waiter looks for what it waits for before it sleeps.
inline constexpr std::chrono::microseconds kSpin{50};

// Checks done() until it holds or the time is up (no sleeping); true when it holds.
template <class Done>
bool SpinUntil(Done done, std::chrono::microseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        if (done())
            return true;
    } while (std::chrono::steady_clock::now() < end);
    return done();
}

class MainThread {
public:
    // The calling thread becomes the main thread (the first thread that uses the queue is
    // the main thread by default).
    static void Adopt();
    static bool IsCurrent();

    // Any thread: queue fn to run on the main thread, in order.
    static void Post(std::function<void()> fn);
    // Any thread: the same for a hand-over, a call that its thread waits for.
    static void PostHandOver(std::function<void()> fn);

    // Main thread: run everything queued now (also what is queued while running). Returns
    // the count run. Re-entrant: a queued item may itself drain the queue.
    static std::size_t ProcessPending();

    // Main thread: wait until something is queued or the timeout passes, then drain.
    static std::size_t WaitAndProcess(std::chrono::milliseconds timeout);

    // Called from the posting thread after each Post (the window layer wakes its loop).
    static void SetWakeHook(std::function<void()> hook);

    // Any thread: wake a thread blocked in WaitAndProcess or ServiceHandOversUntil so it looks
    // again (call after changing what its condition reads).
    static void Wake();

    // Main thread: run queued hand-overs as they come until done() is true, blocking (no
    // polling) between them; all other work stays queued, in order, for the next drain.
    // done() is tested with the queue's lock held, so whoever makes it true must call Wake()
    // afterwards.
    static void ServiceHandOversUntil(const std::function<bool()>& done);
};

} // namespace rt
