#include "platform/linux/UdevRecord.h"

#include <gtest/gtest.h>

namespace {

using namespace hidraw;

// The analyzer as udev records it on a USB port (values as udevadm shows them).
UdevRecord Analyzer() {
    UdevRecord r;
    r.devNode = "/dev/hidraw3";
    r.sysPath =
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/"
        "0003:0925:1299.000A/hidraw/hidraw3";
    r.hidraw = {true,
                "hidraw3",
                {{"DEVPATH",
                  "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/"
                  "0003:0925:1299.000A/hidraw/hidraw3"},
                 {"DEVNAME", "/dev/hidraw3"},
                 {"SUBSYSTEM", "hidraw"},
                 {"MAJOR", "241"},
                 {"MINOR", "3"}},
                {}};
    r.hid = {true,
             "0003:0925:1299.000A",
             {{"DRIVER", "hid-generic"},
              {"HID_ID", "0003:00000925:00001299"},
              {"HID_NAME", "Orvane Kelvane A"},
              {"HID_PHYS", "usb-0000:00:14.0-2/input0"},
              {"HID_UNIQ", ""},
              {"MODALIAS", "hid:b0003g0001v00000925p00001299"}},
             {}};
    r.transport = {true,
                   "1-2:1.0",
                   {{"DRIVER", "usbhid"}, {"INTERFACE", "3/0/0"}, {"DEVTYPE", "usb_interface"}},
                   {{"bInterfaceNumber", "00"}}};
    r.usbDevice = {true,
                   "1-2",
                   {{"DEVTYPE", "usb_device"}, {"ID_VENDOR_FROM_DATABASE", "Lakeview Research"}},
                   {{"idVendor", "0925"},
                    {"idProduct", "1299"},
                    {"bcdDevice", "0003"},
                    {"manufacturer", "Orvane"},
                    {"product", "Kelvane A"},
                    {"bNumInterfaces", " 1"}}};
    return r;
}

// A Bluetooth keyboard: no USB device above the HID device.
UdevRecord BluetoothKeyboard() {
    UdevRecord r;
    r.devNode = "/dev/hidraw5";
    r.sysPath = "/sys/devices/virtual/misc/uhid/0005:046D:B342.0011/hidraw/hidraw5";
    r.hidraw = {true, "hidraw5", {{"DEVNAME", "/dev/hidraw5"}}, {}};
    r.hid = {true,
             "0005:046D:B342.0011",
             {{"DRIVER", "hid-generic"},
              {"HID_ID", "0005:0000046D:0000B342"},
              {"HID_NAME", "Keyboard K380"},
              {"HID_PHYS", "a4:c3:f0:11:22:33"},
              {"HID_UNIQ", "f1:e2:d3:c4:b5:a6"}},
             {}};
    r.transport = {true, "uhid", {}, {}};
    return r;
}

ReportDescriptorInfo VendorCollection() {
    ReportDescriptorInfo d;
    d.valid = true;
    d.usagePage = 0xFF00;
    d.usage = 0x0001;
    d.collectionCount = 1;
    return d;
}

std::string Text(const RegistryProperties& p, std::uint32_t code) {
    auto it = p.find(code);
    return it == p.end() ? std::string() : it->second;
}

// A string value as the reader takes it: up to the first NUL.
std::string Str(const RegistryProperties& p, std::uint32_t code) {
    const std::string raw = Text(p, code);
    return raw.substr(0, raw.find('\0'));
}

// A string list as the reader walks it: texts up to the first empty one.
std::vector<std::string> List(const RegistryProperties& p, std::uint32_t code) {
    const std::string raw = Text(p, code);
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        const auto end = raw.find('\0', pos);
        const std::string item = raw.substr(pos, end - pos);
        if (item.empty())
            break;
        items.push_back(item);
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    return items;
}

TEST(UdevRecord, AnalyzerRegistryProperties) {
    const auto p = RegistryPropertiesOf(Analyzer(), VendorCollection());
    EXPECT_EQ(
        List(p, SPDRP_HARDWAREID),
        (std::vector<std::string>{"HID\\VID_0925&PID_1299&REV_0003", "HID\\VID_0925&PID_1299"}));
    EXPECT_EQ(List(p, SPDRP_COMPATIBLEIDS),
              (std::vector<std::string>{"HID_DEVICE_UP:FF00_U:0001", "HID_DEVICE"}));
    EXPECT_EQ(Str(p, SPDRP_MFG), "Orvane");
    EXPECT_EQ(Str(p, SPDRP_DEVICEDESC), "Kelvane A");
    EXPECT_EQ(Str(p, SPDRP_FRIENDLYNAME), "Orvane Kelvane A");
    EXPECT_EQ(Str(p, SPDRP_LOCATION_INFORMATION), "usb-0000:00:14.0-2/input0");
    EXPECT_EQ(Str(p, SPDRP_DRIVER), "hid-generic");
    EXPECT_EQ(Str(p, SPDRP_SERVICE), "usbhid");
    EXPECT_EQ(Str(p, SPDRP_CLASS), "HIDClass");
    EXPECT_EQ(Str(p, SPDRP_ENUMERATOR_NAME), "HID");
    EXPECT_EQ(Str(p, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME),
              "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/0003:0925:1299.000A/"
              "hidraw/hidraw3");
    // Nothing on Linux stands for these: the query fails, the readers give empty or 0.
    for (std::uint32_t code : {SPDRP_CLASSGUID, SPDRP_CAPABILITIES, SPDRP_UI_NUMBER,
                               SPDRP_BUSNUMBER, 10u, 17u, 18u, 19u, 24u, 25u, 26u, 27u, 28u, 30u})
        EXPECT_EQ(p.count(code), 0u) << "property " << code;
}

TEST(UdevRecord, StringListEncodingEndsInDoubleNul) {
    const auto p = RegistryPropertiesOf(Analyzer(), VendorCollection());
    const std::string raw = Text(p, SPDRP_HARDWAREID);
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.substr(raw.size() - 2), std::string(2, '\0'));
    EXPECT_EQ(RegistryStringList({}), std::string(1, '\0'));
    // An empty item would end the list early: it is left out.
    EXPECT_EQ(RegistryStringList({"A", "", "B"}), std::string("A\0B\0\0", 5));
}

