#pragma once
// The stand-in analyzer as a USB device: a configfs HID gadget with the analyzer's identity
// and the report descriptor of the uhid stand-in, answered by the same model.
#include "analyzer/AnalyzerModel.h"
#include "platform/linux/UsbGadget.h"

#include <cstdint>
#include <functional>

namespace analyzer {

// Vendor 0x0925, product 0x1299, the given release number (the host's HID version number),
// manufacturer "Orvane", product "Kelvane A", serial "0001", 64-byte reports.
hidraw::GadgetIdentity GadgetAnalyzerIdentity(std::uint16_t bcdDevice);

// Waits up to timeoutMs for one report the host wrote and answers it: it goes to the model
// and the model's replies go back as input reports. A reply the host does not take within
// replyTimeoutMs is dropped (the host reads only while a program has the node open). False
// when the gadget's node failed.
bool ServeOne(hidraw::UsbGadget& gadget, AnalyzerModel& model, int timeoutMs,
              int replyTimeoutMs = 1000);
// The same, and tells `sent` of every reply the host took.
bool ServeOne(hidraw::UsbGadget& gadget, AnalyzerModel& model, int timeoutMs, int replyTimeoutMs,
              const std::function<void(const InputReport&)>& sent);

} // namespace analyzer
