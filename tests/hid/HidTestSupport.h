#pragma once
// Shared by the HID layer's tests: a clean virtual bus per test, plugging devices, waiting on
// conditions while the main-thread queue runs, and recorders for the controller's events.
#include "hid/Hid.h"
#include "hid/HidControllerClass.h"
#include "hid/SetupApi.h"
#include "platform/testing/PlatformTest.h"
#include "platform/sim/VirtualBus.h"
#include "runtime/MainThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

namespace hidtest {

using namespace std::chrono_literals;

inline sim::VirtualDeviceInfo DeviceInfo(std::uint16_t vendor = 0x0925,
                                         std::uint16_t product = 0x1299,
                                         sim::OpenMode mode = sim::OpenMode::ReadWrite) {
    sim::VirtualDeviceInfo info;
    info.vendorId = vendor;
    info.productId = product;
    info.versionNumber = 3;
    info.productString = u"Kelvane";
    info.serialNumber = u"SN-0001";
    info.openMode = mode;
    return info;
}

// Runs the main-thread queue until the condition holds or the bound passes.
template <class Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds bound = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        rt::MainThread::WaitAndProcess(5ms);
    }
    return true;
}

inline void Drain() {
    while (rt::MainThread::ProcessPending() > 0) {}
}

class HidFixture : public ::testing::Test {
protected:
    void SetUp() override {
        rt::MainThread::Adopt();
        sim::VirtualBus::Choose();
        sim::VirtualBus::Instance().Reset();
        platform::test::Reset();
        Drain();
    }
    void TearDown() override {
        sim::VirtualBus::Instance().Reset();
        Drain();
        platform::test::Reset();
    }

    std::shared_ptr<sim::RecordingDevice> Plug(sim::VirtualDeviceInfo info = DeviceInfo()) {
        auto device = std::make_shared<sim::RecordingDevice>(std::move(info));
        sim::VirtualBus::Instance().Plug(device);
        return device;
    }
    // Unplugs; the controller hears of it when the queue runs.
    void Unplug(const std::shared_ptr<sim::RecordingDevice>& device) {
        sim::VirtualBus::Instance().Unplug(device);
    }
};

// The record of the interface at the member index, read as the enumeration reads it (the
// device-setup library must be bound).
inline std::unique_ptr<hid::THidPnPInfo> MakePnPInfo(DWORD member = 0) {
    GUID hidClass = GUID_DEVINTERFACE_HID;
    const HDEVINFO set =
        hid::SetupDiGetClassDevs(&hidClass, nullptr, 0, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return nullptr;
    std::unique_ptr<hid::THidPnPInfo> info;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = kDeviceInterfaceDataSize;
    if (hid::SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, member, &interfaceData)) {
        SP_DEVINFO_DATA devData{};
        devData.cbSize = kDevInfoDataSize;
        DWORD required = 0;
        hid::SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, &devData);
        std::vector<DWORD> buffer(required / 4 + 2, 0);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
        detail->cbSize = kDeviceInterfaceDetailDataSize;
        if (hid::SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, required, &required,
                                                  &devData))
            info = std::make_unique<hid::THidPnPInfo>(set, devData, detail->DevicePath);
    }
    hid::SetupDiDestroyDeviceInfoList(set);
    return info;
}

// Records what the controller and its devices report, in order.
struct TEventLog {
    std::vector<std::string> Events;
    std::vector<hid::THidDevice*> Arrived;
    std::vector<hid::THidDevice*> Removed;
    std::vector<bool> InCallbackSeen;
    std::vector<std::int32_t> CountSeen;
    std::vector<std::u16string> Products; // read during the arrival
    hid::THidDeviceController* Controller = nullptr;

    void Arrival(hid::THidDevice* HidDev) {
        Events.push_back("arrival");
        Arrived.push_back(HidDev);
        InCallbackSeen.push_back(HidDev->InCallback());
        CountSeen.push_back(Controller ? Controller->Count() : -1);
        Products.push_back(HidDev->GetProductName());
    }
    void Removal(hid::THidDevice* HidDev) {
        Events.push_back("removal");
        Removed.push_back(HidDev);
        InCallbackSeen.push_back(HidDev->InCallback());
    }
    void Unplugged(hid::THidDevice*) { Events.push_back("unplug"); }
    void Changed(hid::THidDeviceController*) { Events.push_back("change"); }

    void Attach(hid::THidDeviceController& c) {
        Controller = &c;
        c.OnArrival = hid::THidPlugEvent::Of<&TEventLog::Arrival>(this);
        c.OnRemoval = hid::THidPlugEvent::Of<&TEventLog::Removal>(this);
    }
    void Clear() {
        Events.clear();
        Arrived.clear();
        Removed.clear();
        InCallbackSeen.clear();
        CountSeen.clear();
        Products.clear();
    }
};

// Records reports handed to a data handler (main thread only).
struct TReportLog {
    struct Report {
        hid::THidDevice* Device;
        std::uint8_t ReportID;
        std::vector<std::uint8_t> Data;
        std::uint16_t Size;
        const void* DataPointer;
    };
    std::vector<Report> Reports;
    std::vector<std::uint32_t> Errors;
    bool Throw = false;

    void Data(hid::THidDevice* HidDev, std::uint8_t ReportID, const void* Data,
              std::uint16_t Size) {
        const auto* bytes = static_cast<const std::uint8_t*>(Data);
        Reports.push_back(
            {HidDev, ReportID, std::vector<std::uint8_t>(bytes, bytes + Size), Size, Data});
        if (Throw)
            throw rt::Exception("handler failed");
    }
    void Other(hid::THidDevice* HidDev, std::uint8_t ReportID, const void* Data,
               std::uint16_t Size) {
        this->Data(HidDev, ReportID, Data, Size);
    }
    void Error(hid::THidDevice*, std::uint32_t Error) { Errors.push_back(Error); }

    hid::THidDataEvent Handler() { return hid::THidDataEvent::Of<&TReportLog::Data>(this); }
    hid::THidDataErrorEvent ErrorHandler() {
        return hid::THidDataErrorEvent::Of<&TReportLog::Error>(this);
    }
};

} // namespace hidtest
