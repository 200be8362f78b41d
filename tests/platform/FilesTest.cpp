// The file service: whole-file and bounded reads, and the replacing write with its ways
// round a folder without write access and symbolic links.
#include "platform/Files.h"

#include "tests/app/core/TempDir.h"
#include "PermissionsBind.h"
#include "runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

std::string CreateErrorOf(const std::string& path, std::string_view bytes) {
    try {
        ReplaceFile(path, bytes);
    } catch (const rt::EFCreateError& e) {
        return e.Message();
    }
    return "no error";
}

// The folder loses its write access while the object lives, for root too.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::string& dir) : dir_(dir) { ::chmod(dir_.c_str(), 0555); }
    ~ReadOnlyFolder() { ::chmod(dir_.c_str(), 0755); }

private:
    std::string dir_;
    PermissionsBind bind_;
};

} // namespace

TEST(Files, ReplaceCreatesAndReplacesWholeFiles) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    ReplaceFile(file, "first");
    EXPECT_EQ(TempDir::Read(file), "first");
    ReplaceFile(file, "2");
    EXPECT_EQ(TempDir::Read(file), "2");
    ReplaceFile(file, "");
    EXPECT_EQ(TempDir::Read(file), "");
    EXPECT_EQ(dir.EntryCount(), 1u); // no temporary file stays behind
}

TEST(Files, ReplaceKeepsTheModeOfTheOldFile) {
    TempDir dir;
    const std::string file = dir / "x";
    TempDir::Write(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ReplaceFile(file, "new");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Files, ReplaceRefusesWhatCannotBeWritten) {
    TempDir dir;
    const std::string missing = dir / "gr/gr1.txt";
    EXPECT_EQ(CreateErrorOf(missing, "x"),
              "Cannot create file \"" + missing + "\". No such file or directory");
    EXPECT_NE(CreateErrorOf(dir.path() + ".", "x").find("Is a directory"), std::string::npos);

    const std::string locked = dir / "data2.tab";
    TempDir::Write(locked, "old");
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    {
        PermissionsBind bind;
        EXPECT_EQ(CreateErrorOf(locked, "new"),
                  "Cannot create file \"" + locked + "\". Permission denied");
    }
    EXPECT_EQ(TempDir::Read(locked), "old");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

// A folder without write access: no temporary file can be made beside the file.
TEST(Files, AReadOnlyFolderWritesAnExistingFileInPlace) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    TempDir::Write(file, "an old journal that is longer than the new one");
    {
        ReadOnlyFolder folder(dir.path());
        ReplaceFile(file, "new");
        ReplaceFile(file, "newer, and longer than the bytes before it");
        EXPECT_EQ(CreateErrorOf(dir / "tmp1.html", "x"),
                  "Cannot create file \"" + dir / "tmp1.html" + "\". Permission denied");
    }
    EXPECT_EQ(TempDir::Read(file), "newer, and longer than the bytes before it");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(Files, ASymbolicLinkIsFollowedNotReplaced) {
    TempDir dir;
    std::filesystem::create_directory(dir / "store");
    const std::string target = dir / "store/data2.tab";
    const std::string link = dir / "data2.tab";
    TempDir::Write(target, "old");
    std::filesystem::create_symlink("store/data2.tab", link);

    ReplaceFile(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempDir::Read(target), "new");

    // A link to a file not yet made: the file is made where the link points.
    const std::string dangling = dir / "gr1.txt";
    std::filesystem::create_symlink("store/gr1.txt", dangling);
    ReplaceFile(dangling, "curve");
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(TempDir::Read(dir / "store/gr1.txt"), "curve");

    // A link that leads back to itself is an error, not an endless walk.
    const std::string loop = dir / "loop";
    std::filesystem::create_symlink("loop", loop);
    EXPECT_NE(CreateErrorOf(loop, "x").find("Too many levels of symbolic links"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_symlink(loop));
}

TEST(Files, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    const std::string old = "1\r\nd\r\n-1\r\n-2\r\n-3\r\n \r\n\r\n";
    TempDir::Write(file, old);

    // A file size limit makes the write fail part way, like a full disk.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = CreateErrorOf(file, std::string(4096, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message.rfind("Cannot create file \"" + file + "\". ", 0), 0u) << message;
    EXPECT_EQ(TempDir::Read(file), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(Files, ReadsStopAtTheSizeTheFileHadWhenOpened) {
    TempDir dir;
    const std::string file = dir / "curve";
    TempDir::Write(file, "Mabc");
    InputFile in(file);
    EXPECT_EQ(in.Size(), 4u);
    EXPECT_EQ(in.Read(1), "M");
    EXPECT_EQ(in.Read(10), "abc");
    EXPECT_EQ(in.Read(10), "");
    EXPECT_EQ(ReadFileBytes(file), "Mabc");

    // What is not a regular file has no size: an endless device reads as empty.
    EXPECT_EQ(ReadFileBytes("/dev/zero"), "");
    EXPECT_EQ(InputFile("/dev/zero").Read(3), std::string(3, '\0'));
}

TEST(Files, ReadingWhatIsNoFileRaisesTheOpenError) {
    TempDir dir;
    const std::string file = dir / "data2.tab";
    try {
        ReadFileBytes(file);
        FAIL() << "no error";
    } catch (const rt::EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + file + "\". No such file or directory");
    }
    EXPECT_THROW(ReadFileBytes(dir.path()), rt::EFOpenError);
    EXPECT_THROW(InputFile{dir.path()}, rt::EFOpenError);
}

TEST(Files, FileExists) {
    TempDir dir;
    EXPECT_FALSE(FileExists(dir / "gr1.txt"));
    TempDir::Write(dir / "gr1.txt", "");
    EXPECT_TRUE(FileExists(dir / "gr1.txt"));
    EXPECT_FALSE(FileExists(dir.path()));
}

TEST(Files, DirectoryOf) {
    EXPECT_EQ(DirectoryOf("/opt/cp/coldpoint"), "/opt/cp/");
    EXPECT_EQ(DirectoryOf("coldpoint"), "");
    EXPECT_EQ(DirectoryOf("/x"), "/");
}
