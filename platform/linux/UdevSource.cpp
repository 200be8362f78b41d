#include "platform/linux/UdevSource.h"

#include <libudev.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace hidraw {
namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
};
template <class T>
using Owned = std::unique_ptr<T, UdevDeleter>;

const char* const kUsbDeviceAttributes[] = {"idVendor",       "idProduct", "bcdDevice",
                                            "manufacturer",   "product",   "serial",
                                            "bNumInterfaces", "busnum",    "devnum"};
const char* const kTransportAttributes[] = {"bInterfaceNumber"};

std::string Text(const char* s) { return s ? s : ""; }

UdevDevice Describe(udev_device* d, std::span<const char* const> attributes) {
    UdevDevice out;
    if (!d)
        return out;
    out.present = true;
    out.sysName = Text(udev_device_get_sysname(d));
    udev_list_entry* e;
    udev_list_entry_foreach(e, udev_device_get_properties_list_entry(d))
        out.properties[Text(udev_list_entry_get_name(e))] = Text(udev_list_entry_get_value(e));
    for (const char* name : attributes) {
        if (const char* v = udev_device_get_sysattr_value(d, name)) {
            std::string value = v;
            while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
                value.pop_back();
            out.attributes[name] = value;
        }
    }
    return out;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The record of a hidraw node; no value for a node without a device node path.
std::optional<UdevRecord> RecordOf(udev_device* node) {
    const char* devNode = udev_device_get_devnode(node);
    if (!devNode)
        return std::nullopt;
    UdevRecord r;
    r.devNode = devNode;
    r.sysPath = Text(udev_device_get_syspath(node));
    r.hidraw = Describe(node, {});
    // Parents belong to the child: they are not unreferenced here.
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(node, "hid", nullptr);
    r.hid = Describe(hid, {});
    r.transport = Describe(hid ? udev_device_get_parent(hid) : nullptr, kTransportAttributes);
    r.usbDevice = Describe(udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device"),
                           kUsbDeviceAttributes);
    if (hid)
        r.reportDescriptor = ReadFile(Text(udev_device_get_syspath(hid)) + "/report_descriptor");
    return r;
}

class LibudevSource final : public UdevSource {
public:
    LibudevSource() : udev_(udev_new()) {}

    std::vector<UdevRecord> Records() override {
        std::vector<UdevRecord> out;
        if (!udev_)
            return out;
        Owned<udev_enumerate> e(udev_enumerate_new(udev_.get()));
        if (!e || udev_enumerate_add_match_subsystem(e.get(), "hidraw") < 0 ||
            udev_enumerate_scan_devices(e.get()) < 0)
            return out;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
            Owned<udev_device> node(
                udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
            if (!node)
                continue; // gone between the scan and now
            if (auto r = RecordOf(node.get()))
                out.push_back(std::move(*r));
        }
        return out;
    }

    std::optional<UdevRecord> Record(const std::string& devNode) override {
        if (!udev_)
            return std::nullopt;
        const auto slash = devNode.rfind('/');
        const std::string sysName =
            slash == std::string::npos ? devNode : devNode.substr(slash + 1);
        Owned<udev_device> node(
            udev_device_new_from_subsystem_sysname(udev_.get(), "hidraw", sysName.c_str()));
        if (!node)
            return std::nullopt;
        auto r = RecordOf(node.get());
        if (!r || r->devNode != devNode)
            return std::nullopt;
        return r;
    }

    bool Present(const UdevRecord& record) override {
        // The path names the HID device with its sequence number: a re-plug changes it.
        return !record.sysPath.empty() && access(record.sysPath.c_str(), F_OK) == 0;
    }

private:
    Owned<udev> udev_;
};

} // namespace

std::unique_ptr<UdevSource> MakeLibudevSource() { return std::make_unique<LibudevSource>(); }

} // namespace hidraw
