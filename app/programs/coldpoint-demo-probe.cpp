// The demo for the tests and the look script: the same program, with its determination
// shortened and the window closed by itself.
//   coldpoint-demo-probe [--run-seconds S] [--quit-after N] [--picture FILE.png]
#include <cstdlib>
#include <cstring>

#include "app/programs/Demo.h"

int main(int argc, char** argv) {
    app::DemoHooks hooks;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--run-seconds") == 0) {
            const double v = std::strtod(argv[i + 1], nullptr);
            if (v > 0)
                hooks.runSeconds = v;
        } else if (std::strcmp(argv[i], "--quit-after") == 0) {
            hooks.quitAfter = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--picture") == 0) {
            hooks.picture = argv[i + 1];
        }
    }
    return app::DemoMain(hooks);
}
