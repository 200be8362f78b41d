// The names the built-in modules export, and the routine behind each name that is not
// implemented: it fails with ERROR_CALL_NOT_IMPLEMENTED.
#include "platform/DeviceApi.h"
#include "platform/Internal.h"

#include <array>
#include <cstddef>
#include <utility>

namespace platform::detail {
namespace {

constexpr const char* kSetupApiNames[] = {
    "SetupGetInfInformationA", "SetupGetInfInformationW", "SetupQueryInfFileInformationA",
    "SetupQueryInfFileInformationW", "SetupQueryInfVersionInformationA",
    "SetupQueryInfVersionInformationW", "SetupGetInfFileListA", "SetupGetInfFileListW",
    "SetupOpenInfFileA", "SetupOpenInfFileW", "SetupOpenMasterInf", "SetupOpenAppendInfFileA",
    "SetupOpenAppendInfFileW", "SetupCloseInfFile", "SetupFindFirstLineA",
    "SetupFindFirstLineW", "SetupFindNextLine", "SetupFindNextMatchLineA",
    "SetupFindNextMatchLineW", "SetupGetLineByIndexA", "SetupGetLineByIndexW",
    "SetupGetLineCountA", "SetupGetLineCountW", "SetupGetLineTextA", "SetupGetLineTextW",
    "SetupGetFieldCount", "SetupGetStringFieldA", "SetupGetStringFieldW", "SetupGetIntField",
    "SetupGetMultiSzFieldA", "SetupGetMultiSzFieldW", "SetupGetBinaryField",
    "SetupGetFileCompressionInfoA", "SetupGetFileCompressionInfoW",
    "SetupDecompressOrCopyFileA", "SetupDecompressOrCopyFileW", "SetupGetSourceFileLocationA",
    "SetupGetSourceFileLocationW", "SetupGetSourceFileSizeA", "SetupGetSourceFileSizeW",
    "SetupGetTargetPathA", "SetupGetTargetPathW", "SetupSetSourceListA", "SetupSetSourceListW",
    "SetupCancelTemporarySourceList", "SetupAddToSourceListA", "SetupAddToSourceListW",
    "SetupRemoveFromSourceListA", "SetupRemoveFromSourceListW", "SetupQuerySourceListA",
    "SetupQuerySourceListW", "SetupFreeSourceListA", "SetupFreeSourceListW",
    "SetupPromptForDiskA", "SetupPromptForDiskW", "SetupCopyErrorA", "SetupCopyErrorW",
    "SetupRenameErrorA", "SetupRenameErrorW", "SetupDeleteErrorA", "SetupDeleteErrorW",
    "SetupSetDirectoryIdA", "SetupSetDirectoryIdW", "SetupSetDirectoryIdExA",
    "SetupSetDirectoryIdExW", "SetupGetSourceInfoA", "SetupGetSourceInfoW", "SetupInstallFileA",
    "SetupInstallFileW", "SetupInstallFileExA", "SetupInstallFileExW", "SetupOpenFileQueue",
    "SetupCloseFileQueue", "SetupSetPlatformPathOverrideA", "SetupSetPlatformPathOverrideW",
    "SetupQueueCopyA", "SetupQueueCopyW", "SetupQueueDefaultCopyA", "SetupQueueDefaultCopyW",
    "SetupQueueCopySectionA", "SetupQueueCopySectionW", "SetupQueueDeleteA",
    "SetupQueueDeleteW", "SetupQueueDeleteSectionA", "SetupQueueDeleteSectionW",
    "SetupQueueRenameA", "SetupQueueRenameW", "SetupQueueRenameSectionA",
    "SetupQueueRenameSectionW", "SetupCommitFileQueueA", "SetupCommitFileQueueW",
    "SetupScanFileQueueA", "SetupScanFileQueueW", "SetupCopyOEMInfA", "SetupCopyOEMInfW",
    "SetupCreateDiskSpaceListA", "SetupCreateDiskSpaceListW", "SetupDuplicateDiskSpaceListA",
    "SetupDuplicateDiskSpaceListW", "SetupDestroyDiskSpaceList",
    "SetupQueryDrivesInDiskSpaceListA", "SetupQueryDrivesInDiskSpaceListW",
    "SetupQuerySpaceRequiredOnDriveA", "SetupQuerySpaceRequiredOnDriveW",
    "SetupAdjustDiskSpaceListA", "SetupAdjustDiskSpaceListW", "SetupAddToDiskSpaceListA",
    "SetupAddToDiskSpaceListW", "SetupAddSectionToDiskSpaceListA",
    "SetupAddSectionToDiskSpaceListW", "SetupAddInstallSectionToDiskSpaceListA",
    "SetupAddInstallSectionToDiskSpaceListW", "SetupRemoveFromDiskSpaceListA",
    "SetupRemoveFromDiskSpaceListW", "SetupRemoveSectionFromDiskSpaceListA",
    "SetupRemoveSectionFromDiskSpaceListW", "SetupRemoveInstallSectionFromDiskSpaceListA",
    "SetupRemoveInstallSectionFromDiskSpaceListW", "SetupIterateCabinetA",
    "SetupIterateCabinetW", "SetupPromptReboot", "SetupInitDefaultQueueCallback",
    "SetupInitDefaultQueueCallbackEx", "SetupTermDefaultQueueCallback",
    "SetupDefaultQueueCallbackA", "SetupDefaultQueueCallbackW", "SetupInstallFromInfSectionA",
    "SetupInstallFromInfSectionW", "SetupInstallFilesFromInfSectionA",
    "SetupInstallFilesFromInfSectionW", "SetupInstallServicesFromInfSectionA",
    "SetupInstallServicesFromInfSectionW", "SetupInstallServicesFromInfSectionExA",
    "SetupInstallServicesFromInfSectionExW", "SetupInitializeFileLogA",
    "SetupInitializeFileLogW", "SetupTerminateFileLog", "SetupLogFileA", "SetupLogFileW",
    "SetupRemoveFileLogEntryA", "SetupRemoveFileLogEntryW", "SetupQueryFileLogA",
    "SetupQueryFileLogW", "SetupOpenLog", "SetupLogErrorA", "SetupLogErrorW", "SetupCloseLog",
    "SetupDiCreateDeviceInfoList", "SetupDiCreateDeviceInfoListExA",
    "SetupDiCreateDeviceInfoListExW", "SetupDiGetDeviceInfoListClass",
    "SetupDiGetDeviceInfoListDetailA", "SetupDiGetDeviceInfoListDetailW",
    "SetupDiCreateDeviceInfoA", "SetupDiCreateDeviceInfoW", "SetupDiOpenDeviceInfoA",
    "SetupDiOpenDeviceInfoW", "SetupDiGetDeviceInstanceIdA", "SetupDiGetDeviceInstanceIdW",
    "SetupDiDeleteDeviceInfo", "SetupDiEnumDeviceInfo", "SetupDiDestroyDeviceInfoList",
    "SetupDiEnumDeviceInterfaces", "SetupDiCreateDeviceInterfaceA",
    "SetupDiCreateDeviceInterfaceW", "SetupDiOpenDeviceInterfaceA",
    "SetupDiOpenDeviceInterfaceW", "SetupDiGetDeviceInterfaceAlias",
    "SetupDiDeleteDeviceInterfaceData", "SetupDiRemoveDeviceInterface",
    "SetupDiGetDeviceInterfaceDetailA", "SetupDiGetDeviceInterfaceDetailW",
    "SetupDiInstallDeviceInterfaces", "SetupDiRegisterDeviceInfo", "SetupDiBuildDriverInfoList",
    "SetupDiCancelDriverInfoSearch", "SetupDiEnumDriverInfoA", "SetupDiEnumDriverInfoW",
    "SetupDiGetSelectedDriverA", "SetupDiGetSelectedDriverW", "SetupDiSetSelectedDriverA",
    "SetupDiSetSelectedDriverW", "SetupDiGetDriverInfoDetailA", "SetupDiGetDriverInfoDetailW",
    "SetupDiDestroyDriverInfoList", "SetupDiGetClassDevsA", "SetupDiGetClassDevsW",
    "SetupDiGetClassDevsExA", "SetupDiGetClassDevsExW", "SetupDiGetINFClassA",
    "SetupDiGetINFClassW", "SetupDiBuildClassInfoList", "SetupDiBuildClassInfoListExA",
    "SetupDiBuildClassInfoListExW", "SetupDiGetClassDescriptionA",
    "SetupDiGetClassDescriptionW", "SetupDiGetClassDescriptionExA",
    "SetupDiGetClassDescriptionExW", "SetupDiCallClassInstaller", "SetupDiSelectDevice",
    "SetupDiSelectBestCompatDrv", "SetupDiInstallDevice", "SetupDiInstallDriverFiles",
    "SetupDiRegisterCoDeviceInstallers", "SetupDiRemoveDevice", "SetupDiUnremoveDevice",
    "SetupDiMoveDuplicateDevice", "SetupDiChangeState", "SetupDiInstallClassA",
    "SetupDiInstallClassW", "SetupDiInstallClassExA", "SetupDiInstallClassExW",
    "SetupDiOpenClassRegKey", "SetupDiOpenClassRegKeyExA", "SetupDiOpenClassRegKeyExW",
    "SetupDiCreateDeviceInterfaceRegKeyA", "SetupDiCreateDeviceInterfaceRegKeyW",
    "SetupDiOpenDeviceInterfaceRegKey", "SetupDiDeleteDeviceInterfaceRegKey",
    "SetupDiCreateDevRegKeyA", "SetupDiCreateDevRegKeyW", "SetupDiOpenDevRegKey",
    "SetupDiDeleteDevRegKey", "SetupDiGetHwProfileList", "SetupDiGetHwProfileListExA",
    "SetupDiGetHwProfileListExW", "SetupDiGetDeviceRegistryPropertyA",
    "SetupDiGetDeviceRegistryPropertyW", "SetupDiSetDeviceRegistryPropertyA",
    "SetupDiSetDeviceRegistryPropertyW", "SetupDiGetDeviceInstallParamsA",
    "SetupDiGetDeviceInstallParamsW", "SetupDiGetClassInstallParamsA",
    "SetupDiGetClassInstallParamsW", "SetupDiSetDeviceInstallParamsA",
    "SetupDiSetDeviceInstallParamsW", "SetupDiSetClassInstallParamsA",
    "SetupDiSetClassInstallParamsW", "SetupDiGetDriverInstallParamsA",
    "SetupDiGetDriverInstallParamsW", "SetupDiSetDriverInstallParamsA",
    "SetupDiSetDriverInstallParamsW", "SetupDiLoadClassIcon", "SetupDiDrawMiniIcon",
    "SetupDiGetClassBitmapIndex", "SetupDiGetClassImageList", "SetupDiGetClassImageListExA",
    "SetupDiGetClassImageListExW", "SetupDiGetClassImageIndex", "SetupDiDestroyClassImageList",
    "SetupDiGetClassDevPropertySheetsA", "SetupDiGetClassDevPropertySheetsW",
    "SetupDiAskForOEMDisk", "SetupDiSelectOEMDrv", "SetupDiClassNameFromGuidA",
    "SetupDiClassNameFromGuidW", "SetupDiClassNameFromGuidExA", "SetupDiClassNameFromGuidExW",
    "SetupDiClassGuidsFromNameA", "SetupDiClassGuidsFromNameW", "SetupDiClassGuidsFromNameExA",
    "SetupDiClassGuidsFromNameExW", "SetupDiGetHwProfileFriendlyNameA",
    "SetupDiGetHwProfileFriendlyNameW", "SetupDiGetHwProfileFriendlyNameExA",
    "SetupDiGetHwProfileFriendlyNameExW", "SetupDiGetWizardPage", "SetupDiGetSelectedDevice",
    "SetupDiSetSelectedDevice", "SetupDiGetActualSectionToInstallA",
    "SetupDiGetActualSectionToInstallW"
};

constexpr const char* kHidNames[] = {
    "HidD_Hello", "HidD_GetHidGuid", "HidD_GetPreparsedData", "HidD_FreePreparsedData",
    "HidD_GetConfiguration", "HidD_SetConfiguration", "HidD_FlushQueue", "HidD_GetFeature",
    "HidD_SetFeature", "HidD_GetNumInputBuffers", "HidD_SetNumInputBuffers",
    "HidD_GetAttributes", "HidD_GetManufacturerString", "HidD_GetProductString",
    "HidD_GetSerialNumberString", "HidD_GetPhysicalDescriptor", "HidD_GetIndexedString",
    "HidD_GetInputReport", "HidD_SetOutputReport", "HidP_GetCaps",
    "HidP_GetLinkCollectionNodes", "HidP_GetSpecificButtonCaps", "HidP_GetSpecificValueCaps",
    "HidP_GetData", "HidP_SetData", "HidP_MaxDataListLength", "HidP_GetUsages",
    "HidP_GetUsagesEx", "HidP_SetUsages", "HidP_UnsetUsages", "HidP_MaxUsageListLength",
    "HidP_GetUsageValue", "HidP_GetScaledUsageValue", "HidP_GetUsageValueArray",
    "HidP_SetUsageValue", "HidP_SetScaledUsageValue", "HidP_SetUsageValueArray",
    "HidP_UsageListDifference", "HidP_TranslateUsagesToI8042ScanCodes",
    "HidP_GetExtendedAttributes", "HidP_InitializeReportForID"
};

template <const char* const* Names, std::size_t I>
std::intptr_t NotImplemented() {
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}

template <const char* const* Names, std::size_t... I>
std::vector<FARPROC> MakeStubs(std::index_sequence<I...>) {
    return {reinterpret_cast<FARPROC>(&NotImplemented<Names, I>)...};
}

std::vector<std::string> ToVector(const char* const* names, std::size_t count) {
    return std::vector<std::string>(names, names + count);
}

} // namespace

const std::vector<FARPROC>& SetupApiStubs() {
    static const std::vector<FARPROC> stubs =
        MakeStubs<kSetupApiNames>(std::make_index_sequence<std::size(kSetupApiNames)>());
    return stubs;
}

const std::vector<FARPROC>& HidStubs() {
    static const std::vector<FARPROC> stubs =
        MakeStubs<kHidNames>(std::make_index_sequence<std::size(kHidNames)>());
    return stubs;
}

} // namespace platform::detail

namespace platform {

const std::vector<std::string>& SetupApiExportNames() {
    static const std::vector<std::string> names =
        detail::ToVector(detail::kSetupApiNames, std::size(detail::kSetupApiNames));
    return names;
}

const std::vector<std::string>& HidExportNames() {
    static const std::vector<std::string> names =
        detail::ToVector(detail::kHidNames, std::size(detail::kHidNames));
    return names;
}

} // namespace platform
