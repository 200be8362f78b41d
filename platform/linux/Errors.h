#pragma once
// errno values of hidraw calls as the platform's last-error codes.
#include "platform/WinApi.h"

namespace hidraw {

// open(2) of a node: a node that is not there (or whose device has gone) is not found.
DWORD ErrorFromOpen(int error);
// read(2), write(2) and ioctl(2) on an open node: a device that has gone is not connected.
DWORD ErrorFromIo(int error);

} // namespace hidraw
