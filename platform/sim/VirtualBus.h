#pragma once
// The virtual HID bus: device interfaces that tests, benchmarks and the demo plug in.
// A device model answers the output reports written to it and sends input reports, which
// queue on every overlapped read handle open on the interface.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// How the interface opens: read-write, only with access 0 (queries), or not at all.
enum class OpenMode { ReadWrite, QueryOnly, None };

struct VirtualDeviceInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
    std::u16string productString;                            // empty: the query fails
    std::u16string serialNumber;                             // empty: the query fails
    std::vector<std::uint16_t> stringDescriptor0 = {0x0409}; // language IDs
    std::uint16_t inputReportLength = 65;                    // bytes, report ID included
    std::uint16_t outputReportLength = 65;
    std::uint16_t featureReportLength = 0;
    OpenMode openMode = OpenMode::ReadWrite;
    bool attributesFail = false; // HidD_GetAttributes fails
    // Registry properties by property code, as the ANSI query returns them (raw bytes).
    std::map<std::uint32_t, std::string> registryProperties;
};

class VirtualBus;

// One interface's device side. Subclass it to model a device.
class VirtualDevice {
public:
    explicit VirtualDevice(VirtualDeviceInfo info) : info_(std::move(info)) {}
    virtual ~VirtualDevice() = default;

    const VirtualDeviceInfo& Info() const { return info_; }
    VirtualDeviceInfo& MutableInfo() { return info_; }

    // Called on the writing thread, inside WriteFile, with the bytes written (report ID first).
    virtual void OnOutputReport(const std::uint8_t* data, std::size_t length) = 0;

    // Sends one input report (report ID first) to every open read handle; any thread.
    // Dropped while the device is not plugged in.
    void SendInputReport(const std::uint8_t* data, std::size_t length);
    void SendInputReport(const std::vector<std::uint8_t>& report) {
        SendInputReport(report.data(), report.size());
    }

    bool IsPlugged() const;
    // While false the device takes no output report, as one whose endpoint nobody reads: a
    // write waits inside the bus until the device takes reports again or is unplugged. True
    // at the start.
    void SetTakesReports(bool takes);
    // Writes waiting now for the device to take their report.
    int WaitingWrites() const;
    // The device instance number and path given at the first plug (0 and empty before).
    std::uint32_t InstanceNumber() const;
    std::string Path() const;

private:
    friend class VirtualBus;
    friend struct DeviceSide;
    VirtualDeviceInfo info_;
    VirtualBus* bus_ = nullptr;
    std::uint32_t instance_ = 0;
    bool takesReports_ = true;
    int waitingWrites_ = 0;
};

// A device that records every output report and answers nothing (tests).
class RecordingDevice : public VirtualDevice {
public:
    using VirtualDevice::VirtualDevice;
    void OnOutputReport(const std::uint8_t* data, std::size_t length) override;
    std::vector<std::vector<std::uint8_t>> Written() const;
    void ClearWritten();

private:
    mutable std::vector<std::vector<std::uint8_t>> written_;
    mutable std::mutex writtenMutex_;
};

class VirtualBus {
public:
    static VirtualBus& Instance();

    // Plugs the interface in and broadcasts the device change. Returns its device instance
    // number, which stays the same while it is plugged and differs between interfaces.
    std::uint32_t Plug(std::shared_ptr<VirtualDevice> device);
    // Unplugs it (pending reads end, writes fail) and broadcasts the device change.
    void Unplug(const std::shared_ptr<VirtualDevice>& device);
    // Unplugs everything without broadcasting (between tests).
    void Reset();

    std::vector<std::shared_ptr<VirtualDevice>> Devices() const;

    // Makes this bus the one the platform runs on (the first use does so when no other bus
    // was chosen).
    static void Choose();
};

} // namespace sim
