#pragma once
// The names in a folder.
#include <string>
#include <vector>

namespace platform {

// The names of the entries of the folder (without "." and ".."), in no set order; none
// when it cannot be read.
std::vector<std::string> FolderNames(const std::string& dir);

} // namespace platform
