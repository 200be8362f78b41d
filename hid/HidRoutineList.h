#pragma once
// The HID table's routines in binding order: ONCE(name); TWICE(name, alias), bound a second
// time under its button name; EXTRA(name), the English build's four routines, which the
// Russian build's table leaves out.
#define COLDPOINT_HID_ROUTINES(ONCE, TWICE, EXTRA)               \
    ONCE("HidD_Hello")                                           \
    ONCE("HidD_GetHidGuid")                                      \
    ONCE("HidD_GetPreparsedData")                                \
    ONCE("HidD_FreePreparsedData")                               \
    ONCE("HidD_GetConfiguration")                                \
    ONCE("HidD_SetConfiguration")                                \
    ONCE("HidD_FlushQueue")                                      \
    ONCE("HidD_GetFeature")                                      \
    ONCE("HidD_SetFeature")                                      \
    ONCE("HidD_GetNumInputBuffers")                              \
    ONCE("HidD_SetNumInputBuffers")                              \
    ONCE("HidD_GetAttributes")                                   \
    ONCE("HidD_GetManufacturerString")                           \
    ONCE("HidD_GetProductString")                                \
    ONCE("HidD_GetSerialNumberString")                           \
    ONCE("HidD_GetPhysicalDescriptor")                           \
    ONCE("HidD_GetIndexedString")                                \
    EXTRA("HidD_GetInputReport")                                 \
    EXTRA("HidD_SetOutputReport")                                \
    ONCE("HidP_GetCaps")                                         \
    ONCE("HidP_GetLinkCollectionNodes")                          \
    ONCE("HidP_GetSpecificButtonCaps")                           \
    ONCE("HidP_GetSpecificValueCaps")                            \
    ONCE("HidP_GetData")                                         \
    ONCE("HidP_SetData")                                         \
    ONCE("HidP_MaxDataListLength")                               \
    TWICE("HidP_GetUsages", "HidP_GetButtons")                   \
    TWICE("HidP_GetUsagesEx", "HidP_GetButtonsEx")               \
    TWICE("HidP_SetUsages", "HidP_SetButtons")                   \
    TWICE("HidP_UnsetUsages", "HidP_UnsetButtons")               \
    TWICE("HidP_MaxUsageListLength", "HidP_MaxButtonListLength") \
    ONCE("HidP_GetUsageValue")                                   \
    ONCE("HidP_GetScaledUsageValue")                             \
    ONCE("HidP_GetUsageValueArray")                              \
    ONCE("HidP_SetUsageValue")                                   \
    ONCE("HidP_SetScaledUsageValue")                             \
    ONCE("HidP_SetUsageValueArray")                              \
    ONCE("HidP_UsageListDifference")                             \
    ONCE("HidP_TranslateUsagesToI8042ScanCodes")                 \
    EXTRA("HidP_GetExtendedAttributes")                          \
    EXTRA("HidP_InitializeReportForID")
