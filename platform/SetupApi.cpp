// The device-setup routines the HID layer calls: device-information sets over the bus's
// present HID interfaces.
#include "platform/DeviceApi.h"
#include "platform/DeviceBus.h"
#include "platform/Internal.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace platform::detail {
namespace {

// The class of the devices behind HID interfaces: {745A17A0-74D3-11D0-B6FE-00A0C90F57DA}.
constexpr GUID kHidClassGuid = {
    0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};

struct DeviceInfoSet {
    std::vector<BusInterface> members; // as present when the set was made
};

struct Sets {
    std::mutex mutex;
    std::unordered_map<HDEVINFO, std::shared_ptr<const DeviceInfoSet>> sets;
};

Sets& TheSets() {
    static Sets sets;
    return sets;
}

std::shared_ptr<const DeviceInfoSet> FindSet(HDEVINFO handle) {
    Sets& s = TheSets();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.sets.find(handle);
    return it == s.sets.end() ? nullptr : it->second;
}

HDEVINFO GetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent, DWORD Flags) {
    (void)Enumerator;
    (void)hwndParent;
    const bool allClasses = (Flags & DIGCF_ALLCLASSES) != 0;
    if (!ClassGuid && !allClasses)
        return Fail(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
    auto set = std::make_shared<DeviceInfoSet>();
    // The bus has HID interfaces only; a set of another class is empty.
    const bool hidInterfaces = (Flags & DIGCF_DEVICEINTERFACE)
                                   ? (allClasses || *ClassGuid == GUID_DEVINTERFACE_HID)
                                   : (allClasses || *ClassGuid == kHidClassGuid);
    if (hidInterfaces)
        if (DeviceBus* bus = CurrentDeviceBus())
            set->members = bus->Interfaces();
    Sets& s = TheSets();
    std::lock_guard<std::mutex> lock(s.mutex);
    const HDEVINFO handle = NewHandleValue();
    s.sets[handle] = std::move(set);
    return handle;
}

BOOL EnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                          const GUID* InterfaceClassGuid, DWORD MemberIndex,
                          PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    auto set = FindSet(DeviceInfoSet);
    if (!set)
        return Fail(ERROR_INVALID_HANDLE);
    if (!InterfaceClassGuid || !DeviceInterfaceData)
        return Fail(ERROR_INVALID_PARAMETER);
    if (DeviceInterfaceData->cbSize != kDeviceInterfaceDataSize)
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (DeviceInfoData && DeviceInfoData->cbSize != kDevInfoDataSize)
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (*InterfaceClassGuid != GUID_DEVINTERFACE_HID)
        return Fail(ERROR_NO_MORE_ITEMS);
    // With a device record: the interfaces of that device only.
    DWORD seen = 0;
    for (std::size_t i = 0; i < set->members.size(); ++i) {
        if (DeviceInfoData && set->members[i].instance != DeviceInfoData->DevInst)
            continue;
        if (seen++ == MemberIndex) {
            DeviceInterfaceData->InterfaceClassGuid = GUID_DEVINTERFACE_HID;
            DeviceInterfaceData->Flags = SPINT_ACTIVE;
            DeviceInterfaceData->Reserved = static_cast<DWORD>(i + 1);
            return TRUE;
        }
    }
    return Fail(ERROR_NO_MORE_ITEMS);
}

