#pragma once
// The stand-in analyzer plugged into the virtual HID bus: vendor 0x0925, product 0x1299,
// 64-byte input and output reports (65 with the report ID).
#include "analyzer/AnalyzerModel.h"
#include "platform/sim/VirtualBus.h"

#include <cstdint>
#include <string>

namespace analyzer {

inline constexpr std::uint16_t kVendorId = 0x0925;
inline constexpr std::uint16_t kProductId = 0x1299;

sim::VirtualDeviceInfo AnalyzerInfo(std::uint16_t versionNumber,
                                    std::u16string serialNumber = u"0001");

class AnalyzerDevice : public sim::VirtualDevice {
public:
    explicit AnalyzerDevice(std::uint16_t versionNumber = 1,
                            std::u16string serialNumber = u"0001");

    AnalyzerModel& Model() { return model_; }
    const AnalyzerModel& Model() const { return model_; }

    // The clock: model seconds, or real seconds at the demo's speed-up.
    void Advance(double seconds) { model_.Advance(seconds); }
    void AdvanceReal(double realSeconds) { model_.AdvanceReal(realSeconds); }

    void OnOutputReport(const std::uint8_t* data, std::size_t length) override;

private:
    AnalyzerModel model_;
};

} // namespace analyzer
