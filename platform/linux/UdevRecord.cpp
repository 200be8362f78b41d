#include "platform/linux/UdevRecord.h"

#include "runtime/CodePage.h"

#include <charconv>
#include <cstdio>

namespace hidraw {
namespace {

const std::string* Find(const Properties& map, const std::string& name) {
    auto it = map.find(name);
    return it == map.end() ? nullptr : &it->second;
}

std::string ValueOr(const Properties& map, const std::string& name) {
    const std::string* v = Find(map, name);
    return v ? *v : std::string();
}

std::string Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(first, last - first + 1));
}

std::optional<std::uint32_t> ParseHex(std::string_view text) {
    const std::string t = Trimmed(text);
    if (t.empty())
        return std::nullopt;
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, 16);
    if (ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return v;
}

std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
    const std::string t = Trimmed(text);
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, 10);
    if (t.empty() || ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return v;
}

// HID_ID is "bus:vendor:product" in hexadecimal, e.g. "0003:00000925:00001299".
struct HidId {
    std::uint32_t bus, vendor, product;
};

std::optional<HidId> ParseHidId(const std::string& text) {
    const auto a = text.find(':');
    const auto b = a == std::string::npos ? a : text.find(':', a + 1);
    if (b == std::string::npos)
        return std::nullopt;
    auto bus = ParseHex(std::string_view(text).substr(0, a));
    auto vendor = ParseHex(std::string_view(text).substr(a + 1, b - a - 1));
    auto product = ParseHex(std::string_view(text).substr(b + 1));
    if (!bus || !vendor || !product)
        return std::nullopt;
    return HidId{*bus, *vendor, *product};
}

std::uint32_t Fnv1a(const std::string& text) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text)
        h = (h ^ c) * 16777619u;
    return h;
}

std::string Hex4(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}

bool OnUsb(const UdevRecord& r) { return r.usbDevice.present; }

std::string FirstOf(std::initializer_list<std::string> values) {
    for (const auto& v : values)
        if (!v.empty())
            return v;
    return {};
}

std::vector<std::string> HardwareIds(const UdevRecord& r, const HidAttributes& a) {
    std::string base = "HID\\VID_" + Hex4(a.vendorId) + "&PID_" + Hex4(a.productId);
    std::string interface;
    // A composite USB device names the interface as well.
    const auto count = ParseDecimal(ValueOr(r.usbDevice.attributes, "bNumInterfaces"));
    const auto number = ParseHex(ValueOr(r.transport.attributes, "bInterfaceNumber"));
    if (count && *count > 1 && number) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "&MI_%02X", *number & 0xFF);
        interface = buf;
    }
    std::vector<std::string> ids;
    if (OnUsb(r))
        ids.push_back(base + "&REV_" + Hex4(a.versionNumber) + interface);
    ids.push_back(base + interface);
    return ids;
}

std::vector<std::string> CompatibleIds(const ReportDescriptorInfo& d) {
    std::vector<std::string> ids;
    if (d.valid && d.collectionCount > 0)
        ids.push_back("HID_DEVICE_UP:" + Hex4(d.usagePage) + "_U:" + Hex4(d.usage));
    ids.push_back("HID_DEVICE");
    return ids;
}

void PutString(RegistryProperties& out, std::uint32_t code, const std::string& utf8) {
    if (!utf8.empty())
        out[code] = RegistryString(utf8);
}

} // namespace

std::string RegistryString(const std::string& utf8) {
    std::string s = rt::Utf8ToCp1251(utf8);
    s.push_back('\0');
    return s;
}

std::string RegistryStringList(const std::vector<std::string>& utf8) {
    std::string s;
    for (const auto& item : utf8) {
        if (item.empty())
            continue; // an empty text would end the list
        s += rt::Utf8ToCp1251(item);
        s.push_back('\0');
    }
    s.push_back('\0');
    return s;
}

std::string RegistryDword(std::uint32_t value) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return s;
}

