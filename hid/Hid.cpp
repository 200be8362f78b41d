#include "hid/Hid.h"

#include "hid/ModuleLoader.h"

namespace hid {

HMODULE HidModule = 0;
FARPROC HidPointers[HidPointerCount] = {};

const std::vector<TEntryPoint>& HidEntryPoints() {
    static const std::vector<TEntryPoint> entries =
        ExpandRoutineNames(HidRoutines.data(), HidRoutines.size());
    return entries;
}

#if !defined(COLDPOINT_ENGLISH)  // the English build's binding: app/english/hid/
bool BindHid() {
    if (!LoadModuleHandle(HidModule, "HID.dll"))
        return false;
    if (!FillRoutineTable(HidModule, HidEntryPoints(), HidPointers)) {
        UnbindHid();
        return false;
    }
    return true;
}
#endif

void UnbindHid() {
    FreeModuleHandle(HidModule);
    ClearRoutineTable(HidPointers, HidPointerCount);
}

bool IsHidBound() { return HidModule != 0; }

} // namespace hid
