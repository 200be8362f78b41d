#include "platform/linux/UsbStrings.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using namespace hidraw;
using Bytes = std::vector<std::uint8_t>;

TEST(UsbStrings, UsbfsNodeOfTheUsbDevice) {
    UdevRecord r;
    EXPECT_EQ(UsbfsNode(r), ""); // off USB
    r.usbDevice.present = true;
    EXPECT_EQ(UsbfsNode(r), ""); // numbers unknown
    r.usbDevice.attributes = {{"busnum", "1"}, {"devnum", "12"}};
    EXPECT_EQ(UsbfsNode(r), "/dev/bus/usb/001/012");
    for (const char* bad : {"", "x", "-1", "1000", "1 "}) {
        r.usbDevice.attributes["devnum"] = bad;
        EXPECT_EQ(UsbfsNode(r), "") << bad;
    }
}

TEST(UsbStrings, StringDescriptorWords) {
    const struct {
        Bytes bytes;
        std::optional<std::u16string> words;
    } cases[] = {
        {{0x04, 0x03, 0x09, 0x04}, u"\u0409"},                   // the language list: US English
        {{0x06, 0x03, 0x09, 0x04, 0x19, 0x04}, u"\u0409\u0419"}, // and Russian
        {{0x0A, 0x03, '0', 0, '0', 0, '0', 0, '1', 0}, u"0001"},
        {{0x02, 0x03}, u""},                         // no languages
        {{0x04, 0x03, 0x09, 0x04, 0xEE}, u"\u0409"}, // bytes after its length
        {{0x04, 0x02, 0x09, 0x04}, std::nullopt},    // not a string descriptor
        {{0x06, 0x03, 0x09, 0x04}, std::nullopt},    // longer than what came
        {{0x03, 0x03, 0x09}, std::nullopt},          // odd length
        {{0x04}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(StringDescriptorWords(c.bytes.data(), c.bytes.size()), c.words);
    }
}

TEST(UsbStrings, ANodeThatDoesNotOpenFails) {
    std::u16string words = u"kept";
    EXPECT_EQ(ReadStringDescriptor("/nonexistent/bus/usb/001/001", 0, words),
              DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(words, u"kept");
}

} // namespace
