#pragma once
// Keeps a test that would block on a FIFO from hanging: after a generous bound the FIFO's
// other end is opened and closed again and again until the guard ends, so a blocked open
// returns, and Hung() tells the test it had blocked.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

class HangGuard {
public:
    explicit HangGuard(std::string fifo, std::chrono::seconds bound = std::chrono::seconds(10))
        : fifo_(std::move(fifo)), thread_([this, bound] { Watch(bound); }) {}
    ~HangGuard() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

    bool Hung() const { return hung_; }

private:
    void Watch(std::chrono::seconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, bound, [this] { return done_; }))
            return;
        hung_ = true;
        while (!wake_.wait_for(lock, std::chrono::milliseconds(20), [this] { return done_; })) {
            const int fd = ::open(fifo_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        }
    }

    std::string fifo_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::atomic<bool> hung_{false};
    std::thread thread_;
};
