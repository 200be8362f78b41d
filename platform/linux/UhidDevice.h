#pragma once
// A HID device made by this process through the kernel's uhid driver (/dev/uhid): the
// kernel lists it like any other HID device (a hidraw node among others) and passes to us
// what the host writes to it; we send its input reports.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hidraw {

struct UhidIdentity {
    std::string name;         // the HID device's name (HID_NAME), the product string off USB
    std::string uniq;         // its unique ID (HID_UNIQ), the serial number off USB
    std::uint16_t bus = 0x03; // BUS_USB
    std::uint32_t vendor = 0;
    std::uint32_t product = 0;
    std::uint32_t version = 0;
    std::vector<std::uint8_t> descriptor; // the report descriptor
};

struct UhidEvent {
    enum Kind { Start, Stop, Open, Close, Output, GetReport, SetReport, Other };
    Kind kind = Other;
    std::vector<std::uint8_t> data; // Output: the report as the host wrote it
    std::uint32_t id = 0;           // GetReport, SetReport: the request to answer
};

class UhidDevice {
public:
    // Opens the uhid node and creates the device; null with errno kept when either fails.
    static std::unique_ptr<UhidDevice> Create(const UhidIdentity& identity,
                                              const char* node = "/dev/uhid");
    ~UhidDevice(); // destroys the device
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    int Fd() const { return fd_; }
    // Waits up to timeoutMs (-1: no bound) for the kernel's next event. 0 when none came in
    // time, 1 with the event, -1 on an error.
    int Next(UhidEvent& event, int timeoutMs);
    // One input report as the device sends it (no report ID on a device without numbered
    // reports).
    bool SendInput(const std::uint8_t* data, std::size_t length);
    // Refuses a feature-report request, which these devices do not have.
    bool RefuseRequest(const UhidEvent& event);
    // Destroys the device now; the hidraw node goes with it.
    bool Destroy();

private:
    explicit UhidDevice(int fd) : fd_(fd) {}
    int fd_;
    bool created_ = false;
};

} // namespace hidraw
