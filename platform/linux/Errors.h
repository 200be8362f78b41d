#pragma once
// errno values of hidraw calls as the platform's last-error codes, and the lines on standard
// error that keep their cause.
#include "platform/WinApi.h"

#include <mutex>
#include <string>

namespace hidraw {

// One line on standard error for a call that failed: "coldpoint: <what>: <strerror>".
void TraceFailure(const std::string& what, int error);

// Tells each cause of a failing call once: "coldpoint: <what>: <strerror>" on standard error
// when the call fails for another cause than the last one told; a success forgets it. So a
// poll that fails once a second leaves one line, not one a second. Any thread.
class TraceOnce {
public:
    void Failed(const std::string& what, int error);
    // A failure without an errno (a short write): the text says it all.
    void Failed(const std::string& text);
    void Succeeded();

private:
    std::mutex mutex_;
    std::string last_;
};

// open(2) of a node: a node that is not there (or whose device has gone) is not found.
DWORD ErrorFromOpen(int error);
// read(2), write(2) and ioctl(2) on an open node: a device that has gone is not connected.
DWORD ErrorFromIo(int error);

} // namespace hidraw
