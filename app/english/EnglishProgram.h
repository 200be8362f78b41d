#pragma once
// The English build's program entry.
#include <functional>

namespace english {

// As the Russian entry, with the English build's start: the platform version is read once,
// the HID layer takes the English variant, the English texts are chosen, and the main window
// is the English one. setUp runs once the
// application object is initialised, before the windows are created.
int ProgramEntry(const std::function<void()>& setUp = {});

} // namespace english
