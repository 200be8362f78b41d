#pragma once
// The names of what a folder holds.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace platform_test {

// The names of the folder's entries, sorted.
inline std::vector<std::string> NamesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace platform_test
