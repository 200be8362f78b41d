#include "analyzer/AnalyzerDevice.h"

namespace analyzer {

sim::VirtualDeviceInfo AnalyzerInfo(std::uint16_t versionNumber, std::u16string serialNumber) {
    sim::VirtualDeviceInfo info;
    info.vendorId = kVendorId;
    info.productId = kProductId;
    info.versionNumber = versionNumber;
    info.productString = u"Kelvane A";
    info.serialNumber = std::move(serialNumber);
    info.inputReportLength = 65;
    info.outputReportLength = 65;
    return info;
}

AnalyzerDevice::AnalyzerDevice(std::uint16_t versionNumber, std::u16string serialNumber)
    : sim::VirtualDevice(AnalyzerInfo(versionNumber, std::move(serialNumber))),
      model_(versionNumber) {}

void AnalyzerDevice::OnOutputReport(const std::uint8_t* data, std::size_t length) {
    // the replies go out after the model's lock is released
    for (const InputReport& report : model_.HandleOutputReport(data, length))
        SendInputReport(report.data(), report.size());
}

} // namespace analyzer
