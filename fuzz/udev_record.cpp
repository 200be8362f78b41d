// udev records of hidraw nodes: whatever texts udev and sysfs hold, the interface gets an
// instance number, attributes, registry values in their encodings and its strings, also
// through the hidraw bus's enumeration.
//
// Input: lines "key=value". Keys: devNode, sysPath, descriptor (hexadecimal bytes), and
// <device>.name / <device>.p.<property> / <device>.a.<attribute> with <device> one of
// hidraw, hid, transport, usb (a device named in any key is present). A line "--" starts a
// second node.
#include "fuzz/Check.h"
#include "platform/linux/HidrawBus.h"
#include "platform/linux/UdevRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using hidraw::UdevDevice;
using hidraw::UdevRecord;

UdevDevice* DeviceOf(UdevRecord& r, std::string_view name) {
    if (name == "hidraw")
        return &r.hidraw;
    if (name == "hid")
        return &r.hid;
    if (name == "transport")
        return &r.transport;
    if (name == "usb")
        return &r.usbDevice;
    return nullptr;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void Apply(UdevRecord& r, std::string_view key, std::string_view value) {
    if (key == "devNode") {
        r.devNode = value;
        return;
    }
    if (key == "sysPath") {
        r.sysPath = value;
        return;
    }
    if (key == "descriptor") {
        for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
            const int hi = HexDigit(value[i]), lo = HexDigit(value[i + 1]);
            if (hi < 0 || lo < 0)
                break;
            r.reportDescriptor.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
        }
        return;
    }
    const auto dot = key.find('.');
    UdevDevice* d = DeviceOf(r, key.substr(0, dot));
    if (!d || dot == std::string_view::npos)
        return;
    d->present = true;
    const std::string_view rest = key.substr(dot + 1);
    if (rest == "name")
        d->sysName = value;
    else if (rest.substr(0, 2) == "p.")
        d->properties[std::string(rest.substr(2))] = value;
    else if (rest.substr(0, 2) == "a.")
        d->attributes[std::string(rest.substr(2))] = value;
}

std::vector<UdevRecord> RecordsOf(std::string_view text) {
    std::vector<UdevRecord> records(1);
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line == "--") {
            records.emplace_back();
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string_view::npos)
            Apply(records.back(), line.substr(0, eq), line.substr(eq + 1));
    }
    return records;
}

void CheckRegistryValue(DWORD code, const std::string& bytes) {
    FUZZ_CHECK(!bytes.empty() && bytes.back() == '\0');
    if (code == SPDRP_HARDWAREID || code == SPDRP_COMPATIBLEIDS)
        FUZZ_CHECK(bytes.size() >= 1 && (bytes.size() == 1 || bytes[bytes.size() - 2] == '\0'));
}

class Source final : public hidraw::UdevSource {
public:
    explicit Source(std::vector<UdevRecord> records) : records_(std::move(records)) {}
    std::vector<UdevRecord> Records() override { return records_; }
    std::optional<UdevRecord> Record(const std::string& devNode) override {
        for (const auto& r : records_)
            if (r.devNode == devNode)
                return r;
        return std::nullopt;
    }
    bool Present(const UdevRecord&) override { return true; }

private:
    std::vector<UdevRecord> records_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<UdevRecord> records =
        RecordsOf(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const UdevRecord& r : records) {
        FUZZ_CHECK(hidraw::InstanceNumber(r) != 0);
        hidraw::AttributesOf(r);
        const auto descriptor = hidraw::ParseReportDescriptor(r.reportDescriptor);
        for (const auto& [code, bytes] : hidraw::RegistryPropertiesOf(r, descriptor))
            CheckRegistryValue(code, bytes);
        hidraw::ProductString(r);
        hidraw::SerialNumberString(r);
        hidraw::ManufacturerString(r);
    }

    hidraw::HidrawBus bus(std::make_shared<Source>(records), false);
    const auto interfaces = bus.Interfaces();
    FUZZ_CHECK(interfaces.size() <= records.size());
    for (const auto& i : interfaces)
        for (DWORD code = 0; code <= SPDRP_REMOVAL_POLICY; ++code) {
            DWORD type = 0;
            std::string bytes;
            if (bus.RegistryProperty(i.instance, code, type, bytes) == ERROR_SUCCESS)
                CheckRegistryValue(code, bytes);
        }
    return 0;
}
