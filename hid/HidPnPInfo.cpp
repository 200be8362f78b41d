#include "hid/HidControllerClass.h"
#include "hid/SetupApi.h"

#include <cstring>

namespace hid {

THidPnPInfo::THidPnPInfo(HDEVINFO DevInfo, const SP_DEVINFO_DATA& DevData, std::string Path)
    : DeviceInstance(DevData.DevInst), DevicePath(std::move(Path)), devData_(DevData) {
    SP_DEVINFO_DATA& d = devData_;
    Capabilities = ReadDwordProperty(DevInfo, d, SPDRP_CAPABILITIES);
    ClassName = ReadStringProperty(DevInfo, d, SPDRP_CLASS);
    ClassGUID = ReadStringProperty(DevInfo, d, SPDRP_CLASSGUID);
    CompatibleIDs = ReadStringListProperty(DevInfo, d, SPDRP_COMPATIBLEIDS);
    ConfigFlags = ReadDwordProperty(DevInfo, d, SPDRP_CONFIGFLAGS);
    DeviceDescr = ReadStringProperty(DevInfo, d, SPDRP_DEVICEDESC);
    Driver = ReadStringProperty(DevInfo, d, SPDRP_DRIVER);
    FriendlyName = ReadStringProperty(DevInfo, d, SPDRP_FRIENDLYNAME);
    HardwareID = ReadStringListProperty(DevInfo, d, SPDRP_HARDWAREID);
    LowerFilters = ReadStringListProperty(DevInfo, d, SPDRP_LOWERFILTERS);
    Mfg = ReadStringProperty(DevInfo, d, SPDRP_MFG);
    UpperFilters = ReadStringListProperty(DevInfo, d, SPDRP_UPPERFILTERS);
    Service = ReadStringProperty(DevInfo, d, SPDRP_SERVICE);
    Address = ReadStringProperty(DevInfo, d, SPDRP_ADDRESS);
    BusNumber = ReadDwordProperty(DevInfo, d, SPDRP_BUSNUMBER);
    BusTypeGUID = ReadStringProperty(DevInfo, d, SPDRP_BUSTYPEGUID);
    Characteristics = ReadStringProperty(DevInfo, d, SPDRP_CHARACTERISTICS);
    DevType = ReadDwordProperty(DevInfo, d, SPDRP_DEVTYPE);
    EnumeratorName = ReadStringProperty(DevInfo, d, SPDRP_ENUMERATOR_NAME);
    Exclusive = ReadDwordProperty(DevInfo, d, SPDRP_EXCLUSIVE);
    LegacyBusType = ReadDwordProperty(DevInfo, d, SPDRP_LEGACYBUSTYPE);
    LocationInformation = ReadStringProperty(DevInfo, d, SPDRP_LOCATION_INFORMATION);
    PhysicalDeviceObjectName = ReadStringProperty(DevInfo, d, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
    Security = ReadStringProperty(DevInfo, d, SPDRP_SECURITY_SDS);
    UINumber = ReadDwordProperty(DevInfo, d, SPDRP_UI_NUMBER);
    Property30 = ReadStringProperty(DevInfo, d, 30);
}

namespace {

void ReadProperty(HDEVINFO DevInfo, SP_DEVINFO_DATA& DevData, DWORD Code, BYTE* Buffer,
                  DWORD Size) {
    if (!SetupDiGetDeviceRegistryPropertyA)
        return;
    DWORD type = 0;
    DWORD required = 0;
    SetupDiGetDeviceRegistryPropertyA(DevInfo, &DevData, Code, &type, Buffer, Size, &required);
}

} // namespace

std::string THidPnPInfo::ReadStringProperty(HDEVINFO DevInfo, SP_DEVINFO_DATA& DevData,
                                            DWORD Code) {
    BYTE buffer[StringBufferSize];
    buffer[0] = 0;
    ReadProperty(DevInfo, DevData, Code, buffer, sizeof buffer);
    const char* text = reinterpret_cast<const char*>(buffer);
    return std::string(text, strnlen(text, sizeof buffer));
}

std::vector<std::string> THidPnPInfo::ReadStringListProperty(HDEVINFO DevInfo,
                                                             SP_DEVINFO_DATA& DevData, DWORD Code) {
    std::vector<BYTE> buffer(StringListBufferSize);
    buffer[0] = 0;
    ReadProperty(DevInfo, DevData, Code, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::vector<std::string> list;
    std::size_t at = 0;
    while (at < buffer.size()) {
        const char* text = reinterpret_cast<const char*>(buffer.data() + at);
        const std::size_t length = strnlen(text, buffer.size() - at);
        if (length == 0)
            break;
        list.emplace_back(text, length);
        at += length + 1;
    }
    return list;
}

DWORD THidPnPInfo::ReadDwordProperty(HDEVINFO DevInfo, SP_DEVINFO_DATA& DevData, DWORD Code) {
    BYTE buffer[4] = {0, 0, 0, 0};
    ReadProperty(DevInfo, DevData, Code, buffer, sizeof buffer);
    DWORD value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

} // namespace hid
