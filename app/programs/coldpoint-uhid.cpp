// coldpoint-uhid: the stand-in analyzer as a kernel HID device, for trying coldpoint and
// coldpoint-en without an analyzer (the user must be able to open /dev/uhid).
//   coldpoint-uhid [--run-seconds S] [--layout-a] [--own-clock]
// --run-seconds: the analyzer repeats determinations by itself, each lasting about S real
// seconds; without it the clock runs in real time and a run starts on the host's command.
// --layout-a: status reports in layout A (payload byte 39 = 2).
// --own-clock: the analyzer goes on by its clock while nobody polls it: the end of a
// determination lasts its hold time whether or not the host has seen it.
// Runs until SIGINT or SIGTERM, then destroys the device.
#include "app/programs/UhidAnalyzer.h"
#include "platform/ProgramSignals.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    double runSeconds = 0;
    bool layoutA = false;
    bool ownClock = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--run-seconds") == 0 && i + 1 < argc) {
            runSeconds = std::strtod(argv[++i], nullptr);
            if (!(runSeconds > 0)) {
                std::fprintf(stderr, "coldpoint-uhid: --run-seconds needs a positive number\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--layout-a") == 0) {
            layoutA = true;
        } else if (std::strcmp(argv[i], "--own-clock") == 0) {
            ownClock = true;
        } else {
            std::fprintf(stderr,
                         "usage: coldpoint-uhid [--run-seconds S] [--layout-a] [--own-clock]\n");
            return 2;
        }
    }

    analyzer::AnalyzerModel model(0);
    model.SetLayoutASwitch(layoutA);
    model.SetOwnClock(ownClock);
    if (runSeconds > 0)
        model.SetDemo({.enabled = true, .seed = 1, .realSecondsPerRun = runSeconds});

    platform::CatchProgramSignal(platform::ProgramSignal::Stop);
    auto device = hidraw::UhidDevice::Create(analyzer::UhidAnalyzerIdentity());
    if (!device) {
        std::fprintf(stderr, "coldpoint-uhid: cannot create the device through /dev/uhid: %s\n",
                     std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "coldpoint-uhid: analyzer 0925:1299 created\n");

    auto last = std::chrono::steady_clock::now();
    while (!platform::ProgramSignalNoted(platform::ProgramSignal::Stop)) {
        if (!analyzer::ServeOne(*device, model, 50)) {
            std::fprintf(stderr, "coldpoint-uhid: the device failed: %s\n", std::strerror(errno));
            return 1;
        }
        const auto now = std::chrono::steady_clock::now();
        model.AdvanceReal(std::chrono::duration<double>(now - last).count());
        last = now;
    }
    device->Destroy();
    return 0;
}
