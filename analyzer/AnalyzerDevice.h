#pragma once
// The stand-in analyzer plugged into the virtual HID bus: vendor 0x0925, product 0x1299,
// 64-byte input and output reports (65 with the report ID).
//
//   auto analyzer = std::make_shared<analyzer::AnalyzerDevice>(3);   // layout A
//   analyzer->Model().SetDemo({.enabled = true, .seed = 1});          // or SetSample/SetMethod
//   sim::VirtualBus::Instance().Plug(analyzer);
//   ... every timer tick: analyzer->AdvanceReal(elapsedRealSeconds); // tests: Advance(s)
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
    explicit AnalyzerDevice(std::uint16_t versionNumber = 1, std::u16string serialNumber = u"0001");

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
