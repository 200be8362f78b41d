#pragma once
// Pictures of windows for the look scripts.
#include <string>

namespace ui {

class TControl;

// Lays the control out at width x height (when both are above 0), lets pending events run,
// and writes its picture as a PNG file. Returns false when the file cannot be written.
bool GrabToPng(TControl* control, const std::string& path, int width = 0, int height = 0);

} // namespace ui
