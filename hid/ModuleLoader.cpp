#include "hid/ModuleLoader.h"

namespace hid {

bool LoadModuleHandle(HMODULE& Module, const std::string& Name) {
    if (Module == 0)
        Module = ::LoadLibraryA(Name.c_str());
    return Module != 0;
}

void FreeModuleHandle(HMODULE& Module) {
    if (Module != 0)
        ::FreeLibrary(Module);
    Module = 0;
}

FARPROC FindModuleSymbol(HMODULE Module, const std::string& Name) {
    if (Module == 0)
        return nullptr;
    return ::GetProcAddress(Module, Name.c_str());
}

FARPROC FindModuleSymbolChecked(HMODULE Module, const std::string& Name, bool& AllFound) {
    FARPROC result = FindModuleSymbol(Module, Name);
    if (result == nullptr)
        AllFound = false;
    return result;
}

} // namespace hid
