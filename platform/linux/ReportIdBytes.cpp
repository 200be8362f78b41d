#include "platform/linux/ReportIdBytes.h"

#include <algorithm>

namespace hidraw {

std::span<std::uint8_t> KernelReadArea(std::span<std::uint8_t> buffer, bool numbered) {
    if (numbered || buffer.empty())
        return buffer;
    return buffer.subspan(1);
}

std::size_t FinishRead(std::span<std::uint8_t> buffer, std::size_t kernelBytes, bool numbered,
                       std::size_t reportLength) {
    if (buffer.empty())
        return 0;
    std::size_t seen = kernelBytes;
    if (!numbered) {
        buffer[0] = 0;
        seen = kernelBytes + 1;
    }
    seen = std::min(seen, buffer.size());
    const std::size_t whole = std::min(reportLength, buffer.size());
    if (seen < whole) {
        std::fill(buffer.begin() + seen, buffer.begin() + whole, std::uint8_t{0});
        seen = whole;
    }
    return seen;
}

bool IsWritableReport(std::span<const std::uint8_t> report, bool numbered) {
    if (report.size() < 2)
        return false;
    return numbered ? report[0] != 0 : report[0] == 0;
}

} // namespace hidraw
