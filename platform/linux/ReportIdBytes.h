#pragma once
// The report-ID byte between the system and hidraw. The system always sees the report ID in
// byte 0, 0 for a device without numbered reports. hidraw's read gives the report ID first
// only for a device with numbered reports, so a 0 is put in front for the others. Its write
// takes byte 0 as the report number in both cases and leaves a 0 out by itself, so the
// system's bytes go to the kernel unchanged; leaving the 0 out here too would make the kernel
// take the first data byte for the report number.
#include <cstddef>
#include <cstdint>
#include <span>

namespace hidraw {

// The part of the system's read buffer that read(2) fills.
std::span<std::uint8_t> KernelReadArea(std::span<std::uint8_t> buffer, bool numbered);

// After read(2) put kernelBytes into KernelReadArea(buffer, numbered): writes the 0 report-ID
// byte in front for a device without numbered reports and fills a report shorter than
// reportLength (report-ID byte included) with zeros up to it, as the original platform
// always delivers whole reports. Returns the byte count the system sees (at most the
// buffer's size).
std::size_t FinishRead(std::span<std::uint8_t> buffer, std::size_t kernelBytes, bool numbered,
                       std::size_t reportLength);

// Whether the report may go to write(2): it holds the report ID and at least one more byte,
// and that ID is 0 exactly when the device has no numbered reports.
bool IsWritableReport(std::span<const std::uint8_t> report, bool numbered);

} // namespace hidraw
