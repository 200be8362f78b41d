#pragma once
// The thread class: a worker thread with cooperative termination and a synchronous hand-over
// of method calls to the main thread (MainThread).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "runtime/Method.h"

namespace rt {

class TThread;
using TThreadMethod = TMethod<void()>;
using TThreadNotifyEvent = TMethod<void(TThread* Sender)>;

class TThread {
public:
    // CreateSuspended: the thread starts only at Resume. Otherwise it starts at once, so
    // derived classes should create suspended and Resume once they are fully built.
    explicit TThread(bool CreateSuspended);
    // A started, unfinished thread is terminated and waited for first. Derived objects
    // should be ended (Terminate, WaitFor) before their own members go away.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a suspended thread; no effect once started.
    void Resume();
    void Start() { Resume(); }
    // Asks Execute to stop; Execute polls Terminated().
    void Terminate();
    bool Terminated() const { return terminated_.load(); }
    // Waits until the thread has ended and returns ReturnValue. On the main thread the wait
    // keeps running the hand-overs of Synchronize (of any thread) and nothing else: other
    // queued work waits for the loop. Raises EThread when called by the thread itself or for
    // a thread never started. A hand-over that raises during the wait does not end it: the
    // exception is raised again after the thread ended.
    std::uint32_t WaitFor();

    bool Suspended() const;
    bool Finished() const { return finished_.load(); }
    // Default false. When true the object deletes itself after the thread ends; WaitFor and
    // delete are then not allowed.
    bool FreeOnTerminate() const;
    void SetFreeOnTerminate(bool value);
    // Exception that escaped Execute (the thread then ended quietly), or null.
    std::exception_ptr FatalException() const;
    std::thread::id ThreadID() const;
    // Runs on the main thread (through Synchronize) after Execute, when set.
    TThreadNotifyEvent OnTerminate;

    // Runs method on the main thread while the caller waits; an exception it raises is
    // raised again here. On the main thread it runs directly.
    static void Synchronize(const std::function<void()>& method);
    void Synchronize(TThreadMethod method);

protected:
    virtual void Execute() = 0;
    // The termination hook: calls OnTerminate on the main thread.
    virtual void DoTerminate();
    std::uint32_t ReturnValue() const { return returnValue_.load(); }
    void SetReturnValue(std::uint32_t value) { returnValue_.store(value); }

private:
    void Run();
    void Join();

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::mutex joinMutex_;
    std::thread thread_;
    std::thread::id threadId_;
    bool started_ = false;
    bool freeOnTerminate_ = false;
    std::exception_ptr fatal_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint32_t> returnValue_{0};
};

} // namespace rt
