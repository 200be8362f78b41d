#include "app/programs/UhidAnalyzer.h"

#include "analyzer/AnalyzerDevice.h"

namespace analyzer {

std::vector<std::uint8_t> AnalyzerReportDescriptor() {
    return {
        0x06, 0x00, 0xFF, // Usage Page (vendor-defined 0xFF00)
        0x09, 0x01,       // Usage (1)
        0xA1, 0x01,       // Collection (Application)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8)
        0x95, 0x40,       //   Report Count (64)
        0x09, 0x01,       //   Usage (1)
        0x81, 0x02,       //   Input (Data, Variable, Absolute)
        0x95, 0x40,       //   Report Count (64)
        0x09, 0x01,       //   Usage (1)
        0x91, 0x02,       //   Output (Data, Variable, Absolute)
        0xC0,             // End Collection
    };
}

hidraw::UhidIdentity UhidAnalyzerIdentity() {
    hidraw::UhidIdentity id;
    id.name = "Kelvane A";
    id.uniq = "0001";
    id.vendor = kVendorId;
    id.product = kProductId;
    id.descriptor = AnalyzerReportDescriptor();
    return id;
}

bool ServeOne(hidraw::UhidDevice& device, AnalyzerModel& model, int timeoutMs) {
    hidraw::UhidEvent event;
    const int got = device.Next(event, timeoutMs);
    if (got <= 0)
        return got == 0;
    switch (event.kind) {
    case hidraw::UhidEvent::Output:
        for (const InputReport& report :
             model.HandleOutputReport(event.data.data(), event.data.size())) {
            // the device sends the payload; the report ID is not on the wire
            if (!device.SendInput(report.data() + 1, report.size() - 1))
                return false;
        }
        return true;
    case hidraw::UhidEvent::GetReport:
    case hidraw::UhidEvent::SetReport: return device.RefuseRequest(event);
    default: return true;
    }
}

} // namespace analyzer
