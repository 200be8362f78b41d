#pragma once
// The system calls of the file service, watched and failed one at a time. Test programs link
// with --wrap for each call named here (see CMakeLists.txt); the wraps act only on the thread
// that set them up and hand every other call on unchanged.
#include <string>
#include <vector>

namespace platform::test {

// The calls that are wrapped.
const std::vector<std::string>& WrappedFileCalls();

// While it lives, this thread's wrapped calls are logged by name, and the one at position
// failAt (counted from 0 over all of them), or every call of the name given, fails with the
// error without being made.
class FileCallFault {
public:
    static constexpr unsigned kNever = ~0u;
    explicit FileCallFault(unsigned failAt = kNever, int error = 0);
    FileCallFault(const std::string& call, int error);
    ~FileCallFault();
    FileCallFault(const FileCallFault&) = delete;
    FileCallFault& operator=(const FileCallFault&) = delete;

    // The calls made so far, in order; the failed one is included.
    std::vector<std::string> Calls() const;
    // True once the call at failAt has come and failed.
    bool Failed() const;
};

} // namespace platform::test
