// The names in a folder.
#include "platform/FolderList.h"

#include "tests/app/core/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

TEST(FolderList, NamesEveryEntryButTheDots) {
    TempDir dir;
    TempDir::Write(dir / "gr1.txt", "a");
    TempDir::Write(dir / "Файл", "b");
    std::filesystem::create_directory(dir / "sub");
    auto names = platform::FolderNames(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"gr1.txt", "sub", "Файл"}));
    EXPECT_TRUE(platform::FolderNames(dir / "none").empty());
    EXPECT_TRUE(platform::FolderNames(dir / "gr1.txt").empty());
}
