#include "app/programs/GadgetAnalyzer.h"

#include "analyzer/AnalyzerDevice.h"
#include "app/programs/UhidAnalyzer.h"

namespace analyzer {

hidraw::GadgetIdentity GadgetAnalyzerIdentity(std::uint16_t bcdDevice) {
    hidraw::GadgetIdentity id;
    id.vendor = kVendorId;
    id.product = kProductId;
    id.bcdDevice = bcdDevice;
    id.manufacturer = "Orvane";
    id.productString = "Kelvane A";
    id.serial = "0001";
    id.descriptor = AnalyzerReportDescriptor();
    id.reportLength = 64;
    return id;
}

bool ServeOne(hidraw::UsbGadget& gadget, AnalyzerModel& model, int timeoutMs, int replyTimeoutMs) {
    return ServeOne(gadget, model, timeoutMs, replyTimeoutMs, {});
}

bool ServeOne(hidraw::UsbGadget& gadget, AnalyzerModel& model, int timeoutMs, int replyTimeoutMs,
              const std::function<void(const InputReport&)>& sent) {
    std::vector<std::uint8_t> written;
    const int got = gadget.NextOutput(written, timeoutMs);
    if (got <= 0)
        return got == 0;
    // the wire carries no report ID: the model takes the report as the host built it
    written.insert(written.begin(), 0);
    for (const InputReport& report : model.HandleOutputReport(written.data(), written.size()))
        if (gadget.SendInput(report.data() + 1, report.size() - 1, replyTimeoutMs) && sent)
            sent(report);
    return true;
}

} // namespace analyzer
