// coldpoint-gadget: the stand-in analyzer as a USB device, a configfs HID gadget bound to a
// device controller (root; configfs mounted, libcomposite and usb_f_hid loaded).
//   coldpoint-gadget [--bcd-device N] [--run-seconds S] [--layout-a] [--udc NAME]
// --bcd-device: the device's release number, which the host reads as the HID version number
// (3 makes the model send layout A); 0x0100 when not given.
// --run-seconds, --layout-a: as for coldpoint-uhid.
// --udc: the controller to bind to; the machine's first when not given.
// SIGUSR1 unbinds the gadget (the cable pulled), SIGUSR2 binds it again. Each state the
// model's status changes to is printed as "state N". Runs until SIGINT or SIGTERM, then
// removes the gadget.
#include "app/programs/GadgetAnalyzer.h"
#include "platform/ProgramSignals.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using platform::ProgramSignal;

int main(int argc, char** argv) {
    unsigned long bcdDevice = 0x0100;
    double runSeconds = 0;
    bool layoutA = false;
    std::string udc;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bcd-device") == 0 && i + 1 < argc) {
            char* end = nullptr;
            bcdDevice = std::strtoul(argv[++i], &end, 0);
            if (*end || bcdDevice > 0xFFFF) {
                std::fprintf(stderr, "coldpoint-gadget: --bcd-device needs a 16-bit number\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--run-seconds") == 0 && i + 1 < argc) {
            runSeconds = std::strtod(argv[++i], nullptr);
            if (!(runSeconds > 0)) {
                std::fprintf(stderr, "coldpoint-gadget: --run-seconds needs a positive number\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--layout-a") == 0) {
            layoutA = true;
        } else if (std::strcmp(argv[i], "--udc") == 0 && i + 1 < argc) {
            udc = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: coldpoint-gadget [--bcd-device N] [--run-seconds S] "
                         "[--layout-a] [--udc NAME]\n");
            return 2;
        }
    }

    analyzer::AnalyzerModel model(static_cast<std::uint16_t>(bcdDevice));
    model.SetLayoutASwitch(layoutA);
    if (runSeconds > 0)
        model.SetDemo({.enabled = true, .seed = 1, .realSecondsPerRun = runSeconds});

    platform::CatchProgramSignal(ProgramSignal::Stop);
    platform::CatchProgramSignal(ProgramSignal::User1); // unplug
    platform::CatchProgramSignal(ProgramSignal::User2); // plug
    auto gadget = hidraw::UsbGadget::Create(
        analyzer::GadgetAnalyzerIdentity(static_cast<std::uint16_t>(bcdDevice)));
    if (!gadget || !gadget->Bind(udc)) {
        std::fprintf(stderr, "coldpoint-gadget: cannot make the gadget: %s\n",
                     std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "coldpoint-gadget: analyzer 0925:1299 (bcdDevice 0x%04lx) on %s\n",
                 bcdDevice, gadget->Node().c_str());

    int state = -1;
    auto last = std::chrono::steady_clock::now();
    while (!platform::ProgramSignalNoted(ProgramSignal::Stop)) {
        if (platform::TakeProgramSignal(ProgramSignal::User1)) {
            gadget->Unbind();
            std::fprintf(stderr, "coldpoint-gadget: unplugged\n");
        }
        if (platform::TakeProgramSignal(ProgramSignal::User2)) {
            if (!gadget->Bind(udc)) {
                std::fprintf(stderr, "coldpoint-gadget: cannot bind again: %s\n",
                             std::strerror(errno));
                return 1;
            }
            std::fprintf(stderr, "coldpoint-gadget: plugged in\n");
        }
        if (gadget->Bound()) {
            if (!analyzer::ServeOne(*gadget, model, 50)) {
                std::fprintf(stderr, "coldpoint-gadget: the gadget failed: %s\n",
                             std::strerror(errno));
                return 1;
            }
        } else {
            platform::WaitMilliseconds(50); // unplugged: the clock runs on
        }
        const auto now = std::chrono::steady_clock::now();
        model.AdvanceReal(std::chrono::duration<double>(now - last).count());
        last = now;
        if (model.State() != state) {
            state = model.State();
            std::fprintf(stderr, "coldpoint-gadget: state %d\n", state);
        }
    }
    return 0;
}
