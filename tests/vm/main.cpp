// vm_checks: the checks, or with --other-device a device that is not an analyzer, held
// until SIGTERM; it then prints how many output reports it received (none are expected:
// the program must not bind it).
#include "KernelBus.h"

#include <signal.h>

#include <cstdio>
#include <cstring>

namespace {

volatile sig_atomic_t g_stop = 0;
void Stop(int) { g_stop = 1; }

int HoldOtherDevice() {
    struct sigaction sa {};
    sa.sa_handler = Stop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    auto device = hidraw::UhidDevice::Create(vmcheck::OtherIdentity());
    if (!device) {
        std::perror("vm_checks: uhid");
        return 1;
    }
    int outputs = 0;
    while (!g_stop) {
        hidraw::UhidEvent event;
        const int got = device->Next(event, 100);
        if (got < 0)
            return 1;
        if (got == 1 && event.kind == hidraw::UhidEvent::Output)
            ++outputs;
        else if (got == 1)
            device->RefuseRequest(event);
    }
    std::printf("other device: %d output reports\n", outputs);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--other-device") == 0)
        return HoldOtherDevice();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
