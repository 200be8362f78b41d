#pragma once
// What one running copy of the program holds so that no other copy writes the same files: an
// exclusive flock on each folder and file it names, taken on what the name leads to (links
// followed), so that another name of it (a symbolic link, a hard link, a linked folder) meets
// the same lock. A file's lock follows the file when ReplaceFile replaces it: the new file is
// locked before it takes the name (where the file system takes no lock, the save goes on
// without it). The locks work on read-only folders and go with the process that holds them (a
// crash leaves none behind).
#include <string>
#include <vector>

namespace platform {

class CopyLock {
public:
    enum class State {
        Held,  // everything named is locked by this object (what does not exist needs none)
        Taken, // another holder has a lock on one of them: Where() names it
        Failed // one of them cannot be locked (the first: Where() names it, Reason() says
               // why), the others are held
    };

    // Tries once, without waiting, and stops at the first that another holder has (letting
    // go of all); one that cannot be locked is said, and the others are held. Folders are
    // locked where they exist. A file is locked itself where it is a regular file this
    // process can open, else the folder it is in (or would be made in) is locked and the
    // file's lock taken when ReplaceFile first makes it. What two names lead to is locked
    // once. Each object opens what it locks itself: two objects of one process conflict as
    // two processes' do.
    CopyLock(const std::vector<std::string>& folders, const std::vector<std::string>& files);
    ~CopyLock();
    CopyLock(const CopyLock&) = delete;
    CopyLock& operator=(const CopyLock&) = delete;

    State Status() const { return state_; }
    bool Held() const { return state_ == State::Held; }
    bool TakenByAnother() const { return state_ == State::Taken; }
    const std::string& Where() const { return where_; }
    const std::string& Reason() const { return reason_; }

private:
    bool Take(const std::vector<std::string>& folders, const std::vector<std::string>& files);
    void Release();

    State state_ = State::Held;
    std::string where_;
    std::string reason_;
    std::vector<int> folders_;    // the folders' descriptors
    std::vector<unsigned> files_; // this object's file locks (see Files.cpp)
};

} // namespace platform
