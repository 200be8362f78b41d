#pragma once
// The real bus: the machine's hidraw nodes, found and watched through udev.
//
// Paths are the nodes ("/dev/hidraw3"). A node may be taken by another device once its own
// has gone, so a path opens only while it still belongs to the interface that the latest
// enumeration listed under it.
#include "platform/DeviceBus.h"
#include "platform/linux/Errors.h"
#include "platform/linux/HotplugMonitor.h"
#include "platform/linux/UdevSource.h"

#include <map>
#include <memory>
#include <mutex>

namespace hidraw {

class HidrawBus final : public platform::DeviceBus {
public:
    // libudev, with a hot-plug monitor that broadcasts the device change.
    HidrawBus();
    // Another source (tests); watch starts the udev hot-plug monitor as well.
    HidrawBus(std::shared_ptr<UdevSource> source, bool watch);
    ~HidrawBus() override;

    std::vector<platform::BusInterface> Interfaces() override;
    DWORD RegistryProperty(DWORD instance, DWORD code, DWORD& type, std::string& bytes) override;
    DWORD Open(const std::string& path, DWORD access, platform::InputSink* sink,
               std::unique_ptr<platform::BusConnection>& connection) override;

    // Broadcasts the device change (the hot-plug monitor calls it on every hidraw event).
    void DevicesChanged();
    bool Watching() const { return monitor_ && monitor_->Watching(); }

private:
    struct Entry {
        UdevRecord record;
        RegistryProperties properties;
    };

    std::mutex mutex_; // the source's udev context and the tables below
    std::shared_ptr<UdevSource> source_;
    std::map<DWORD, Entry> entries_;              // by instance, as last enumerated
    std::map<std::string, DWORD> instanceOfPath_; // node path -> instance
    std::map<std::string, TraceOnce> openTraces_; // node path -> its failed opens told
    std::unique_ptr<HotplugMonitor> monitor_;     // last: stops first
};

// Chooses the hidraw bus unless a bus has been chosen already; the two programs call it at
// start. True when it was taken.
bool UseHidrawBus();

} // namespace hidraw
