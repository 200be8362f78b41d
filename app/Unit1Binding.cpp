// Finding the analyzer among the HID devices: every arrival gives back every held device,
// takes every device again and binds the report parser to the analyzer.
#include "app/Unit1.h"

#include "runtime/CodePage.h"
#include "runtime/SysUtils.h"

namespace {

constexpr std::uint16_t kAnalyzerVendorId = 0x0925;
constexpr std::uint16_t kAnalyzerProductId = 0x1299;

bool IsAnalyzer(const hid::THidDevice* device) {
    const HIDD_ATTRIBUTES& a = device->Attributes();
    return a.VendorID == kAnalyzerVendorId && a.ProductID == kAnalyzerProductId;
}

} // namespace

std::string TForm1::DeviceName(hid::THidDevice* Device) {
    std::string name;
    const std::u16string product = Device->GetProductName();
    if (!product.empty()) {
        name = rt::Utf16ToUtf8(product);
    } else {
        const HIDD_ATTRIBUTES& a = Device->Attributes();
        name = rt::Format("Device VID=%.4X PID=%.4X", unsigned{a.VendorID}, unsigned{a.ProductID});
    }
    const std::u16string serial = Device->GetSerialNumber();
    if (!serial.empty())
        name += " (Serial=" + rt::Utf16ToUtf8(serial) + ")";
    return name;
}

void TForm1::FreeDeviceList() {
    // Freeing a device checks it in (its read thread stops, its data handler is cleared).
    // The current device stops being current before it goes, so nothing that runs while
    // its read thread ends (a report handed over) reaches a device being freed.
    for (app::TDeviceEntry& entry : FDeviceList) {
        if (entry.Device == FCurrentDevice)
            FCurrentDevice = nullptr;
        delete entry.Device;
        entry.Device = nullptr;
    }
    FDeviceList.clear();
}

void TForm1::HidControllerArrival(hid::THidDevice*) {
    FreeDeviceList();
    FCurrentDevice = nullptr;
    hid::THidDevice* device = nullptr;
    while (HidController->CheckOut(device) && device) {
        app::TDeviceEntry entry;
        entry.Name = DeviceName(device);
        device->SetNumInputBuffers(128);
        device->SetNumOverlappedBuffers(128);
        entry.Device = device;
        FDeviceList.push_back(std::move(entry));
        if (IsAnalyzer(device)) {
            if (FCurrentDevice) {
                FCurrentDevice->SetDataEvent({});
                FCurrentDevice = nullptr;
            }
            device->SetDataEvent(hid::THidDataEvent::Of<&TForm1::ParseDeviceReport>(this));
            FCurrentDevice = device;
        }
        device = nullptr;
    }
}

bool TForm1::HidControllerEnumerate(hid::THidDevice* HidDev, const std::int32_t Idx) {
    app::TDeviceEntry entry;
    entry.Name = DeviceName(HidDev);
    hid::THidDevice* device = nullptr;
    // A failed check-out lists nothing.
    if (!HidController->CheckOutByIndex(device, Idx) || !device)
        return true;
    device->SetNumInputBuffers(128);
    device->SetNumOverlappedBuffers(128);
    entry.Device = device;
    FDeviceList.push_back(std::move(entry));
    return true;
}
