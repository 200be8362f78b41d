// The HID routines the HID layer calls, per open handle on the bus.
#include "platform/DeviceApi.h"
#include "platform/DeviceBus.h"
#include "platform/Internal.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

// What HidD_GetPreparsedData hands out: the capabilities read at that moment.
struct HIDP_PREPARSED_DATA {
    HIDP_CAPS caps;
};

const GUID GUID_DEVINTERFACE_HID = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

namespace platform::detail {
namespace {

struct Preparsed {
    std::mutex mutex;
    std::unordered_set<PHIDP_PREPARSED_DATA> live;
};

Preparsed& ThePreparsed() {
    static Preparsed p;
    return p;
}

BOOLEAN FailB(DWORD error) {
    ::SetLastError(error);
    return 0;
}

void GetHidGuid(LPGUID HidGuid) {
    if (HidGuid)
        *HidGuid = GUID_DEVINTERFACE_HID;
}

BOOLEAN GetPreparsedData(HANDLE HidDeviceObject, PHIDP_PREPARSED_DATA* PreparsedData) {
    if (!PreparsedData)
        return FailB(ERROR_INVALID_PARAMETER);
    auto connection = FileConnection(HidDeviceObject);
    if (!connection)
        return 0;
    HIDP_CAPS caps{};
    if (DWORD error = connection->GetCaps(caps); error != ERROR_SUCCESS)
        return FailB(error);
    auto* data = new HIDP_PREPARSED_DATA{caps};
    Preparsed& p = ThePreparsed();
    std::lock_guard<std::mutex> lock(p.mutex);
    p.live.insert(data);
    *PreparsedData = data;
    return 1;
}

BOOLEAN FreePreparsedData(PHIDP_PREPARSED_DATA PreparsedData) {
    Preparsed& p = ThePreparsed();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.live.erase(PreparsedData) == 0)
        return FailB(ERROR_INVALID_PARAMETER);
    delete PreparsedData;
    return 1;
}

NTSTATUS GetCaps(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities) {
    Preparsed& p = ThePreparsed();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (!Capabilities || !p.live.count(PreparsedData))
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    *Capabilities = PreparsedData->caps;
    return HIDP_STATUS_SUCCESS;
}

BOOLEAN GetNumInputBuffers(HANDLE HidDeviceObject, PULONG NumberBuffers) {
    if (!NumberBuffers)
        return FailB(ERROR_INVALID_PARAMETER);
    return GetInputBuffers(HidDeviceObject, *NumberBuffers) ? 1 : 0;
}

BOOLEAN SetNumInputBuffers(HANDLE HidDeviceObject, ULONG NumberBuffers) {
    return SetInputBuffers(HidDeviceObject, NumberBuffers) ? 1 : 0;
}

BOOLEAN GetAttributes(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes) {
    if (!Attributes)
        return FailB(ERROR_INVALID_PARAMETER);
    if (Attributes->Size != sizeof(HIDD_ATTRIBUTES))
        return FailB(ERROR_INVALID_USER_BUFFER);
    auto connection = FileConnection(HidDeviceObject);
    if (!connection)
        return 0;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(HIDD_ATTRIBUTES);
    if (DWORD error = connection->GetAttributes(attributes); error != ERROR_SUCCESS)
        return FailB(error);
    Attributes->VendorID = attributes.VendorID;
    Attributes->ProductID = attributes.ProductID;
    Attributes->VersionNumber = attributes.VersionNumber;
    return 1;
}

// Copies 16-bit words into a buffer of bytes: as many as fit, then a NUL if there is room.
void CopyWords(const std::u16string& words, PVOID Buffer, ULONG BufferLength) {
    const std::size_t room = BufferLength / sizeof(char16_t);
    const std::size_t n = std::min(words.size(), room);
    auto* out = static_cast<std::uint8_t*>(Buffer);
    std::memcpy(out, words.data(), n * sizeof(char16_t));
    if (n < room) {
        const char16_t nul = 0;
        std::memcpy(out + n * sizeof(char16_t), &nul, sizeof nul);
    }
}

template <DWORD (BusConnection::*Query)(std::u16string&)>
BOOLEAN GetString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    if (!Buffer)
        return FailB(ERROR_INVALID_USER_BUFFER);
    auto connection = FileConnection(HidDeviceObject);
    if (!connection)
        return 0;
    std::u16string text;
    if (DWORD error = ((*connection).*Query)(text); error != ERROR_SUCCESS)
        return FailB(error);
    CopyWords(text, Buffer, BufferLength);
    return 1;
}

BOOLEAN GetProductString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    return GetString<&BusConnection::GetProductString>(HidDeviceObject, Buffer, BufferLength);
}

BOOLEAN GetManufacturerString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    return GetString<&BusConnection::GetManufacturerString>(HidDeviceObject, Buffer, BufferLength);
}

BOOLEAN GetSerialNumberString(HANDLE HidDeviceObject, PVOID Buffer, ULONG BufferLength) {
    return GetString<&BusConnection::GetSerialNumberString>(HidDeviceObject, Buffer, BufferLength);
}

BOOLEAN GetIndexedString(HANDLE HidDeviceObject, ULONG StringIndex, PVOID Buffer,
                         ULONG BufferLength) {
    if (!Buffer)
        return FailB(ERROR_INVALID_USER_BUFFER);
    auto connection = FileConnection(HidDeviceObject);
    if (!connection)
        return 0;
    std::u16string words;
    if (DWORD error = connection->GetIndexedString(StringIndex, words); error != ERROR_SUCCESS)
        return FailB(error);
    CopyWords(words, Buffer, BufferLength);
    return 1;
}

template <class F>
FARPROC Proc(F* f) {
    return reinterpret_cast<FARPROC>(f);
}

} // namespace

std::vector<std::pair<std::string, FARPROC>> HidRoutines() {
    // Checked at build time against the routine types the HID layer binds with.
    THidD_GetHidGuid guid = &GetHidGuid;
    THidD_GetPreparsedData preparsed = &GetPreparsedData;
    THidD_FreePreparsedData freePreparsed = &FreePreparsedData;
    THidP_GetCaps caps = &GetCaps;
    THidD_GetNumInputBuffers getBuffers = &GetNumInputBuffers;
    THidD_SetNumInputBuffers setBuffers = &SetNumInputBuffers;
    THidD_GetAttributes attributes = &GetAttributes;
    THidD_GetProductString product = &GetProductString;
    THidD_GetManufacturerString manufacturer = &GetManufacturerString;
    THidD_GetSerialNumberString serial = &GetSerialNumberString;
    THidD_GetIndexedString indexed = &GetIndexedString;
    return {
        {"HidD_GetHidGuid", Proc(guid)},
        {"HidD_GetPreparsedData", Proc(preparsed)},
        {"HidD_FreePreparsedData", Proc(freePreparsed)},
        {"HidP_GetCaps", Proc(caps)},
        {"HidD_GetNumInputBuffers", Proc(getBuffers)},
        {"HidD_SetNumInputBuffers", Proc(setBuffers)},
        {"HidD_GetAttributes", Proc(attributes)},
        {"HidD_GetProductString", Proc(product)},
        {"HidD_GetManufacturerString", Proc(manufacturer)},
        {"HidD_GetSerialNumberString", Proc(serial)},
        {"HidD_GetIndexedString", Proc(indexed)},
    };
}

} // namespace platform::detail
