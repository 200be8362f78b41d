#pragma once
// The stand-in analyzer as a kernel HID device: created through uhid with the analyzer's
// identity and report descriptor, and answered by the same model the virtual bus uses.
#include "analyzer/AnalyzerModel.h"
#include "platform/linux/UhidDevice.h"

#include <cstdint>
#include <vector>

namespace analyzer {

// Vendor-defined, no numbered reports, one 64-byte input and one 64-byte output report.
std::vector<std::uint8_t> AnalyzerReportDescriptor();

// Vendor 0x0925, product 0x1299, product string "Kelvane A", serial "0001". The version
// number is not seen off USB (the host reads 0).
hidraw::UhidIdentity UhidAnalyzerIdentity();

// Waits up to timeoutMs for one event of the device and answers it: an output report goes
// to the model and its replies go back as input reports. False when the device failed.
bool ServeOne(hidraw::UhidDevice& device, AnalyzerModel& model, int timeoutMs);

} // namespace analyzer
