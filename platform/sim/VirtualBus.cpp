// The virtual HID bus and its adapter to the platform's device bus.
#include "platform/sim/VirtualBus.h"

#include "platform/DeviceBus.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>

namespace sim {

// What the bus's connections reach of a device (under the bus's lock).
struct DeviceSide {
    // Waits while the device takes no reports; false when the interface went meanwhile.
    static bool WaitUntilTaken(VirtualDevice& device, std::unique_lock<std::mutex>& lock,
                               std::condition_variable& changed, const bool& plugged) {
        if (device.takesReports_)
            return true;
        ++device.waitingWrites_;
        changed.wait(lock, [&] { return device.takesReports_ || !plugged; });
        --device.waitingWrites_;
        return plugged;
    }
};

namespace {

class SimConnection;

// One plugged-in interface. A re-plugged device gets a new one: old handles stay dead.
struct Interface {
    std::shared_ptr<VirtualDevice> device;
    DWORD instance = 0;
    std::string path;
    bool plugged = true;
    std::vector<SimConnection*> connections;
};

struct State {
    mutable std::mutex mutex;
    std::condition_variable changed; // a device takes reports again, or is unplugged
    std::vector<std::shared_ptr<Interface>> plugged; // in plug order
    std::uint32_t nextInstance = 1;
};

State& S() {
    static State state;
    return state;
}

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Lock held.
std::shared_ptr<Interface> Find(const VirtualDevice* device) {
    for (auto& iface : S().plugged)
        if (iface->device.get() == device)
            return iface;
    return nullptr;
}

std::string MakePath(const VirtualDeviceInfo& info, std::uint32_t instance) {
    char path[128];
    std::snprintf(path, sizeof path,
                  "\\\\?\\hid#vid_%04x&pid_%04x#%u#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  info.vendorId, info.productId, static_cast<unsigned>(instance));
    return path;
}

// Lock held: the pending reads end and every later call fails.
void Disconnect(Interface& iface);

class SimConnection final : public platform::BusConnection {
public:
    SimConnection(std::shared_ptr<Interface> iface, DWORD access, platform::InputSink* sink)
        : iface_(std::move(iface)), access_(access), sink_(sink) {}

    ~SimConnection() override {
        std::lock_guard<std::mutex> lock(S().mutex);
        auto& c = iface_->connections;
        c.erase(std::remove(c.begin(), c.end(), this), c.end());
    }

    platform::InputSink* Sink() const { return sink_; }

    DWORD Write(const std::uint8_t* data, std::size_t length) override {
        std::shared_ptr<VirtualDevice> device;
        {
            std::unique_lock<std::mutex> lock(S().mutex);
            if (!iface_->plugged)
                return ERROR_DEVICE_NOT_CONNECTED;
            if (!(access_ & GENERIC_WRITE))
                return ERROR_ACCESS_DENIED;
            // A HID write carries exactly one output report.
            const std::size_t reportLength = iface_->device->Info().outputReportLength;
            if (reportLength == 0)
                return ERROR_INVALID_FUNCTION;
            if (length != reportLength)
                return ERROR_INVALID_PARAMETER;
            device = iface_->device;
            if (!DeviceSide::WaitUntilTaken(*device, lock, S().changed, iface_->plugged))
                return ERROR_DEVICE_NOT_CONNECTED;
        }
        // Outside the lock: the model may answer with input reports at once.
        device->OnOutputReport(data, length);
        return ERROR_SUCCESS;
    }

    DWORD GetAttributes(HIDD_ATTRIBUTES& attributes) override {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (!iface_->plugged)
            return ERROR_DEVICE_NOT_CONNECTED;
        const auto& info = iface_->device->Info();
        if (info.attributesFail)
            return ERROR_GEN_FAILURE;
        attributes.VendorID = info.vendorId;
        attributes.ProductID = info.productId;
        attributes.VersionNumber = info.versionNumber;
        return ERROR_SUCCESS;
    }

    DWORD GetCaps(HIDP_CAPS& caps) override {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (!iface_->plugged)
            return ERROR_DEVICE_NOT_CONNECTED;
        const auto& info = iface_->device->Info();
        caps = HIDP_CAPS{};
        caps.UsagePage = 0xFF00;
        caps.Usage = 0x0001;
        caps.InputReportByteLength = info.inputReportLength;
        caps.OutputReportByteLength = info.outputReportLength;
        caps.FeatureReportByteLength = info.featureReportLength;
        caps.NumberLinkCollectionNodes = 1;
        return ERROR_SUCCESS;
    }

    DWORD GetProductString(std::u16string& text) override {
        return Text(&VirtualDeviceInfo::productString, text);
    }
    DWORD GetManufacturerString(std::u16string& text) override {
        text.clear();
        return Plugged() ? ERROR_GEN_FAILURE : ERROR_DEVICE_NOT_CONNECTED;
    }
    DWORD GetSerialNumberString(std::u16string& text) override {
        return Text(&VirtualDeviceInfo::serialNumber, text);
    }

    DWORD GetIndexedString(ULONG index, std::u16string& words) override {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (!iface_->plugged)
            return ERROR_DEVICE_NOT_CONNECTED;
        const auto& info = iface_->device->Info();
        if (index != 0 || info.stringDescriptor0.empty())
            return ERROR_GEN_FAILURE;
        words.assign(info.stringDescriptor0.begin(), info.stringDescriptor0.end());
        return ERROR_SUCCESS;
    }

private:
    bool Plugged() const {
        std::lock_guard<std::mutex> lock(S().mutex);
        return iface_->plugged;
    }

    DWORD Text(std::u16string VirtualDeviceInfo::*field, std::u16string& text) {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (!iface_->plugged)
            return ERROR_DEVICE_NOT_CONNECTED;
        text = iface_->device->Info().*field;
        return text.empty() ? ERROR_GEN_FAILURE : ERROR_SUCCESS;
    }

    std::shared_ptr<Interface> iface_;
    DWORD access_;
    platform::InputSink* sink_;
};

void Disconnect(Interface& iface) {
    iface.plugged = false;
    S().changed.notify_all();
    for (SimConnection* c : iface.connections)
        if (c->Sink())
            c->Sink()->Disconnected();
}

// Strings end in a NUL and string lists in a double NUL, as the ANSI query returns them.
std::string Terminated(DWORD type, std::string bytes) {
    if (type == REG_SZ && (bytes.empty() || bytes.back() != '\0'))
        bytes.push_back('\0');
    if (type == REG_MULTI_SZ) {
        if (bytes.empty() || bytes.back() != '\0')
            bytes.push_back('\0');
        if (bytes.size() < 2 || bytes[bytes.size() - 2] != '\0')
            bytes.push_back('\0');
    }
    return bytes;
}

class VirtualDeviceBus final : public platform::DeviceBus {
public:
    std::vector<platform::BusInterface> Interfaces() override {
        std::lock_guard<std::mutex> lock(S().mutex);
        std::vector<platform::BusInterface> list;
        for (auto& iface : S().plugged)
            list.push_back({iface->instance, iface->path});
        return list;
    }

    DWORD RegistryProperty(DWORD instance, DWORD code, DWORD& type, std::string& bytes) override {
        std::lock_guard<std::mutex> lock(S().mutex);
        for (auto& iface : S().plugged) {
            if (iface->instance != instance)
                continue;
            const auto& properties = iface->device->Info().registryProperties;
            auto it = properties.find(code);
            if (it == properties.end())
                return ERROR_INVALID_DATA;
            type = platform::RegistryPropertyType(code);
            bytes = Terminated(type, it->second);
            return ERROR_SUCCESS;
        }
        return ERROR_NO_SUCH_DEVINST;
    }

    DWORD Open(const std::string& path, DWORD access, platform::InputSink* sink,
               std::unique_ptr<platform::BusConnection>& connection) override {
        std::lock_guard<std::mutex> lock(S().mutex);
        for (auto& iface : S().plugged) {
            if (!SamePath(iface->path, path))
                continue;
            switch (iface->device->Info().openMode) {
            case OpenMode::ReadWrite: break;
            case OpenMode::QueryOnly:
                if (access != 0)
                    return ERROR_ACCESS_DENIED;
                break;
            case OpenMode::None: return ERROR_SHARING_VIOLATION;
            }
            auto c = std::make_unique<SimConnection>(iface, access, sink);
            iface->connections.push_back(c.get());
            connection = std::move(c);
            return ERROR_SUCCESS;
        }
        return ERROR_FILE_NOT_FOUND;
    }

    static void Changed() {
        if (auto* bus = dynamic_cast<VirtualDeviceBus*>(platform::CurrentDeviceBus()))
            bus->NotifyDeviceChange();
    }
};

} // namespace

void VirtualDevice::SendInputReport(const std::uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(S().mutex);
    auto iface = Find(this);
    if (!iface)
        return;
    // The device always sends whole reports of its input length.
    const std::size_t reportLength = info_.inputReportLength;
    if (reportLength == 0)
        return;
    std::vector<std::uint8_t> report(reportLength, 0);
    std::copy_n(data, std::min(length, reportLength), report.begin());
    for (SimConnection* c : iface->connections)
        if (c->Sink())
            c->Sink()->InputReport(report.data(), report.size());
}

bool VirtualDevice::IsPlugged() const {
    std::lock_guard<std::mutex> lock(S().mutex);
    return bus_ != nullptr;
}

void VirtualDevice::SetTakesReports(bool takes) {
    std::lock_guard<std::mutex> lock(S().mutex);
    takesReports_ = takes;
    S().changed.notify_all();
}

int VirtualDevice::WaitingWrites() const {
    std::lock_guard<std::mutex> lock(S().mutex);
    return waitingWrites_;
}

std::uint32_t VirtualDevice::InstanceNumber() const {
    std::lock_guard<std::mutex> lock(S().mutex);
    return instance_;
}

std::string VirtualDevice::Path() const {
    std::lock_guard<std::mutex> lock(S().mutex);
    return instance_ ? MakePath(info_, instance_) : std::string();
}

void RecordingDevice::OnOutputReport(const std::uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(writtenMutex_);
    written_.emplace_back(data, data + length);
}

std::vector<std::vector<std::uint8_t>> RecordingDevice::Written() const {
    std::lock_guard<std::mutex> lock(writtenMutex_);
    return written_;
}

void RecordingDevice::ClearWritten() {
    std::lock_guard<std::mutex> lock(writtenMutex_);
    written_.clear();
}

VirtualBus& VirtualBus::Instance() {
    static VirtualBus bus;
    static const bool chosen = platform::SetDefaultDeviceBus(std::make_unique<VirtualDeviceBus>());
    (void)chosen;
    return bus;
}

void VirtualBus::Choose() { platform::SetDeviceBus(std::make_unique<VirtualDeviceBus>()); }

std::uint32_t VirtualBus::Plug(std::shared_ptr<VirtualDevice> device) {
    if (!device)
        return 0;
    std::uint32_t instance;
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (device->bus_)
            return device->instance_;
        if (device->instance_ == 0)
            device->instance_ = S().nextInstance++;
        device->bus_ = this;
        auto iface = std::make_shared<Interface>();
        iface->device = device;
        iface->instance = device->instance_;
        iface->path = MakePath(device->info_, device->instance_);
        S().plugged.push_back(std::move(iface));
        instance = device->instance_;
    }
    VirtualDeviceBus::Changed();
    return instance;
}

void VirtualBus::Unplug(const std::shared_ptr<VirtualDevice>& device) {
    {
        std::lock_guard<std::mutex> lock(S().mutex);
        auto iface = device ? Find(device.get()) : nullptr;
        if (!iface)
            return;
        Disconnect(*iface);
        auto& p = S().plugged;
        p.erase(std::remove(p.begin(), p.end(), iface), p.end());
        device->bus_ = nullptr;
    }
    VirtualDeviceBus::Changed();
}

void VirtualBus::Reset() {
    std::lock_guard<std::mutex> lock(S().mutex);
    for (auto& iface : S().plugged) {
        Disconnect(*iface);
        iface->device->bus_ = nullptr;
    }
    S().plugged.clear();
}

std::vector<std::shared_ptr<VirtualDevice>> VirtualBus::Devices() const {
    std::lock_guard<std::mutex> lock(S().mutex);
    std::vector<std::shared_ptr<VirtualDevice>> devices;
    for (auto& iface : S().plugged)
        devices.push_back(iface->device);
    return devices;
}

namespace {
// A program that links the virtual bus runs on it unless it chooses another.
const bool g_installed = (VirtualBus::Instance(), true);
} // namespace

} // namespace sim
