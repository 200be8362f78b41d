// The plug-and-play record of an interface: its readers and the order of its property calls.
#include "HidTestSupport.h"

#include <cstring>

using namespace hid;
using namespace hidtest;
namespace pt = platform::test;

namespace {

class PnPInfoTest : public HidFixture {
protected:
    void SetUp() override {
        HidFixture::SetUp();
        ASSERT_TRUE(BindSetupApi());
    }
    void TearDown() override {
        if (set_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(set_);
        UnbindSetupApi();
        HidFixture::TearDown();
    }

    // Opens the present interfaces and fills the record and path of the first one.
    bool FirstInterface(SP_DEVINFO_DATA& devData, std::string& path) {
        GUID hidClass = GUID_DEVINTERFACE_HID;
        set_ = SetupDiGetClassDevs(&hidClass, nullptr, 0, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set_ == INVALID_HANDLE_VALUE)
            return false;
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = kDeviceInterfaceDataSize;
        if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &hidClass, 0, &interfaceData))
            return false;
        devData = SP_DEVINFO_DATA{};
        devData.cbSize = kDevInfoDataSize;
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData, nullptr, 0, &required, &devData);
        std::vector<DWORD> buffer(required / 4 + 2, 0);
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
        detail->cbSize = kDeviceInterfaceDetailDataSize;
        if (!SetupDiGetDeviceInterfaceDetailA(set_, &interfaceData, detail, required, &required,
                                              &devData))
            return false;
        path = detail->DevicePath;
        return true;
    }

    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

std::string Dword(std::uint32_t v) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &v, 4);
    return bytes;
}

} // namespace

TEST_F(PnPInfoTest, ReadsPropertiesWithTheirReaders) {
    auto info = DeviceInfo();
    info.registryProperties = {
        {SPDRP_HARDWAREID, std::string("HID\\VID_0925&PID_1299\0HID\\VID_0925\0", 35)},
        {SPDRP_COMPATIBLEIDS, std::string("HID_DEVICE\0", 11)},
        {SPDRP_DEVICEDESC, "USB Input Device"},
        {SPDRP_CAPABILITIES, Dword(0x84)},
        {SPDRP_UI_NUMBER, Dword(7)},
        {SPDRP_CHARACTERISTICS, Dword(0x41)},  // a number read as text
        {SPDRP_CLASS, std::string(2000, 'x')}, // longer than the 1024-byte buffer
    };
    auto device = Plug(info);
    SP_DEVINFO_DATA devData;
    std::string path;
    ASSERT_TRUE(FirstInterface(devData, path));
    EXPECT_EQ(path, device->Path());

    THidPnPInfo pnp(set_, devData, path);
    EXPECT_EQ(pnp.DeviceInstance, device->InstanceNumber());
    EXPECT_EQ(pnp.DevicePath, path);
    EXPECT_EQ(pnp.HardwareID,
              (std::vector<std::string>{"HID\\VID_0925&PID_1299", "HID\\VID_0925"}));
    EXPECT_EQ(pnp.CompatibleIDs, std::vector<std::string>{"HID_DEVICE"});
    EXPECT_EQ(pnp.DeviceDescr, "USB Input Device");
    EXPECT_EQ(pnp.Capabilities, 0x84u);
    EXPECT_EQ(pnp.UINumber, 7u);
    EXPECT_EQ(pnp.Characteristics, "A");
    // Missing or unreadable: empty text, empty list, 0.
    EXPECT_EQ(pnp.FriendlyName, "");
    EXPECT_EQ(pnp.ClassName, "");
    EXPECT_TRUE(pnp.UpperFilters.empty());
    EXPECT_EQ(pnp.BusNumber, 0u);
}

TEST_F(PnPInfoTest, FailedCallsGiveEmptyValues) {
    Plug();
    SP_DEVINFO_DATA devData;
    std::string path;
    ASSERT_TRUE(FirstInterface(devData, path));
    SP_DEVINFO_DATA gone = devData;
    gone.DevInst = 0xDEAD;
    EXPECT_EQ(THidPnPInfo::ReadStringProperty(set_, gone, SPDRP_DEVICEDESC), "");
    EXPECT_TRUE(THidPnPInfo::ReadStringListProperty(set_, gone, SPDRP_HARDWAREID).empty());
    EXPECT_EQ(THidPnPInfo::ReadDwordProperty(set_, gone, SPDRP_CAPABILITIES), 0u);
}

BOOL FillWholeBuffer(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE Buffer, DWORD Size, PDWORD) {
    std::memset(Buffer, 'f', Size);
    return TRUE;
}

// A value without any NUL is cut at the buffer's end, never read past it.
TEST_F(PnPInfoTest, UnterminatedValuesStopAtBufferEnd) {
    Plug();
    SP_DEVINFO_DATA devData;
    std::string path;
    ASSERT_TRUE(FirstInterface(devData, path));
    pt::ScopedModuleSet modules;
    modules.Replace("SetupApi.dll", "SetupDiGetDeviceRegistryPropertyA",
                    reinterpret_cast<FARPROC>(&FillWholeBuffer));
    UnbindSetupApi();
    ASSERT_TRUE(BindSetupApi());
    EXPECT_EQ(THidPnPInfo::ReadStringProperty(set_, devData, SPDRP_MFG),
              std::string(THidPnPInfo::StringBufferSize, 'f'));
    EXPECT_EQ(THidPnPInfo::ReadStringListProperty(set_, devData, SPDRP_HARDWAREID),
              std::vector<std::string>{std::string(THidPnPInfo::StringListBufferSize, 'f')});
}

TEST_F(PnPInfoTest, ReadsPropertiesInCallOrder) {
    Plug();
    SP_DEVINFO_DATA devData;
    std::string path;
    ASSERT_TRUE(FirstInterface(devData, path));
    pt::StartCallLog();
    THidPnPInfo pnp(set_, devData, path);
    pt::StopCallLog();
    std::vector<std::uint64_t> codes;
    for (const auto& call : pt::CallLog())
        if (call.routine == "SetupDiGetDeviceRegistryPropertyA")
            codes.push_back(call.argument);
    const std::vector<std::uint64_t> expected = {15, 7,  8,  2,  10, 0,  9,  12, 1,
                                                 18, 11, 17, 4,  28, 21, 19, 27, 25,
                                                 22, 26, 20, 13, 14, 24, 16, 30};
    EXPECT_EQ(codes, expected);
}

TEST_F(PnPInfoTest, TwoEnumerationsGiveTheSameInstance) {
    Plug();
    Plug(DeviceInfo(0x1111, 0x2222));
    struct Enumerating : THidDeviceController {
        using THidDeviceController::EnumeratePresentDevices;
    } controller;
    Drain();
    auto first = controller.EnumeratePresentDevices();
    auto second = controller.EnumeratePresentDevices();
    ASSERT_EQ(first.size(), 2u);
    ASSERT_EQ(second.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NE(first[i]->PnPInfo(), second[i]->PnPInfo());
        EXPECT_EQ(first[i]->PnPInfo()->DeviceInstance, second[i]->PnPInfo()->DeviceInstance);
    }
    EXPECT_NE(first[0]->PnPInfo()->DeviceInstance, first[1]->PnPInfo()->DeviceInstance);
}
