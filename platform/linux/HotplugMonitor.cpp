#include "platform/linux/HotplugMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>

namespace hidraw {

HotplugMonitor::HotplugMonitor(std::function<void()> onChange) : onChange_(std::move(onChange)) {
    udev_ = udev_new();
    if (!udev_)
        return;
    // Events from the udev daemon come after its rules have set the node's permissions;
    // where no daemon runs, the kernel's own events are all there is.
    const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source);
    if (!monitor_ ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return;
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0)
        return;
    thread_ = std::thread([this] { Run(); });
}

HotplugMonitor::~HotplugMonitor() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        while (write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {}
        thread_.join();
    }
    if (stopFd_ >= 0)
        close(stopFd_);
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

void HotplugMonitor::Run() {
    const int monitorFd = udev_monitor_get_fd(monitor_);
    for (;;) {
        pollfd fds[2] = {{monitorFd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN)) {
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
                return;
            continue;
        }
        udev_device* d = udev_monitor_receive_device(monitor_);
        if (!d)
            continue;
        const char* action = udev_device_get_action(d);
        const bool change =
            action && (std::string_view(action) == "add" || std::string_view(action) == "remove");
        udev_device_unref(d);
        if (change)
            onChange_();
    }
}

} // namespace hidraw
