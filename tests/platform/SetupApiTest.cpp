// Device-information sets over the virtual bus: enumeration, interface details, properties.
#include "PlatformFixture.h"

#include <cstring>

namespace platform_test {
namespace {

class SetupApiTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        module_ = LoadLibraryA("SetupApi.dll");
        ASSERT_NE(module_, 0);
        getClassDevs_ = Bind<TSetupDiGetClassDevsA>("SetupDiGetClassDevsA");
        enumInterfaces_ = Bind<TSetupDiEnumDeviceInterfaces>("SetupDiEnumDeviceInterfaces");
        detail_ = Bind<TSetupDiGetDeviceInterfaceDetailA>("SetupDiGetDeviceInterfaceDetailA");
        property_ = Bind<TSetupDiGetDeviceRegistryPropertyA>("SetupDiGetDeviceRegistryPropertyA");
        destroy_ = Bind<TSetupDiDestroyDeviceInfoList>("SetupDiDestroyDeviceInfoList");
    }
    void TearDown() override {
        FreeLibrary(module_);
        PlatformTest::TearDown();
    }

    template <class T>
    T Bind(const char* name) {
        return reinterpret_cast<T>(GetProcAddress(module_, name));
    }

    HDEVINFO Present() {
        return getClassDevs_(&GUID_DEVINTERFACE_HID, nullptr, 0,
                             DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    }

    struct Found {
        DWORD instance;
        std::string path;
    };

    // The enumeration as the HID layer runs it.
    std::vector<Found> Enumerate() {
        std::vector<Found> found;
        HDEVINFO set = Present();
        EXPECT_NE(set, INVALID_HANDLE_VALUE);
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA iface{};
            iface.cbSize = 28;
            if (!enumInterfaces_(set, nullptr, &GUID_DEVINTERFACE_HID, index, &iface)) {
                EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
                break;
            }
            SP_DEVINFO_DATA info{};
            info.cbSize = 28;
            DWORD required = 0;
            EXPECT_FALSE(detail_(set, &iface, nullptr, 0, &required, &info));
            EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
            std::vector<std::uint8_t> buffer(required, 0);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
            detail->cbSize = 5;
            EXPECT_TRUE(detail_(set, &iface, detail, required, &required, &info));
            found.push_back({info.DevInst, reinterpret_cast<const char*>(buffer.data()) + 4});
        }
        EXPECT_TRUE(destroy_(set));
        return found;
    }

    HMODULE module_ = 0;
    TSetupDiGetClassDevsA getClassDevs_ = nullptr;
    TSetupDiEnumDeviceInterfaces enumInterfaces_ = nullptr;
    TSetupDiGetDeviceInterfaceDetailA detail_ = nullptr;
    TSetupDiGetDeviceRegistryPropertyA property_ = nullptr;
    TSetupDiDestroyDeviceInfoList destroy_ = nullptr;
};

TEST(SetupApiLayout, RecordSizesAreThoseTheSizeFieldsCarry) {
    EXPECT_EQ(sizeof(SP_DEVINFO_DATA), 28u);
    EXPECT_EQ(sizeof(SP_DEVICE_INTERFACE_DATA), 28u);
    EXPECT_EQ(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath), 4u);
    EXPECT_EQ(sizeof(HIDD_ATTRIBUTES), 12u);
    EXPECT_EQ(sizeof(HIDP_CAPS), 64u);
    EXPECT_EQ(sizeof(GUID), 16u);
}

TEST_F(SetupApiTest, EnumeratesPresentInterfacesInPlugOrder) {
    EXPECT_TRUE(Enumerate().empty());
    auto a = PlugDevice();
    auto b = PlugDevice();
    const auto found = Enumerate();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].instance, a->InstanceNumber());
    EXPECT_EQ(found[0].path, a->Path());
    EXPECT_EQ(found[1].instance, b->InstanceNumber());
    EXPECT_NE(found[0].instance, found[1].instance);
    EXPECT_NE(found[0].path, found[1].path);
    EXPECT_EQ(platform::test::OpenHandleCount(), 0u);
}

TEST_F(SetupApiTest, InstanceNumberStaysAcrossEnumerationsAndReplug) {
    auto a = PlugDevice();
    const auto first = Enumerate();
    const auto second = Enumerate();
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(first[0].instance, second[0].instance);
    sim::VirtualBus::Instance().Unplug(a);
    EXPECT_TRUE(Enumerate().empty());
    sim::VirtualBus::Instance().Plug(a);
    const auto third = Enumerate();
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0].instance, first[0].instance);
}

TEST_F(SetupApiTest, ASetIsASnapshot) {
    HDEVINFO set = Present();
    auto a = PlugDevice(); // after the set was made
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = 28;
    EXPECT_FALSE(enumInterfaces_(set, nullptr, &GUID_DEVINTERFACE_HID, 0, &iface));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    destroy_(set);
}

