// coldpoint-gadget: the stand-in analyzer as a USB device, a configfs HID gadget bound to a
// device controller (root; configfs mounted, libcomposite and usb_f_hid loaded).
//   coldpoint-gadget [--bcd-device N] [--run-seconds S] [--layout-a] [--own-clock]
//                    [--udc NAME] [--reports FILE]
// --bcd-device: the device's release number, which the host reads as the HID version number
// (3 makes the model send layout A); 0x0100 when not given.
// --run-seconds, --layout-a, --own-clock: as for coldpoint-uhid.
// --udc: the controller to bind to; the machine's first when not given.
// --reports: FILE gets "version N", then a line for each status report the host took
// ("report" and the payload in hex) and one for each change below ("unplugged", "plugged in",
// "silent", "answers").
// SIGUSR1 unbinds the gadget (the cable pulled), SIGUSR2 binds it again. SIGTSTP makes the
// analyzer silent: it reads nothing the host writes and sends nothing, so the host's writes
// wait on the wire; SIGCONT makes it answer again. The clock runs on meanwhile. Each state
// the model's status changes to is printed as "state N". Runs until SIGINT or SIGTERM, then
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

namespace {

// The --reports file: one line a report or change, each flushed at once.
class ReportsFile {
public:
    bool Open(const char* path) {
        file_ = std::fopen(path, "w");
        return file_ != nullptr;
    }
    ~ReportsFile() {
        if (file_)
            std::fclose(file_);
    }
    void Line(const std::string& text) {
        if (!file_)
            return;
        std::fprintf(file_, "%s\n", text.c_str());
        std::fflush(file_);
    }
    void Sent(const analyzer::InputReport& report) {
        const std::uint8_t code = report[1];
        if (code == analyzer::Byte(analyzer::Reply::ControllerDump) ||
            code == analyzer::Byte(analyzer::Reply::EepromRead) ||
            code == analyzer::Byte(analyzer::Reply::EepromByte))
            return;
        std::string hex = "report ";
        char pair[3];
        for (std::size_t i = 1; i < report.size(); ++i) {
            std::snprintf(pair, sizeof pair, "%02x", report[i]);
            hex += pair;
        }
        Line(hex);
    }

private:
    std::FILE* file_ = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    unsigned long bcdDevice = 0x0100;
    double runSeconds = 0;
    bool layoutA = false;
    bool ownClock = false;
    std::string udc;
    ReportsFile reports;
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
        } else if (std::strcmp(argv[i], "--own-clock") == 0) {
            ownClock = true;
        } else if (std::strcmp(argv[i], "--udc") == 0 && i + 1 < argc) {
            udc = argv[++i];
        } else if (std::strcmp(argv[i], "--reports") == 0 && i + 1 < argc) {
            if (!reports.Open(argv[++i])) {
                std::fprintf(stderr, "coldpoint-gadget: cannot write %s: %s\n", argv[i],
                             std::strerror(errno));
                return 1;
            }
        } else {
            std::fprintf(stderr,
                         "usage: coldpoint-gadget [--bcd-device N] [--run-seconds S] "
                         "[--layout-a] [--own-clock] [--udc NAME] [--reports FILE]\n");
            return 2;
        }
    }

    analyzer::AnalyzerModel model(static_cast<std::uint16_t>(bcdDevice));
    model.SetLayoutASwitch(layoutA);
    model.SetOwnClock(ownClock);
    if (runSeconds > 0)
        model.SetDemo({.enabled = true, .seed = 1, .realSecondsPerRun = runSeconds});
    reports.Line("version " + std::to_string(bcdDevice));

    platform::CatchProgramSignal(ProgramSignal::Stop);
    platform::CatchProgramSignal(ProgramSignal::User1);  // unplug
    platform::CatchProgramSignal(ProgramSignal::User2);  // plug
    platform::CatchProgramSignal(ProgramSignal::Pause);  // silent
    platform::CatchProgramSignal(ProgramSignal::Resume); // answers again
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
    bool silent = false;
    auto tell = [&](const char* what) {
        std::fprintf(stderr, "coldpoint-gadget: %s\n", what);
        reports.Line(what);
    };
    const auto sent = [&](const analyzer::InputReport& report) { reports.Sent(report); };
    auto last = std::chrono::steady_clock::now();
    while (!platform::ProgramSignalNoted(ProgramSignal::Stop)) {
        if (platform::TakeProgramSignal(ProgramSignal::User1)) {
            gadget->Unbind();
            tell("unplugged");
        }
        if (platform::TakeProgramSignal(ProgramSignal::User2)) {
            if (!gadget->Bind(udc)) {
                std::fprintf(stderr, "coldpoint-gadget: cannot bind again: %s\n",
                             std::strerror(errno));
                return 1;
            }
            tell("plugged in");
        }
        if (platform::TakeProgramSignal(ProgramSignal::Pause)) {
            silent = true;
            tell("silent");
        }
        if (platform::TakeProgramSignal(ProgramSignal::Resume)) {
            silent = false;
            tell("answers");
        }
        if (gadget->Bound() && !silent) {
            if (!analyzer::ServeOne(*gadget, model, 50, 1000, sent)) {
                std::fprintf(stderr, "coldpoint-gadget: the gadget failed: %s\n",
                             std::strerror(errno));
                return 1;
            }
        } else {
            platform::WaitMilliseconds(50); // unplugged or silent: the clock runs on
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
