#pragma once
// A lock on a folder that one process at a time holds: an exclusive flock on the folder
// itself. It works on a read-only folder, outlives renames inside it, and goes with the
// process that holds it (a crash leaves none behind).
#include <string>

namespace platform {

class FolderLock {
public:
    enum class State {
        Held,    // this object holds the lock
        Taken,   // another holder has it
        NoFolder // the folder cannot be opened: nothing is locked
    };

    // Tries once, without waiting.
    explicit FolderLock(const std::string& dir);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State Status() const { return state_; }
    bool Held() const { return state_ == State::Held; }
    bool TakenByAnother() const { return state_ == State::Taken; }

private:
    int fd_ = -1;
    State state_ = State::NoFolder;
};

} // namespace platform
