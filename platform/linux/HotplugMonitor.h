#pragma once
// Watches udev for hidraw nodes that come and go, on a thread of its own that waits in
// poll(2); calls the handler once per event, on that thread.
#include <functional>
#include <thread>

struct udev;
struct udev_monitor;

namespace hidraw {

class HotplugMonitor {
public:
    // Starts watching at once. Without udev (no netlink socket) it watches nothing.
    explicit HotplugMonitor(std::function<void()> onChange);
    ~HotplugMonitor(); // once it has returned the handler is not called again
    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    bool Watching() const { return thread_.joinable(); }

private:
    void Run();

    std::function<void()> onChange_;
    ::udev* udev_ = nullptr;
    ::udev_monitor* monitor_ = nullptr;
    int stopFd_ = -1;
    std::thread thread_;
};

} // namespace hidraw
