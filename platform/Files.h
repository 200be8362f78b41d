#pragma once
// The program's own files: whole-file reads, bounded reads and replacing writes.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A file open for reading from its start. Raises rt::EFOpenError when it cannot be opened
// or read (a directory cannot).
class InputFile {
public:
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The size the file had when it was opened (0 for what is not a regular file).
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
// to the disk and renamed over it; where no temporary file can be made (a folder without
// write access) an existing writable file is written in place and flushed. A symbolic link
// is followed: its target is replaced. A file that exists but is not writable is refused.
// On failure rt::EFCreateError is raised; the old file stays as it was unless the in-place
// write itself failed part way.
void ReplaceFile(const std::string& path, std::string_view bytes);

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
