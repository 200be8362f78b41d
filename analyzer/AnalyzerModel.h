#pragma once
// The stand-in analyzer without the bus: its memories, its determination and the
// decoding of the host's commands into input reports. Every member locks the model, so
// commands, the clock and the observers may come from different threads.
#include "analyzer/Determination.h"
#include "analyzer/Eeprom.h"
#include "analyzer/ParameterMap.h"
#include "analyzer/StatusReport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace analyzer {

// Report ID 0, then the 64-byte payload.
using InputReport = std::array<std::uint8_t, 65>;

// Command codes (output-report byte 2).
enum class Command : std::uint8_t {
    Poll = 0x00,
    RunControl = 0x08,
    PreStart = 0x09,
    WriteControllerByte = 0x0A,
    DumpController = 0x0B,
    Apply = 0x0C,
    Reset = 0x64,
    Ccpr1l = 0x65,
    ReadEeprom = 0x82,
    WriteEepromByte = 0x83,
    ReadEepromByte = 0x84,
    WriteEepromPage = 0x85,
};

// Arguments of command 0x08.
enum class RunControl : std::uint8_t { EndDrain = 0, Start = 1, Stop = 2, Drain = 3 };

// Reply codes in payload byte 0.
enum class Reply : std::uint8_t { ControllerDump = 0x55, EepromRead = 0x82, EepromByte = 0x84 };

// The byte a code travels as.
constexpr std::uint8_t Byte(Command code) { return static_cast<std::uint8_t>(code); }
constexpr std::uint8_t Byte(RunControl code) { return static_cast<std::uint8_t>(code); }
constexpr std::uint8_t Byte(Reply code) { return static_cast<std::uint8_t>(code); }

class AnalyzerModel {
public:
    static constexpr std::uint8_t kFactoryCcpr1l = 200;

    // The version number decides the status layout: 3 gives layout A.
    explicit AnalyzerModel(std::uint16_t versionNumber = 1);

    // One output report as written (report ID first); the input reports it answers with.
    // A report with a non-zero report ID, too short for its command's arguments, or with
    // an unknown command is ignored.
    std::vector<InputReport> HandleOutputReport(const std::uint8_t* data, std::size_t length);

    // Steps the model clock.
    void Advance(double seconds);
    // Steps it by real seconds at the demo's speed-up (1 when the demo is off).
    void AdvanceReal(double realSeconds);

    // Byte 39 of the status reports; 2 switches any version to layout A.
    void SetByte39(std::uint8_t value);
    void SetLayoutASwitch(bool on) { SetByte39(on ? 2 : 0); }
    bool LayoutA() const;
    std::uint16_t VersionNumber() const { return versionNumber_; }

    void SetSample(const Sample& sample);
    void SetMethod(Method method);
    void SetDemo(const DemoSettings& demo);
    // The determination goes on by its own clock, also while nobody polls (see Determination).
    void SetOwnClock(bool on);
    double DemoSpeedUp() const;

    std::uint8_t State() const;
    StatusFields Fields() const;
    // The status payload a poll would get now (without counting as reported).
    Payload StatusPayload() const;
    std::uint8_t Ccpr1l() const;
    WorkingParameters Working() const;
    std::uint8_t ExternalByte(std::uint16_t address) const;
    std::uint8_t ControllerByte(std::uint8_t address) const;
    int PrepareCount() const; // commands 0x09 received

    // Runs `fn(Determination&)` under the model's lock (tests place the sample, etc.).
    template <class Fn>
    auto WithDetermination(Fn&& fn) {
        std::lock_guard lock(mutex_);
        return fn(determination_);
    }

private:
    Payload StatusLocked() const;
    void Dispatch(const std::uint8_t* r, std::size_t length, std::vector<InputReport>& out);
    void LoadWorkingFromExternal();

    mutable std::mutex mutex_;
    const std::uint16_t versionNumber_;
    std::uint8_t byte39_ = 0;
    ExternalEeprom external_;
    ControllerEeprom controller_;
    Determination determination_;
    std::uint8_t ccpr1l_ = kFactoryCcpr1l;
    int prepareCount_ = 0;
};

} // namespace analyzer
