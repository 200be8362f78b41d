#include "platform/FolderList.h"

#include <cstring>

#include <dirent.h>

namespace platform {

std::vector<std::string> FolderNames(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr)
        return names;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return names;
}

} // namespace platform
