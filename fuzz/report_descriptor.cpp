// HID report descriptors: any bytes give lengths within the kernel's buffer (0 for a
// malformed descriptor), and a read of any length completes within the read buffer.
#include "fuzz/Check.h"
#include "platform/linux/ReportDescriptor.h"
#include "platform/linux/ReportIdBytes.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const hidraw::ReportDescriptorInfo info = hidraw::ParseReportDescriptor({data, size});
    if (!info.valid) {
        FUZZ_CHECK(info.inputReportByteLength == 0 && info.outputReportByteLength == 0 &&
                   info.featureReportByteLength == 0);
        return 0;
    }
    FUZZ_CHECK(info.inputReportByteLength <= hidraw::kMaxReportBytes);
    FUZZ_CHECK(info.outputReportByteLength <= hidraw::kMaxReportBytes);
    FUZZ_CHECK(info.featureReportByteLength <= hidraw::kMaxReportBytes);
    FUZZ_CHECK(info.reports.size() <= 256);
    if (!info.numberedReports)
        FUZZ_CHECK(info.reports.size() <= 1);

    // The read thread's buffer: any byte count the kernel may give for this device.
    std::vector<std::uint8_t> buffer(hidraw::kMaxReportBytes + 1, 0xA5);
    const auto area = hidraw::KernelReadArea(buffer, info.numberedReports);
    FUZZ_CHECK(area.size() <= buffer.size());
    const std::size_t kernel = size == 0 ? 0 : (data[0] * 131u + size) % (area.size() + 1);
    const std::size_t seen =
        hidraw::FinishRead(buffer, kernel, info.numberedReports, info.inputReportByteLength);
    FUZZ_CHECK(seen <= buffer.size());
    FUZZ_CHECK(seen >= info.inputReportByteLength);
    if (!info.numberedReports)
        FUZZ_CHECK(buffer[0] == 0);

    hidraw::IsWritableReport({data, size}, info.numberedReports);
    return 0;
}
