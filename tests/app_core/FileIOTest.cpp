#include "app/core/FileIO.h"
#include "app/core/Journal.h"

#include "TempDir.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace core;

TEST(FileIO, ReplaceCreatesAndReplacesWholeFiles)
{
    TempDir dir;
    const std::string file = dir / "data2.tab";
    ReplaceFileAtomically(file, "first");
    EXPECT_EQ(TempDir::Read(file), "first");
    ReplaceFileAtomically(file, "2");
    EXPECT_EQ(TempDir::Read(file), "2");
    ReplaceFileAtomically(file, "");
    EXPECT_EQ(TempDir::Read(file), "");
    EXPECT_EQ(dir.EntryCount(), 1u);   // no temporary file stays behind
}

TEST(FileIO, ReplaceKeepsTheModeOfTheOldFile)
{
    TempDir dir;
    const std::string file = dir / "x";
    TempDir::Write(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ReplaceFileAtomically(file, "new");
    struct stat st{};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(FileIO, ReplaceInAMissingDirectoryRaisesTheCreateError)
{
    TempDir dir;
    const std::string file = dir / "gr/gr1.txt";
    try {
        ReplaceFileAtomically(file, "x");
        FAIL() << "no error";
    } catch (const rt::EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"" + file + "\". No such file or directory");
    }
}

TEST(FileIO, ReplaceOfADirectoryIsRefused)
{
    TempDir dir;
    EXPECT_THROW(ReplaceFileAtomically(dir.path() + ".", "x"), rt::EFCreateError);
}

TEST(FileIO, AFailedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::string old = SerializeJournal({{"1", "d", "-1", "-2", "-3", " "}});
    TempDir::Write(file, old);

    // A file size limit makes the write fail part way, like a full disk.
    struct rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    std::vector<TJournalRow> many(100, TJournalRow{"2", "d", "-1", "-2", "-3", " "});
    bool raised = false;
    try {
        SaveJournalFile(file, many);
    } catch (const rt::EFCreateError& e) {
        raised = true;
        EXPECT_NE(e.Message().find("Cannot create file \"" + file + "\". "), std::string::npos);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(TempDir::Read(file), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(FileIO, ReadingAMissingFileRaisesTheOpenError)
{
    TempDir dir;
    const std::string file = dir / "data2.tab";
    try {
        LoadJournalFile(file);
        FAIL() << "no error";
    } catch (const rt::EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + file + "\". No such file or directory");
    }
    EXPECT_THROW(ReadFileBytes(dir.path()), rt::EFOpenError);
}

TEST(FileIO, JournalFileRoundTrip)
{
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::vector<TJournalRow> rows{{"1", "d", "-1", "?", "-3", "Присадка."},
                                        {"2", "d", "0", "0", "0", " "}};
    SaveJournalFile(file, rows);
    EXPECT_EQ(LoadJournalFile(file), rows);
    EXPECT_EQ(ReadFileBytes(file).size(), SerializeJournal(rows).size());
}

TEST(FileIO, FileExists)
{
    TempDir dir;
    EXPECT_FALSE(FileExists(dir / "gr1.txt"));
    TempDir::Write(dir / "gr1.txt", "");
    EXPECT_TRUE(FileExists(dir / "gr1.txt"));
    EXPECT_FALSE(FileExists(dir.path()));
}

TEST(FileIO, DirectoryOf)
{
    EXPECT_EQ(DirectoryOf("/opt/cp/coldpoint"), "/opt/cp/");
    EXPECT_EQ(DirectoryOf("coldpoint"), "");
    EXPECT_EQ(DirectoryOf("/x"), "/");
}
