#include "app/ProgramDir.h"

#include <filesystem>
#include <mutex>

namespace app {

namespace {
std::mutex lock;
std::string overridden;

std::string ExecutableDir() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    std::string dir = exe.parent_path().string();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}
} // namespace

std::string ProgramDir() {
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!overridden.empty())
            return overridden;
    }
    static const std::string dir = ExecutableDir();
    return dir;
}

void OverrideProgramDir(const std::string& dir) {
    std::lock_guard<std::mutex> guard(lock);
    overridden = dir;
    if (!overridden.empty() && overridden.back() != '/')
        overridden += '/';
}

} // namespace app
