#pragma once
// A small HID report-descriptor parser: the report lengths a HID interface exposes.
// Lengths are in bytes with the report-ID byte counted (also for a device without
// numbered reports, whose reports carry ID 0), so 64-byte reports without IDs give 65;
// a report kind the device does not have gives 0.
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace hidraw {

// Bits of one report ID in each direction.
struct ReportBits {
    std::uint32_t input = 0;
    std::uint32_t output = 0;
    std::uint32_t feature = 0;
};

struct ReportDescriptorInfo {
    // False when the descriptor is malformed (truncated item, Pop without Push, a report
    // ID of 0 or above 255, a report beyond the kernel's buffer); then every length is 0.
    bool valid = false;
    bool numberedReports = false; // a Report ID item was seen
    std::uint16_t usagePage = 0;  // of the first top-level collection
    std::uint16_t usage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    std::uint16_t collectionCount = 0;          // every Collection item, nested ones too
    std::map<std::uint8_t, ReportBits> reports; // by report ID (0 when not numbered)
};

// The kernel's limit on a report, report-ID byte included.
inline constexpr std::size_t kMaxReportBytes = 16384;

ReportDescriptorInfo ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

} // namespace hidraw
