// The uhid device's events as the kernel reads them, written to a plain file standing in for
// /dev/uhid (the kernel's side is checked in the test machine).
#include "platform/linux/UhidDevice.h"

#include <gtest/gtest.h>

#include <linux/uhid.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using hidraw::UhidDevice;
using hidraw::UhidIdentity;

class UhidEvents : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/uhid-events-XXXXXX";
        const int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = tmpl;
    }
    void TearDown() override { std::remove(path_.c_str()); }

    // The events written so far.
    std::vector<uhid_event> Events() const {
        std::ifstream in(path_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(bytes.size() % sizeof(uhid_event), 0u);
        std::vector<uhid_event> events(bytes.size() / sizeof(uhid_event));
        if (!events.empty())
            std::memcpy(events.data(), bytes.data(), events.size() * sizeof(uhid_event));
        return events;
    }

    static UhidIdentity Identity() {
        UhidIdentity id;
        id.name = "Kelvane A";
        id.uniq = "0001";
        id.vendor = 0x0925;
        id.product = 0x1299;
        id.version = 7;
        id.descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0};
        return id;
    }

    std::string path_;
};

TEST_F(UhidEvents, CreateSendAndDestroy) {
    {
        auto device = UhidDevice::Create(Identity(), path_.c_str());
        ASSERT_TRUE(device);
        const std::uint8_t report[64] = {0x55, 1, 2, 3};
        EXPECT_TRUE(device->SendInput(report, sizeof report));
        EXPECT_TRUE(device->Destroy());
    } // destroyed already: the destructor adds nothing
    const auto events = Events();
    ASSERT_EQ(events.size(), 3u);

    const uhid_create2_req& c = events[0].u.create2;
    EXPECT_EQ(events[0].type, UHID_CREATE2);
    EXPECT_STREQ(reinterpret_cast<const char*>(c.name), "Kelvane A");
    EXPECT_STREQ(reinterpret_cast<const char*>(c.uniq), "0001");
    EXPECT_EQ(c.bus, 0x03);
    EXPECT_EQ(c.vendor, 0x0925u);
    EXPECT_EQ(c.product, 0x1299u);
    EXPECT_EQ(c.version, 7u);
    ASSERT_EQ(c.rd_size, Identity().descriptor.size());
    EXPECT_EQ(std::memcmp(c.rd_data, Identity().descriptor.data(), c.rd_size), 0);

    EXPECT_EQ(events[1].type, UHID_INPUT2);
    EXPECT_EQ(events[1].u.input2.size, 64);
    EXPECT_EQ(events[1].u.input2.data[0], 0x55);
    EXPECT_EQ(events[1].u.input2.data[3], 3);

    EXPECT_EQ(events[2].type, UHID_DESTROY);
}

TEST_F(UhidEvents, DestructorDestroysTheDevice) {
    UhidDevice::Create(Identity(), path_.c_str()).reset();
    const auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].type, UHID_DESTROY);
}

TEST_F(UhidEvents, RefusedInput) {
    struct Case {
        const char* what;
        std::string name;
        std::size_t descriptorSize;
    };
    const Case cases[] = {
        {"no descriptor", "x", 0},
        {"descriptor too long", "x", HID_MAX_DESCRIPTOR_SIZE + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UhidIdentity id = Identity();
        id.descriptor.assign(c.descriptorSize, 0);
        errno = 0;
        EXPECT_FALSE(UhidDevice::Create(id, path_.c_str()));
        EXPECT_EQ(errno, EINVAL);
    }
    EXPECT_TRUE(Events().empty());

    // a name longer than the kernel's field is cut, still ending in a zero
    UhidIdentity id = Identity();
    id.name.assign(300, 'n');
    auto device = UhidDevice::Create(id, path_.c_str());
    ASSERT_TRUE(device);
    std::vector<std::uint8_t> tooLong(UHID_DATA_MAX + 1, 0);
    EXPECT_FALSE(device->SendInput(tooLong.data(), tooLong.size()));
    device.reset();
    const auto events = Events();
    ASSERT_EQ(events.size(), 2u); // create, destroy: nothing for the refused report
    const auto& name = events[0].u.create2.name;
    EXPECT_EQ(name[sizeof name - 1], 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(name)), sizeof name - 1);

    EXPECT_FALSE(UhidDevice::Create(Identity(), "/nonexistent/uhid"));
}

} // namespace
