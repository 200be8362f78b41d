#pragma once
// For tests of devices that take no reports: a guard that makes the device take them again
// after a generous bound, so that a write which waits for it fails the test instead of
// hanging it, and a wait for a condition that other threads bring about.
#include "platform/sim/VirtualBus.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace silent {

using namespace std::chrono_literals;

// Until the guard ends, the device takes no reports; after the bound it takes them again and
// Hung() says so.
class SilentFor {
public:
    explicit SilentFor(std::shared_ptr<sim::VirtualDevice> device,
                       std::chrono::milliseconds bound = 5s)
        : device_(std::move(device)) {
        device_->SetTakesReports(false);
        thread_ = std::thread([this, bound] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!wake_.wait_for(lock, bound, [this] { return done_; })) {
                hung_ = true;
                device_->SetTakesReports(true);
            }
        });
    }
    ~SilentFor() { End(); }
    SilentFor(const SilentFor&) = delete;
    SilentFor& operator=(const SilentFor&) = delete;

    // The device takes reports again now.
    void End() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
        device_->SetTakesReports(true);
    }
    bool Hung() {
        std::lock_guard<std::mutex> lock(mutex_);
        return hung_;
    }

private:
    std::shared_ptr<sim::VirtualDevice> device_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool hung_ = false;
    std::thread thread_;
};

// True once pred holds; false when the bound passes first.
template <class Pred>
bool Eventually(Pred pred, std::chrono::milliseconds bound = 10s) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace silent
