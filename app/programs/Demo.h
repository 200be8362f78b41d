#pragma once
#include <string>

namespace app {

// How the demo runs. The program uses the defaults; the probe program of the tests and the
// look script shortens the determination and closes the window by itself.
struct DemoHooks {
    double runSeconds = 180; // real seconds of one determination
    int quitAfter = 0;       // close the window once this many records were appended
    std::string picture;     // PNGs of the window in the middle of the first determination
                             // of all three results, then close
};

int DemoMain(const DemoHooks& hooks);

} // namespace app