TEST_F(SetupApiTest, WrongSizeFieldsAndHandlesAreRefused) {
    PlugDevice();
    HDEVINFO set = Present();
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = 32;
    EXPECT_FALSE(enumInterfaces_(set, nullptr, &GUID_DEVINTERFACE_HID, 0, &iface));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    iface.cbSize = 28;
    ASSERT_TRUE(enumInterfaces_(set, nullptr, &GUID_DEVINTERFACE_HID, 0, &iface));

    SP_DEVINFO_DATA info{};
    info.cbSize = 28;
    DWORD required = 0;
    detail_(set, &iface, nullptr, 0, &required, &info);
    std::vector<std::uint8_t> buffer(required + 8, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = 8; // the size of the record on this machine, not the platform's 5
    EXPECT_FALSE(detail_(set, &iface, detail, required, nullptr, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);
    detail->cbSize = 5;
    EXPECT_FALSE(detail_(set, &iface, detail, required - 1, nullptr, &info));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    info.cbSize = 32;
    EXPECT_FALSE(detail_(set, &iface, detail, required, nullptr, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_USER_BUFFER);

    EXPECT_TRUE(destroy_(set));
    EXPECT_FALSE(destroy_(set));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(enumInterfaces_(set, nullptr, &GUID_DEVINTERFACE_HID, 0, &iface));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(SetupApiTest, OtherClassesHaveNoInterfaces) {
    PlugDevice();
    const GUID other = {
        0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
    HDEVINFO set = getClassDevs_(&other, nullptr, 0, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA iface{};
    iface.cbSize = 28;
    EXPECT_FALSE(enumInterfaces_(set, nullptr, &other, 0, &iface));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    destroy_(set);
    EXPECT_EQ(getClassDevs_(nullptr, nullptr, 0, DIGCF_PRESENT), INVALID_HANDLE_VALUE);
}

TEST_F(SetupApiTest, RegistryPropertiesByCode) {
    sim::VirtualDeviceInfo info;
    info.registryProperties[SPDRP_FRIENDLYNAME] = "Analyzer"; // terminator added
    info.registryProperties[SPDRP_HARDWAREID] = std::string("HID\\VID_0925\0HID_DEVICE\0\0", 26);
    info.registryProperties[SPDRP_CAPABILITIES] = std::string("\x84\x00\x00\x00", 4);
    auto device = PlugDevice(info);

    HDEVINFO set = Present();
    SP_DEVINFO_DATA record{};
    record.cbSize = 28;
    record.DevInst = device->InstanceNumber();

    struct Case {
        DWORD code;
        DWORD type;
        std::string bytes;
    };
    const Case cases[] = {
        {SPDRP_FRIENDLYNAME, REG_SZ, std::string("Analyzer\0", 9)},
        {SPDRP_HARDWAREID, REG_MULTI_SZ, std::string("HID\\VID_0925\0HID_DEVICE\0\0", 26)},
        {SPDRP_CAPABILITIES, REG_DWORD, std::string("\x84\x00\x00\x00", 4)},
    };
    for (const Case& c : cases) {
        std::uint8_t buffer[64];
        std::memset(buffer, 0xEE, sizeof buffer);
        DWORD type = 0, required = 0;
        ASSERT_TRUE(property_(set, &record, c.code, &type, buffer, sizeof buffer, &required))
            << c.code;
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(required, c.bytes.size());
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), required), c.bytes);

        // Too small: nothing written, the size needed told.
        std::memset(buffer, 0xEE, sizeof buffer);
        EXPECT_FALSE(property_(set, &record, c.code, &type, buffer, 2, &required));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(required, c.bytes.size());
        EXPECT_EQ(buffer[0], 0xEE);
    }

    std::uint8_t buffer[16] = {};
    EXPECT_FALSE(property_(set, &record, SPDRP_MFG, nullptr, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    EXPECT_EQ(buffer[0], 0);

    SP_DEVINFO_DATA stranger = record;
    stranger.DevInst = record.DevInst + 1000;
    EXPECT_FALSE(property_(set, &stranger, SPDRP_FRIENDLYNAME, nullptr, buffer, 16, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_DEVINST);

    // Gone since the set was made.
    sim::VirtualBus::Instance().Unplug(device);
    EXPECT_FALSE(property_(set, &record, SPDRP_FRIENDLYNAME, nullptr, buffer, 16, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NO_SUCH_DEVINST);
    destroy_(set);
}

TEST_F(SetupApiTest, PropertyReadsAreLoggedWithTheirCodes) {
    auto device = PlugDevice();
    HDEVINFO set = Present();
    SP_DEVINFO_DATA record{};
    record.cbSize = 28;
    record.DevInst = device->InstanceNumber();
    platform::test::StartCallLog();
    DWORD value = 0;
    for (DWORD code : {15u, 7u, 4u})
        property_(set, &record, code, nullptr, reinterpret_cast<PBYTE>(&value), 4, nullptr);
    platform::test::StopCallLog();
    std::vector<std::uint64_t> codes;
    for (const auto& call : platform::test::CallLog())
        if (call.routine == "SetupDiGetDeviceRegistryPropertyA")
            codes.push_back(call.argument);
    EXPECT_EQ(codes, (std::vector<std::uint64_t>{15, 7, 4}));
    destroy_(set);
}

} // namespace
} // namespace platform_test
