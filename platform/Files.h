#pragma once
// The program's own files: whole-file reads, bounded reads and replacing writes.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A regular file open for reading from its start. Raises rt::EFOpenError when it cannot be
// opened or read, and for what is not a regular file (a directory, a FIFO, a device), which is
// never waited on.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The size the file had when it was opened.
    std::uint64_t Size() const { return size_; }
    // The next bytes: count of them, fewer at the end of the file.
    std::string Read(std::uint64_t count);

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// The file's bytes, at most as many as its size when opened. Raises rt::EFOpenError.
std::string ReadFileBytes(const std::string& path);

// Replaces the file with the bytes as a whole. A temporary file beside it is written, flushed
// to the disk, given the old file's owner, group and mode where this process may (the group
// alone where only it may be given), and renamed over it; the folder is flushed. Where the
// folder lets no temporary file be made or refuses the rename for permission (no write
// access, a read-only file system, a sticky folder and another user's file) and where the
// file has more than one name (a hard link), an existing writable file is written in place:
// the room for the new bytes is reserved first, and a write that fails puts the old bytes
// back. A symbolic link is followed: its target is replaced. What exists but is not a writable
// regular file is refused unopened. A CopyLock's lock on the file goes over to the new file
// (where the file system takes no lock, the file is saved without it).
// On failure rt::EFCreateError is raised and the file holds its old bytes (or, when only a
// step after the rename failed, the new ones), whole.
void ReplaceFile(const std::string& path, std::string_view bytes);

// The file a path leads to: the end of its chain of symbolic links (which need not exist),
// else the path itself (also for a chain that does not end).
std::string LinkTarget(const std::string& path);

// True for the name of a temporary file that ReplaceFile makes (and earlier versions made).
bool IsTemporaryName(std::string_view name);

// Removes the temporary files that a write cut short left in the folder: regular files whose
// names are those of ReplaceFile's temporary files, nothing else. Errors are ignored.
void RemoveStaleTemporaries(const std::string& dir);

// Renames the file (replacing what the new name names); false with nothing changed when the
// old name names nothing, rt::EFCreateError for the new name when it fails otherwise.
bool RenameFile(const std::string& from, const std::string& to);

// True when anything (a file, a directory, a link) is at the path.
bool PathTaken(const std::string& path);

// True when the path names an existing file (not a directory).
bool FileExists(const std::string& path);

// The directory part of a path with its trailing '/', or "" when it has none.
std::string DirectoryOf(const std::string& path);

} // namespace platform
