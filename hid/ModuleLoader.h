#pragma once
// Loading platform libraries into handle variables and looking up their routines by name.
#include "platform/WinApi.h"

#include <string>

namespace hid {

// Loads the library only if Module is 0; true when Module is non-zero afterwards.
bool LoadModuleHandle(HMODULE& Module, const std::string& Name);
// Frees the library if Module is non-zero; Module is 0 afterwards in every case.
void FreeModuleHandle(HMODULE& Module);
// The routine's address; nil when Module is 0 or the name is not exported.
FARPROC FindModuleSymbol(HMODULE Module, const std::string& Name);
// As FindModuleSymbol; AllFound stays true only if it was and the routine was found. The
// lookup is made whatever AllFound was.
FARPROC FindModuleSymbolChecked(HMODULE Module, const std::string& Name, bool& AllFound);

} // namespace hid