std::uint32_t InstanceNumber(const UdevRecord& record) {
    // The HID device's name ends in the kernel's sequence number: "0003:0925:1299.000A".
    const std::string& name = record.hid.sysName;
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        if (auto n = ParseHex(std::string_view(name).substr(dot + 1)); n && *n != 0)
            return *n;
    // No HID parent: the node's path, mixed with udev's time of first sight.
    const std::uint32_t h =
        Fnv1a(record.sysPath + '|' + ValueOr(record.hidraw.properties, "USEC_INITIALIZED"));
    return h == 0 ? 1 : h;
}

std::optional<HidAttributes> AttributesOf(const UdevRecord& record) {
    HidAttributes a;
    if (auto id = ParseHidId(ValueOr(record.hid.properties, "HID_ID"))) {
        a.vendorId = static_cast<std::uint16_t>(id->vendor);
        a.productId = static_cast<std::uint16_t>(id->product);
    } else {
        auto vendor = ParseHex(ValueOr(record.usbDevice.attributes, "idVendor"));
        auto product = ParseHex(ValueOr(record.usbDevice.attributes, "idProduct"));
        if (!vendor || !product)
            return std::nullopt;
        a.vendorId = static_cast<std::uint16_t>(*vendor);
        a.productId = static_cast<std::uint16_t>(*product);
    }
    if (auto bcd = ParseHex(ValueOr(record.usbDevice.attributes, "bcdDevice")))
        a.versionNumber = static_cast<std::uint16_t>(*bcd);
    return a;
}

RegistryProperties RegistryPropertiesOf(const UdevRecord& r,
                                        const ReportDescriptorInfo& descriptor) {
    RegistryProperties out;
    const auto& hid = r.hid.properties;
    const auto& usbProps = r.usbDevice.properties;
    const auto& usbAttrs = r.usbDevice.attributes;

    if (auto a = AttributesOf(r))
        out[SPDRP_HARDWAREID] = RegistryStringList(HardwareIds(r, *a));
    out[SPDRP_COMPATIBLEIDS] = RegistryStringList(CompatibleIds(descriptor));
    PutString(
        out, SPDRP_MFG,
        FirstOf({ValueOr(usbAttrs, "manufacturer"), ValueOr(usbProps, "ID_VENDOR_FROM_DATABASE")}));
    PutString(out, SPDRP_DEVICEDESC,
              FirstOf({ValueOr(usbAttrs, "product"), ValueOr(usbProps, "ID_MODEL_FROM_DATABASE"),
                       OnUsb(r) ? std::string() : ValueOr(hid, "HID_NAME")}));
    PutString(out, SPDRP_FRIENDLYNAME, ValueOr(hid, "HID_NAME"));
    PutString(out, SPDRP_LOCATION_INFORMATION, ValueOr(hid, "HID_PHYS"));
    PutString(out, SPDRP_DRIVER, ValueOr(hid, "DRIVER"));
    PutString(out, SPDRP_SERVICE, ValueOr(r.transport.properties, "DRIVER"));
    PutString(out, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME, ValueOr(r.hidraw.properties, "DEVPATH"));
    out[SPDRP_CLASS] = RegistryString("HIDClass");
    out[SPDRP_ENUMERATOR_NAME] = RegistryString("HID");
    return out;
}

std::optional<std::u16string> ProductString(const UdevRecord& record) {
    // On USB the device's product string or none: the kernel's HID name is made up
    // ("HID 0925:1299") when the device has no product string.
    const std::string text = OnUsb(record) ? ValueOr(record.usbDevice.attributes, "product")
                                           : ValueOr(record.hid.properties, "HID_NAME");
    if (text.empty())
        return std::nullopt;
    return rt::Utf8ToUtf16(text);
}

std::optional<std::u16string> SerialNumberString(const UdevRecord& record) {
    const std::string text = OnUsb(record) ? ValueOr(record.usbDevice.attributes, "serial")
                                           : ValueOr(record.hid.properties, "HID_UNIQ");
    if (text.empty())
        return std::nullopt;
    return rt::Utf8ToUtf16(text);
}

std::optional<std::u16string> ManufacturerString(const UdevRecord& record) {
    const std::string text = ValueOr(record.usbDevice.attributes, "manufacturer");
    if (text.empty())
        return std::nullopt;
    return rt::Utf8ToUtf16(text);
}

} // namespace hidraw
