#pragma once
// Routine types of the device-setup ("SetupApi.dll") and HID ("HID.dll") modules. The HID
// layer reaches these routines only through GetProcAddress; a routine that nothing calls is
// looked up as a plain FARPROC and answers failure with ERROR_CALL_NOT_IMPLEMENTED.
#include "platform/WinApi.h"

#include <string>
#include <vector>

// ---- SetupApi.dll --------------------------------------------------------------------------

using TSetupDiGetClassDevsA = HDEVINFO (*)(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                                           DWORD Flags);
using TSetupDiEnumDeviceInterfaces = BOOL (*)(HDEVINFO DeviceInfoSet,
                                              PSP_DEVINFO_DATA DeviceInfoData,
                                              const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                              PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData);
using TSetupDiGetDeviceInterfaceDetailA = BOOL (*)(
    HDEVINFO DeviceInfoSet, PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
    PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
    DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize, PSP_DEVINFO_DATA DeviceInfoData);
using TSetupDiGetDeviceRegistryPropertyA = BOOL (*)(HDEVINFO DeviceInfoSet,
                                                    PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                                    PDWORD PropertyRegDataType,
                                                    PBYTE PropertyBuffer, DWORD PropertyBufferSize,
                                                    PDWORD RequiredSize);
using TSetupDiDestroyDeviceInfoList = BOOL (*)(HDEVINFO DeviceInfoSet);

// ---- HID.dll -------------------------------------------------------------------------------

using THidD_Hello = ULONG (*)(CHAR* Buffer, ULONG BufferLength);
using THidD_GetHidGuid = void (*)(LPGUID HidGuid);
using THidD_GetPreparsedData = BOOLEAN (*)(HANDLE HidDeviceObject,
                                           PHIDP_PREPARSED_DATA* PreparsedData);
using THidD_FreePreparsedData = BOOLEAN (*)(PHIDP_PREPARSED_DATA PreparsedData);
using THidD_GetNumInputBuffers = BOOLEAN (*)(HANDLE HidDeviceObject, PULONG NumberBuffers);
using THidD_SetNumInputBuffers = BOOLEAN (*)(HANDLE HidDeviceObject, ULONG NumberBuffers);
using THidD_GetAttributes = BOOLEAN (*)(HANDLE HidDeviceObject, PHIDD_ATTRIBUTES Attributes);
// Buffer lengths in bytes; the strings are 16-bit words.
using THidD_GetProductString = BOOLEAN (*)(HANDLE HidDeviceObject, PVOID Buffer,
                                           ULONG BufferLength);
using THidD_GetSerialNumberString = BOOLEAN (*)(HANDLE HidDeviceObject, PVOID Buffer,
                                                ULONG BufferLength);
using THidD_GetManufacturerString = BOOLEAN (*)(HANDLE HidDeviceObject, PVOID Buffer,
                                                ULONG BufferLength);
using THidD_GetIndexedString = BOOLEAN (*)(HANDLE HidDeviceObject, ULONG StringIndex, PVOID Buffer,
                                           ULONG BufferLength);
using THidP_GetCaps = NTSTATUS (*)(PHIDP_PREPARSED_DATA PreparsedData, PHIDP_CAPS Capabilities);

// ---- kernel32.dll --------------------------------------------------------------------------

using TCancelIo = BOOL (*)(HANDLE hFile);

// The HID device-interface class: {4D1E55B2-F16F-11CF-88CB-001111000030}.
extern const GUID GUID_DEVINTERFACE_HID;

namespace platform {

// The distinct names each built-in module exports, in the order of the binding tables.
const std::vector<std::string>& SetupApiExportNames(); // 271 names
const std::vector<std::string>& HidExportNames();      // 37 names of the table + 4 more

} // namespace platform
