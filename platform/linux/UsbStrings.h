#pragma once
// String descriptors of a USB device by index, read through its usbfs node
// (/dev/bus/usb/BBB/DDD) with a control request. Index 0 is the list of language IDs.
#include "platform/WinApi.h"
#include "platform/linux/UdevRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace hidraw {

// The usbfs node of the record's USB device; empty off USB.
std::string UsbfsNode(const UdevRecord& record);

// The 16-bit words of a string descriptor (length, type 3, then the words); no value for
// bytes that are not one.
std::optional<std::u16string> StringDescriptorWords(const std::uint8_t* bytes, std::size_t size);

// Asks the device for string descriptor `index`, in its first language (index 0: the language
// list itself). The node must open for reading and writing, as usbfs requires for requests.
DWORD ReadStringDescriptor(const std::string& usbfsNode, std::uint8_t index, std::u16string& words);

} // namespace hidraw
