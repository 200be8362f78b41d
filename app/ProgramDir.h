#pragma once
// The program's directory: where the program's named files (data2.tab, gr/, tmp1.html, the
// chart pictures) live. It is the directory of the running executable, with a trailing "/".
#include <string>

namespace app {

std::string ProgramDir();

// Tests point the program at a directory of their own ("" goes back to the executable's).
void OverrideProgramDir(const std::string& dir);

} // namespace app
