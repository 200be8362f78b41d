#pragma once
// Marks the threads that read reports, so device routines know where they run.

namespace hid {

bool InReadThread();
void SetInReadThread(bool value);

} // namespace hid
