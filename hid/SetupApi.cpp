#include "hid/SetupApi.h"

#include "hid/ModuleLoader.h"

namespace hid {

HMODULE SetupApiModule = 0;
std::int32_t SetupApiRefCount = 0;
FARPROC SetupApiPointers[SetupApiPointerCount] = {};

const std::vector<TEntryPoint>& SetupApiEntryPoints() {
    static const std::vector<TEntryPoint> entries =
        ExpandRoutineNames(SetupApiRoutines.data(), SetupApiRoutines.size());
    return entries;
}

bool BindSetupApi() {
    ++SetupApiRefCount;
    if (SetupApiRefCount > 1)
        return true;
    if (!LoadModuleHandle(SetupApiModule, "SetupApi.dll")) {
        --SetupApiRefCount;
        return false;
    }
    if (!FillRoutineTable(SetupApiModule, SetupApiEntryPoints(), SetupApiPointers)) {
        UnbindSetupApi();
        return false;
    }
    return true;
}

void UnbindSetupApi() {
    --SetupApiRefCount;
    if (SetupApiRefCount <= 0) {
        FreeModuleHandle(SetupApiModule);
        ClearRoutineTable(SetupApiPointers, SetupApiPointerCount);
    }
}

} // namespace hid