BOOL GetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet,
                               PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                               PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
                               DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                               PSP_DEVINFO_DATA DeviceInfoData) {
    auto set = FindSet(DeviceInfoSet);
    if (!set)
        return Fail(ERROR_INVALID_HANDLE);
    if (!DeviceInterfaceData)
        return Fail(ERROR_INVALID_PARAMETER);
    if (DeviceInterfaceData->cbSize != kDeviceInterfaceDataSize)
        return Fail(ERROR_INVALID_USER_BUFFER);
    const DWORD member = DeviceInterfaceData->Reserved;
    if (member == 0 || member > set->members.size())
        return Fail(ERROR_INVALID_PARAMETER);
    if (DeviceInfoData && DeviceInfoData->cbSize != kDevInfoDataSize)
        return Fail(ERROR_INVALID_USER_BUFFER);
    const BusInterface& iface = set->members[member - 1];
    const DWORD required = kDevicePathOffset + static_cast<DWORD>(iface.path.size()) + 1;
    if (RequiredSize)
        *RequiredSize = required;
    if (!DeviceInterfaceDetailData) {
        if (DeviceInterfaceDetailDataSize != 0)
            return Fail(ERROR_INVALID_USER_BUFFER);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (DeviceInterfaceDetailData->cbSize != kDeviceInterfaceDetailDataSize)
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (DeviceInterfaceDetailDataSize < required)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    char* path = reinterpret_cast<char*>(DeviceInterfaceDetailData) + kDevicePathOffset;
    std::memcpy(path, iface.path.c_str(), iface.path.size() + 1);
    if (DeviceInfoData) {
        DeviceInfoData->ClassGuid = kHidClassGuid;
        DeviceInfoData->DevInst = iface.instance;
        DeviceInfoData->Reserved = member;
    }
    return TRUE;
}

BOOL GetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                DWORD Property, PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                DWORD PropertyBufferSize, PDWORD RequiredSize) {
    auto set = FindSet(DeviceInfoSet);
    if (!set)
        return Fail(ERROR_INVALID_HANDLE);
    if (!DeviceInfoData)
        return Fail(ERROR_INVALID_PARAMETER);
    if (DeviceInfoData->cbSize != kDevInfoDataSize)
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (!PropertyBuffer && PropertyBufferSize != 0)
        return Fail(ERROR_INVALID_USER_BUFFER);
    bool member = false;
    for (const auto& iface : set->members)
        member = member || iface.instance == DeviceInfoData->DevInst;
    DeviceBus* bus = CurrentDeviceBus();
    if (!member || !bus)
        return Fail(ERROR_NO_SUCH_DEVINST);
    DWORD type = REG_NONE;
    std::string bytes;
    const DWORD error = bus->RegistryProperty(DeviceInfoData->DevInst, Property, type, bytes);
    if (error != ERROR_SUCCESS)
        return Fail(error);
    if (PropertyRegDataType)
        *PropertyRegDataType = type;
    if (RequiredSize)
        *RequiredSize = static_cast<DWORD>(bytes.size());
    if (PropertyBufferSize < bytes.size())
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (!bytes.empty())
        std::memcpy(PropertyBuffer, bytes.data(), bytes.size());
    return TRUE;
}

BOOL DestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    Sets& s = TheSets();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.sets.erase(DeviceInfoSet) == 0)
        return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

template <class F>
FARPROC Proc(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

} // namespace

std::vector<std::pair<std::string, FARPROC>> SetupApiRoutines() {
    // Checked at build time against the routine types the HID layer binds with.
    TSetupDiGetClassDevsA a = &GetClassDevsA;
    TSetupDiEnumDeviceInterfaces b = &EnumDeviceInterfaces;
    TSetupDiGetDeviceInterfaceDetailA c = &GetDeviceInterfaceDetailA;
    TSetupDiGetDeviceRegistryPropertyA d = &GetDeviceRegistryPropertyA;
    TSetupDiDestroyDeviceInfoList e = &DestroyDeviceInfoList;
    return {
        {"SetupDiGetClassDevsA", Proc(a)},
        {"SetupDiEnumDeviceInterfaces", Proc(b)},
        {"SetupDiGetDeviceInterfaceDetailA", Proc(c)},
        {"SetupDiGetDeviceRegistryPropertyA", Proc(d)},
        {"SetupDiDestroyDeviceInfoList", Proc(e)},
    };
}

std::size_t DeviceInfoSetCount() {
    Sets& s = TheSets();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.sets.size();
}

} // namespace platform::detail