TEST(UdevRecord, MissingValuesAreLeftOut) {
    UdevRecord r = Analyzer();
    r.hid.properties.erase("HID_NAME");
    r.usbDevice.attributes.erase("manufacturer");
    r.usbDevice.properties.clear();
    const auto p = RegistryPropertiesOf(r, ReportDescriptorInfo{});
    EXPECT_EQ(p.count(SPDRP_FRIENDLYNAME), 0u);
    EXPECT_EQ(p.count(SPDRP_MFG), 0u);
    // An unreadable descriptor leaves only the generic compatible ID.
    EXPECT_EQ(List(p, SPDRP_COMPATIBLEIDS), std::vector<std::string>{"HID_DEVICE"});
}

TEST(UdevRecord, CyrillicTextsAreWindows1251) {
    UdevRecord r = Analyzer();
    r.usbDevice.attributes["product"] = "Анализатор";
    const auto p = RegistryPropertiesOf(r, VendorCollection());
    EXPECT_EQ(Str(p, SPDRP_DEVICEDESC), "\xC0\xED\xE0\xEB\xE8\xE7\xE0\xF2\xEE\xF0");
    EXPECT_EQ(ProductString(r), std::u16string(u"Анализатор"));
}

TEST(UdevRecord, CompositeDeviceNamesTheInterface) {
    UdevRecord r = Analyzer();
    r.usbDevice.attributes["bNumInterfaces"] = " 2";
    r.transport.attributes["bInterfaceNumber"] = "01";
    const auto p = RegistryPropertiesOf(r, VendorCollection());
    EXPECT_EQ(List(p, SPDRP_HARDWAREID),
              (std::vector<std::string>{"HID\\VID_0925&PID_1299&REV_0003&MI_01",
                                        "HID\\VID_0925&PID_1299&MI_01"}));
}

