// The chosen device bus.
#include "platform/DeviceBus.h"
#include "platform/Internal.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct Buses {
    std::mutex mutex;
    std::atomic<DeviceBus*> current{nullptr};
    // Every bus ever chosen stays alive: open handles may still use a replaced one.
    std::vector<std::unique_ptr<DeviceBus>> kept;
};

Buses& TheBuses() {
    static Buses buses;
    return buses;
}

} // namespace

void DeviceBus::NotifyDeviceChange() {
    if (CurrentDeviceBus() == this)
        detail::BroadcastDeviceChange();
}

void SetDeviceBus(std::unique_ptr<DeviceBus> bus) {
    Buses& b = TheBuses();
    std::lock_guard<std::mutex> lock(b.mutex);
    b.current.store(bus.get());
    if (bus)
        b.kept.push_back(std::move(bus));
}

bool SetDefaultDeviceBus(std::unique_ptr<DeviceBus> bus) {
    Buses& b = TheBuses();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (b.current.load() || !bus)
        return false;
    b.current.store(bus.get());
    b.kept.push_back(std::move(bus));
    return true;
}

DeviceBus* CurrentDeviceBus() { return TheBuses().current.load(); }

DWORD RegistryPropertyType(DWORD code) {
    switch (code) {
    case SPDRP_HARDWAREID:
    case SPDRP_COMPATIBLEIDS:
    case SPDRP_UPPERFILTERS:
    case SPDRP_LOWERFILTERS: return REG_MULTI_SZ;
    case SPDRP_CONFIGFLAGS:
    case SPDRP_CAPABILITIES:
    case SPDRP_UI_NUMBER:
    case SPDRP_LEGACYBUSTYPE:
    case SPDRP_BUSNUMBER:
    case SPDRP_DEVTYPE:
    case SPDRP_EXCLUSIVE:
    case SPDRP_CHARACTERISTICS:
    case SPDRP_ADDRESS:
    case SPDRP_REMOVAL_POLICY: return REG_DWORD;
    case SPDRP_BUSTYPEGUID:
    case SPDRP_SECURITY_SDS: return REG_BINARY;
    default: return REG_SZ;
    }
}

} // namespace platform
