#pragma once
// Checks run inside the test machine, against the kernel's own hidraw driver: the devices
// are made through uhid by this process (or by coldpoint-uhid), found through the machine's
// udev and reached through the Linux bus and the HID layer.
#include "analyzer/StatusReport.h"
#include "app/core/InputReport.h"
#include "app/core/OutputReport.h"
#include "app/programs/UhidAnalyzer.h"
#include "hid/HidControllerClass.h"
#include "platform/linux/UhidDevice.h"
#include "runtime/MainThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vmcheck {

using namespace std::chrono_literals;

// Another HID device: vendor-defined, numbered report 1 of 8 bytes each way.
hidraw::UhidIdentity OtherIdentity();
// The device that marks the events before it as handed on (see KernelBus::Settled).
hidraw::UhidIdentity MarkIdentity();

// Commands that together use every byte of an output report: a poll, a start, an EEPROM page
// write and a report whose bytes count up.
std::vector<core::TOutputReport> SampleCommands();

// A status of a determination under way, every field set.
analyzer::StatusFields RunningFields();

// Runs the main-thread queue (where the hot-plug broadcasts land) until the condition holds
// or the bound passes; the kernel and udev take their own time.
template <class Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds bound = 15s) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        rt::MainThread::WaitAndProcess(10ms);
    }
    return true;
}

// The next output report the device receives within the bound; other events are passed
// over, and feature-report requests refused.
std::optional<std::vector<std::uint8_t>> NextOutput(hidraw::UhidDevice& device,
                                                    std::chrono::milliseconds bound = 5s);

// A controller on the machine's bus, with its arrivals and removals recorded.
class KernelBus : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Creates the device through uhid and waits until the controller lists it.
    std::unique_ptr<hidraw::UhidDevice> Create(const hidraw::UhidIdentity& identity);
    // The listed device with these IDs, or null.
    hid::THidDevice* Listed(std::uint16_t vendor, std::uint16_t product) const;
    // Checks it out with a data handler that records the reports.
    hid::THidDevice* CheckOutAnalyzer();
    // Waits (bounded) until every device event so far has reached the controller: udev has
    // settled, then a device made after that has been listed and has gone again (the hot-plug
    // monitor hands the events on in order). That device's arrival and removal are not
    // recorded.
    bool Settled();
    // The arrivals of devices with these IDs.
    int ArrivalsOf(std::uint16_t vendor, std::uint16_t product) const;
    // Opens the listed analyzer, starts a read and ends the device by pull: the read must end
    // at once, failed, and the device leave the list with one removal.
    void ExpectPendingReadEndsWhen(const std::function<bool()>& pull);
    // Sends one status payload through send and waits for the read thread: exactly that
    // report, whole and without an ID, must arrive. Returns it as the status parser reads it
    // with the device's version number; null (and a failure) where it did not arrive.
    std::optional<core::TMeasurement> StatusThrough(hid::THidDevice* device,
                                                    const analyzer::Payload& payload,
                                                    const std::function<bool()>& send);

    // What the controller's arrival shows of a device: it is accessible only then, or once
    // checked out.
    struct Arrived {
        hid::THidDevice* device;
        DWORD instance;
        HIDD_ATTRIBUTES attributes;
        std::u16string productName;
        HIDP_CAPS caps;
    };
    const Arrived* ArrivalOf(std::uint16_t vendor, std::uint16_t product) const;

    void Arrival(hid::THidDevice* device);
    void Removal(hid::THidDevice* device) {
        if (!IsMark(device))
            removals_.push_back(device);
    }
    static bool IsMark(const hid::THidDevice* device);
    void Data(hid::THidDevice*, std::uint8_t reportId, const void* data, std::uint16_t size);

    struct Report {
        std::uint8_t id;
        std::vector<std::uint8_t> bytes;
    };

    std::unique_ptr<hid::THidDeviceController> controller_;
    std::vector<Arrived> arrivals_;
    std::vector<hid::THidDevice*> removals_;
    std::vector<Report> reports_;
    std::vector<hid::THidDevice*> out_; // checked out, freed at the end
};

} // namespace vmcheck