TEST(UdevRecord, Attributes) {
    auto a = AttributesOf(Analyzer());
    ASSERT_TRUE(a);
    EXPECT_EQ(a->vendorId, 0x0925);
    EXPECT_EQ(a->productId, 0x1299);
    EXPECT_EQ(a->versionNumber, 0x0003);

    // Off USB there is no bcdDevice: version 0.
    auto bt = AttributesOf(BluetoothKeyboard());
    ASSERT_TRUE(bt);
    EXPECT_EQ(bt->vendorId, 0x046D);
    EXPECT_EQ(bt->productId, 0xB342);
    EXPECT_EQ(bt->versionNumber, 0);

    // Without HID_ID the USB device's IDs stand in; without either there are none.
    UdevRecord r = Analyzer();
    r.hid.properties.erase("HID_ID");
    ASSERT_TRUE(AttributesOf(r));
    EXPECT_EQ(AttributesOf(r)->productId, 0x1299);
    r.usbDevice = {};
    EXPECT_FALSE(AttributesOf(r));
    r.hid.properties["HID_ID"] = "garbage";
    EXPECT_FALSE(AttributesOf(r));
}

TEST(UdevRecord, Strings) {
    EXPECT_EQ(ProductString(Analyzer()), std::u16string(u"Kelvane A"));
    EXPECT_FALSE(SerialNumberString(Analyzer())); // the analyzer has no serial string

    UdevRecord noProduct = Analyzer();
    noProduct.usbDevice.attributes.erase("product");
    noProduct.hid.properties["HID_NAME"] = "HID 0925:1299"; // the kernel's made-up name
    EXPECT_FALSE(ProductString(noProduct));

    UdevRecord withSerial = Analyzer();
    withSerial.usbDevice.attributes["serial"] = "KV-0042";
    EXPECT_EQ(SerialNumberString(withSerial), std::u16string(u"KV-0042"));

    EXPECT_EQ(ProductString(BluetoothKeyboard()), std::u16string(u"Keyboard K380"));
    EXPECT_EQ(SerialNumberString(BluetoothKeyboard()), std::u16string(u"f1:e2:d3:c4:b5:a6"));

    const auto bt = RegistryPropertiesOf(BluetoothKeyboard(), VendorCollection());
    EXPECT_EQ(List(bt, SPDRP_HARDWAREID), std::vector<std::string>{"HID\\VID_046D&PID_B342"});
    EXPECT_EQ(Str(bt, SPDRP_DEVICEDESC), "Keyboard K380");
}

TEST(UdevRecord, InstanceNumber) {
    const UdevRecord a = Analyzer();
    EXPECT_EQ(InstanceNumber(a), 0x000Au);
    EXPECT_EQ(InstanceNumber(a), InstanceNumber(Analyzer())); // two enumerations

    // A second interface of the same device, and the analyzer plugged in again later.
    UdevRecord second = Analyzer();
    second.hid.sysName = "0003:0925:1299.000B";
    UdevRecord replugged = Analyzer();
    replugged.hid.sysName = "0003:0925:1299.0013";
    EXPECT_NE(InstanceNumber(second), InstanceNumber(a));
    EXPECT_NE(InstanceNumber(replugged), InstanceNumber(a));

    // Without a HID parent the node's path decides, never 0.
    UdevRecord orphan = Analyzer();
    orphan.hid = {};
    UdevRecord otherOrphan = orphan;
    otherOrphan.sysPath += "x";
    EXPECT_NE(InstanceNumber(orphan), 0u);
    EXPECT_EQ(InstanceNumber(orphan), InstanceNumber(orphan));
    EXPECT_NE(InstanceNumber(orphan), InstanceNumber(otherOrphan));
}

TEST(UdevRecord, DwordEncoding) {
    EXPECT_EQ(RegistryDword(0x12345678u), std::string("\x78\x56\x34\x12", 4));
}

} // namespace
