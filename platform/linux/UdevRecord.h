#pragma once
// What udev and sysfs tell of one hidraw node, recorded once per enumeration, and how that
// becomes the interface's instance number, registry properties, attributes and strings.
// Pure functions over the record, so they are tested with recorded values.
#include "platform/WinApi.h"
#include "platform/linux/ReportDescriptor.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hidraw {

using Properties = std::map<std::string, std::string>;

// One device of the node's chain of parents.
struct UdevDevice {
    bool present = false;
    std::string sysName;   // e.g. "0003:0925:1299.000A"
    Properties properties; // udev properties (UTF-8)
    Properties attributes; // sysfs attributes read as text, trailing newline removed
};

struct UdevRecord {
    std::string devNode;  // "/dev/hidraw0"
    std::string sysPath;  // "/sys/devices/.../hidraw/hidraw0"
    UdevDevice hidraw;    // the node itself, subsystem "hidraw"
    UdevDevice hid;       // its parent in subsystem "hid"
    UdevDevice transport; // the hid device's parent: the USB interface on USB
    UdevDevice usbDevice; // subsystem "usb", device type "usb_device"; absent off USB
    std::vector<std::uint8_t> reportDescriptor;
};

// Registry properties by code (SPDRP_...), as the ANSI query returns them: strings NUL-terminated,
// string lists as NUL-terminated texts with a closing NUL, numbers 4 bytes little-endian,
// texts in Windows-1251. A property that udev has no value for is left out.
using RegistryProperties = std::map<std::uint32_t, std::string>;

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0; // bcdDevice of the USB device, 0 off USB
};

// Stays the same while the interface is plugged in (the kernel's sequence number of the
// HID device), differs between interfaces, and is new after a re-plug.
std::uint32_t InstanceNumber(const UdevRecord& record);

// No value when neither HID_ID nor the USB device's IDs are known.
std::optional<HidAttributes> AttributesOf(const UdevRecord& record);

RegistryProperties RegistryPropertiesOf(const UdevRecord& record,
                                        const ReportDescriptorInfo& descriptor);

// The USB device's product and serial strings; off USB the HID device's name and unique ID.
// No value where the device has none.
std::optional<std::u16string> ProductString(const UdevRecord& record);
std::optional<std::u16string> SerialNumberString(const UdevRecord& record);
// The USB device's manufacturer string; none off USB.
std::optional<std::u16string> ManufacturerString(const UdevRecord& record);

// Encodings of the registry values.
std::string RegistryString(const std::string& utf8);
std::string RegistryStringList(const std::vector<std::string>& utf8);
std::string RegistryDword(std::uint32_t value);

} // namespace hidraw
