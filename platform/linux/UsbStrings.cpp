#include "platform/linux/UsbStrings.h"

#include "platform/linux/Errors.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>

namespace hidraw {
namespace {

std::optional<unsigned> Number(const Properties& attributes, const char* name) {
    const auto it = attributes.find(name);
    if (it == attributes.end())
        return std::nullopt;
    const std::string& t = it->second;
    unsigned v = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size() || v > 999)
        return std::nullopt;
    return v;
}

constexpr std::uint8_t kStringDescriptor = 3;

// GET_DESCRIPTOR (string) on the default pipe; the bytes the device gave, or -1.
int GetString(int fd, std::uint8_t index, std::uint16_t language, std::uint8_t (&buffer)[255]) {
    usbdevfs_ctrltransfer request{};
    request.bRequestType = 0x80; // device to host, standard, device
    request.bRequest = 6;        // GET_DESCRIPTOR
    request.wValue = static_cast<std::uint16_t>(kStringDescriptor << 8 | index);
    request.wIndex = language;
    request.wLength = sizeof buffer;
    request.timeout = 1000;
    request.data = buffer;
    int n;
    while ((n = ioctl(fd, USBDEVFS_CONTROL, &request)) < 0 && errno == EINTR) {}
    return n;
}

} // namespace

std::string UsbfsNode(const UdevRecord& record) {
    if (!record.usbDevice.present)
        return {};
    const auto bus = Number(record.usbDevice.attributes, "busnum");
    const auto dev = Number(record.usbDevice.attributes, "devnum");
    if (!bus || !dev)
        return {};
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", *bus, *dev);
    return path;
}

std::optional<std::u16string> StringDescriptorWords(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes || size < 2 || bytes[1] != kStringDescriptor)
        return std::nullopt;
    const std::size_t length = bytes[0];
    if (length < 2 || length > size || length % 2 != 0)
        return std::nullopt;
    std::u16string words;
    for (std::size_t i = 2; i + 1 < length; i += 2)
        words.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    return words;
}

DWORD ReadStringDescriptor(const std::string& usbfsNode, std::uint8_t index,
                           std::u16string& words) {
    const int fd = open(usbfsNode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return ErrorFromOpen(errno);
    std::uint8_t buffer[255];
    DWORD error = ERROR_SUCCESS;
    int n = GetString(fd, 0, 0, buffer);
    auto languages = n < 0 ? std::nullopt : StringDescriptorWords(buffer, std::size_t(n));
    if (n < 0) {
        error = ErrorFromIo(errno);
    } else if (!languages) {
        error = ERROR_INVALID_DATA;
    } else if (index == 0) {
        words = *languages;
    } else if (languages->empty()) {
        error = ERROR_NOT_SUPPORTED; // a device without strings
    } else {
        n = GetString(fd, index, static_cast<std::uint16_t>((*languages)[0]), buffer);
        auto text = n < 0 ? std::nullopt : StringDescriptorWords(buffer, std::size_t(n));
        if (n < 0)
            error = ErrorFromIo(errno);
        else if (!text)
            error = ERROR_INVALID_DATA;
        else
            words = *text;
    }
    close(fd);
    return error;
}

} // namespace hidraw
