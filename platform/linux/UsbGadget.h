#pragma once
// A USB HID device made by this process as a gadget through configfs (libcomposite and
// usb_f_hid): bound to a device controller (dummy_hcd's dummy_udc.0 in a test machine), the
// host side of the same kernel sees it as a USB device with a HID interface, driven by
// usbhid. What the host writes is read from the function's node (/dev/hidgN); what is
// written there goes to the host as input reports. Unbinding is the cable pulled.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hidraw {

struct GadgetIdentity {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t bcdDevice = 0; // the device's release number, the HID version number
    std::string manufacturer;
    std::string productString;
    std::string serial;
    std::vector<std::uint8_t> descriptor; // the report descriptor
    std::uint16_t reportLength = 64;      // of the interrupt endpoints
};

// One step of making the gadget, relative to its configfs folder: a folder, an attribute
// written whole in one write, or a link whose content is the target's relative path.
struct GadgetStep {
    enum Kind { Folder, File, Link };
    Kind kind;
    std::string path;
    std::string content;
};

// The steps in the order configfs takes them: identity and strings, the HID function, the
// configuration with the function linked into it. Binding (the UDC attribute) comes after.
std::vector<GadgetStep> GadgetLayout(const GadgetIdentity& identity);
// What removing the gadget undoes, in order: links and folders of the layout in reverse.
std::vector<GadgetStep> GadgetTeardown(const std::vector<GadgetStep>& layout);

inline constexpr const char* kGadgetRoot = "/sys/kernel/config/usb_gadget";

class UsbGadget {
public:
    // Makes the gadget in root/name (unbound); null with errno kept when a step fails, after
    // undoing the steps taken.
    static std::unique_ptr<UsbGadget> Create(const GadgetIdentity& identity,
                                             const std::string& root = kGadgetRoot,
                                             const std::string& name = "coldpoint");
    ~UsbGadget(); // unbinds and removes the gadget
    UsbGadget(const UsbGadget&) = delete;
    UsbGadget& operator=(const UsbGadget&) = delete;

    // Binds to the controller (the first in /sys/class/udc when none is named) and opens the
    // function's node: the cable plugged in.
    bool Bind(const std::string& udc = {});
    // Closes the node and unbinds: the cable pulled.
    bool Unbind();
    bool Bound() const { return fd_ >= 0; }
    // The function's node, "/dev/hidg0"; empty while unbound.
    const std::string& Node() const { return node_; }

    // Waits up to timeoutMs for the next report the host wrote: 1 with it, 0 when none came,
    // -1 on an error or while unbound.
    int NextOutput(std::vector<std::uint8_t>& report, int timeoutMs);
    // Sends one input report once the host takes it, waiting up to timeoutMs.
    bool SendInput(const std::uint8_t* data, std::size_t length, int timeoutMs);

private:
    UsbGadget(std::string folder, std::vector<GadgetStep> layout)
        : folder_(std::move(folder)), layout_(std::move(layout)) {}
    static void Undo(const std::string& folder, const std::vector<GadgetStep>& steps);

    std::string folder_;
    std::vector<GadgetStep> layout_;
    std::string node_;
    int fd_ = -1;
};

} // namespace hidraw
