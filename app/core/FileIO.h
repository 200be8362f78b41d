#pragma once
// Whole-file reads and replacing writes for the program's own files.
#include <string>
#include <string_view>

namespace core {

// The file's bytes. Raises rt::EFOpenError when it cannot be opened or read.
std::string ReadFileBytes(const std::string& path);

// Replaces the file with the bytes as a whole: a temporary file beside it is written, flushed
// to the disk and renamed over it. A file that exists but is not writable is refused. On any
// failure the old file stays as it was, the temporary file is removed and rt::EFCreateError
// is raised.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// True when the path names an existing file (not a directory).
bool FileExists(const std::string& path);

// The directory part of a path with its trailing '/', or "" when it has none.
std::string DirectoryOf(const std::string& path);

} // namespace core
