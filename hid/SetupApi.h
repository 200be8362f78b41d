#pragma once
// The device-setup binding: "SetupApi.dll" with its 396 routine pointers, reference counted.
#include "hid/RoutineTable.h"
#include "platform/DeviceApi.h"

#include <array>
#include <cstdint>

namespace hid {

// The routines of the table in binding order: 82 of the installation-file, file-queue,
// disk-space, source-list and log families, then 83 of the device-installation family.
// The routines whose names contain DeviceInterface are bound a second time under their
// older InterfaceDevice names.
inline constexpr std::array<TRoutineName, 165> SetupApiRoutines{{
    {"SetupGetInfInformation", true},
    {"SetupQueryInfFileInformation", true},
    {"SetupQueryInfVersionInformation", true},
    {"SetupGetInfFileList", true},
    {"SetupOpenInfFile", true},
    {"SetupOpenMasterInf", false},
    {"SetupOpenAppendInfFile", true},
    {"SetupCloseInfFile", false},
    {"SetupFindFirstLine", true},
    {"SetupFindNextLine", false},
    {"SetupFindNextMatchLine", true},
    {"SetupGetLineByIndex", true},
    {"SetupGetLineCount", true},
    {"SetupGetLineText", true},
    {"SetupGetFieldCount", false},
    {"SetupGetStringField", true},
    {"SetupGetIntField", false},
    {"SetupGetMultiSzField", true},
    {"SetupGetBinaryField", false},
    {"SetupGetFileCompressionInfo", true},
    {"SetupDecompressOrCopyFile", true},
    {"SetupGetSourceFileLocation", true},
    {"SetupGetSourceFileSize", true},
    {"SetupGetTargetPath", true},
    {"SetupSetSourceList", true},
    {"SetupCancelTemporarySourceList", false},
    {"SetupAddToSourceList", true},
    {"SetupRemoveFromSourceList", true},
    {"SetupQuerySourceList", true},
    {"SetupFreeSourceList", true},
    {"SetupPromptForDisk", true},
    {"SetupCopyError", true},
    {"SetupRenameError", true},
    {"SetupDeleteError", true},
    {"SetupSetDirectoryId", true},
    {"SetupSetDirectoryIdEx", true},
    {"SetupGetSourceInfo", true},
    {"SetupInstallFile", true},
    {"SetupInstallFileEx", true},
    {"SetupOpenFileQueue", false},
    {"SetupCloseFileQueue", false},
    {"SetupSetPlatformPathOverride", true},
    {"SetupQueueCopy", true},
    {"SetupQueueDefaultCopy", true},
    {"SetupQueueCopySection", true},
    {"SetupQueueDelete", true},
    {"SetupQueueDeleteSection", true},
    {"SetupQueueRename", true},
    {"SetupQueueRenameSection", true},
    {"SetupCommitFileQueue", true},
    {"SetupScanFileQueue", true},
    {"SetupCopyOEMInf", true},
    {"SetupCreateDiskSpaceList", true},
    {"SetupDuplicateDiskSpaceList", true},
    {"SetupDestroyDiskSpaceList", false},
    {"SetupQueryDrivesInDiskSpaceList", true},
    {"SetupQuerySpaceRequiredOnDrive", true},
    {"SetupAdjustDiskSpaceList", true},
    {"SetupAddToDiskSpaceList", true},
    {"SetupAddSectionToDiskSpaceList", true},
    {"SetupAddInstallSectionToDiskSpaceList", true},
    {"SetupRemoveFromDiskSpaceList", true},
    {"SetupRemoveSectionFromDiskSpaceList", true},
    {"SetupRemoveInstallSectionFromDiskSpaceList", true},
    {"SetupIterateCabinet", true},
    {"SetupPromptReboot", false},
    {"SetupInitDefaultQueueCallback", false},
    {"SetupInitDefaultQueueCallbackEx", false},
    {"SetupTermDefaultQueueCallback", false},
    {"SetupDefaultQueueCallback", true},
    {"SetupInstallFromInfSection", true},
    {"SetupInstallFilesFromInfSection", true},
    {"SetupInstallServicesFromInfSection", true},
    {"SetupInstallServicesFromInfSectionEx", true},
    {"SetupInitializeFileLog", true},
    {"SetupTerminateFileLog", false},
    {"SetupLogFile", true},
    {"SetupRemoveFileLogEntry", true},
    {"SetupQueryFileLog", true},
    {"SetupOpenLog", false},
    {"SetupLogError", true},
    {"SetupCloseLog", false},
    {"SetupDiCreateDeviceInfoList", false},
    {"SetupDiCreateDeviceInfoListEx", true},
    {"SetupDiGetDeviceInfoListClass", false},
    {"SetupDiGetDeviceInfoListDetail", true},
    {"SetupDiCreateDeviceInfo", true},
    {"SetupDiOpenDeviceInfo", true},
    {"SetupDiGetDeviceInstanceId", true},
    {"SetupDiDeleteDeviceInfo", false},
    {"SetupDiEnumDeviceInfo", false},
    {"SetupDiDestroyDeviceInfoList", false},
    {"SetupDiEnumDeviceInterfaces", false, "SetupDiEnumInterfaceDevices"},
    {"SetupDiCreateDeviceInterface", true, "SetupDiCreateInterfaceDevice"},
    {"SetupDiOpenDeviceInterface", true, "SetupDiOpenInterfaceDevice"},
    {"SetupDiGetDeviceInterfaceAlias", false, "SetupDiGetInterfaceDeviceAlias"},
    {"SetupDiDeleteDeviceInterfaceData", false, "SetupDiDeleteInterfaceDeviceData"},
    {"SetupDiRemoveDeviceInterface", false, "SetupDiRemoveInterfaceDevice"},
    {"SetupDiGetDeviceInterfaceDetail", true, "SetupDiGetInterfaceDeviceDetail"},
    {"SetupDiInstallDeviceInterfaces", false, "SetupDiInstallInterfaceDevices"},
    {"SetupDiRegisterDeviceInfo", false},
    {"SetupDiBuildDriverInfoList", false},
    {"SetupDiCancelDriverInfoSearch", false},
    {"SetupDiEnumDriverInfo", true},
    {"SetupDiGetSelectedDriver", true},
    {"SetupDiSetSelectedDriver", true},
    {"SetupDiGetDriverInfoDetail", true},
    {"SetupDiDestroyDriverInfoList", false},
    {"SetupDiGetClassDevs", true},
    {"SetupDiGetClassDevsEx", true},
    {"SetupDiGetINFClass", true},
    {"SetupDiBuildClassInfoList", false},
    {"SetupDiBuildClassInfoListEx", true},
    {"SetupDiGetClassDescription", true},
    {"SetupDiGetClassDescriptionEx", true},
    {"SetupDiCallClassInstaller", false},
    {"SetupDiSelectDevice", false},
    {"SetupDiSelectBestCompatDrv", false},
    {"SetupDiInstallDevice", false},
    {"SetupDiInstallDriverFiles", false},
    {"SetupDiRegisterCoDeviceInstallers", false},
    {"SetupDiRemoveDevice", false},
    {"SetupDiUnremoveDevice", false},
    {"SetupDiMoveDuplicateDevice", false},
    {"SetupDiChangeState", false},
    {"SetupDiInstallClass", true},
    {"SetupDiInstallClassEx", true},
    {"SetupDiOpenClassRegKey", false},
    {"SetupDiOpenClassRegKeyEx", true},
    {"SetupDiCreateDeviceInterfaceRegKey", true, "SetupDiCreateInterfaceDeviceRegKey"},
    {"SetupDiOpenDeviceInterfaceRegKey", false, "SetupDiOpenInterfaceDeviceRegKey"},
    {"SetupDiDeleteDeviceInterfaceRegKey", false, "SetupDiDeleteInterfaceDeviceRegKey"},
    {"SetupDiCreateDevRegKey", true},
    {"SetupDiOpenDevRegKey", false},
    {"SetupDiDeleteDevRegKey", false},
    {"SetupDiGetHwProfileList", false},
    {"SetupDiGetHwProfileListEx", true},
    {"SetupDiGetDeviceRegistryProperty", true},
    {"SetupDiSetDeviceRegistryProperty", true},
    {"SetupDiGetDeviceInstallParams", true},
    {"SetupDiGetClassInstallParams", true},
    {"SetupDiSetDeviceInstallParams", true},
    {"SetupDiSetClassInstallParams", true},
    {"SetupDiGetDriverInstallParams", true},
    {"SetupDiSetDriverInstallParams", true},
    {"SetupDiLoadClassIcon", false},
    {"SetupDiDrawMiniIcon", false},
    {"SetupDiGetClassBitmapIndex", false},
    {"SetupDiGetClassImageList", false},
    {"SetupDiGetClassImageListEx", true},
    {"SetupDiGetClassImageIndex", false},
    {"SetupDiDestroyClassImageList", false},
    {"SetupDiGetClassDevPropertySheets", true},
    {"SetupDiAskForOEMDisk", false},
    {"SetupDiSelectOEMDrv", false},
    {"SetupDiClassNameFromGuid", true},
    {"SetupDiClassNameFromGuidEx", true},
    {"SetupDiClassGuidsFromName", true},
    {"SetupDiClassGuidsFromNameEx", true},
    {"SetupDiGetHwProfileFriendlyName", true},
    {"SetupDiGetHwProfileFriendlyNameEx", true},
    {"SetupDiGetWizardPage", false},
    {"SetupDiGetSelectedDevice", false},
    {"SetupDiSetSelectedDevice", false},
    {"SetupDiGetActualSectionToInstall", true},
}};

inline constexpr std::size_t SetupApiPointerCount = 396;

extern HMODULE SetupApiModule;
extern std::int32_t SetupApiRefCount;
// The pointers in table order; all nil while unbound.
extern FARPROC SetupApiPointers[SetupApiPointerCount];

// The 396 pointers with their names and exports, in table order.
const std::vector<TEntryPoint>& SetupApiEntryPoints();

bool BindSetupApi();
void UnbindSetupApi();

constexpr std::size_t SetupApiIndex(std::string_view base, TForm form) {
    return PointerIndex(SetupApiRoutines.data(), SetupApiRoutines.size(), base, form);
}

// The routines the system calls.
inline constexpr TRoutine<TSetupDiGetClassDevsA> SetupDiGetClassDevsA{
    &SetupApiPointers[SetupApiIndex("SetupDiGetClassDevs", TForm::Ansi)]};
inline constexpr TRoutine<TSetupDiGetClassDevsA> SetupDiGetClassDevs{
    &SetupApiPointers[SetupApiIndex("SetupDiGetClassDevs", TForm::Neutral)]};
inline constexpr TRoutine<TSetupDiEnumDeviceInterfaces> SetupDiEnumDeviceInterfaces{
    &SetupApiPointers[SetupApiIndex("SetupDiEnumDeviceInterfaces", TForm::Single)]};
inline constexpr TRoutine<TSetupDiGetDeviceInterfaceDetailA> SetupDiGetDeviceInterfaceDetailA{
    &SetupApiPointers[SetupApiIndex("SetupDiGetDeviceInterfaceDetail", TForm::Ansi)]};
inline constexpr TRoutine<TSetupDiGetDeviceRegistryPropertyA> SetupDiGetDeviceRegistryPropertyA{
    &SetupApiPointers[SetupApiIndex("SetupDiGetDeviceRegistryProperty", TForm::Ansi)]};
inline constexpr TRoutine<TSetupDiDestroyDeviceInfoList> SetupDiDestroyDeviceInfoList{
    &SetupApiPointers[SetupApiIndex("SetupDiDestroyDeviceInfoList", TForm::Single)]};

} // namespace hid
