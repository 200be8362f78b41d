// vm_checks: the checks, or with --other-device a device that is not an analyzer, held
// until SIGTERM; it then prints how many output reports it received (none are expected:
// the program must not bind it). With --curves FILE... it checks curve files: each holds
// points, all finite; with --open-as UID GID NODE it tells whether that user opens the node
// for reading and writing (exit 0) or not (exit 1).
#include "KernelBus.h"

#include "app/core/CurveFile.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

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

int CheckCurves(int count, char** files) {
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const core::TCurveFileContent c = core::LoadCurveFile(files[i]);
        std::size_t points = 0;
        bool finite = true;
        for (const core::TLoadedCurve& s : c.Series) {
            points += s.Points.size();
            for (const core::TCurvePoint& p : s.Points)
                finite = finite && std::isfinite(p.X) && std::isfinite(p.Y);
        }
        std::printf("curve %s: %zu series, %zu points%s\n", files[i], c.Series.size(), points,
                    finite ? "" : ", not all finite");
        if (!c.IsCurveFile || c.Error || points == 0 || !finite)
            failed = 1;
    }
    return failed;
}

int OpenAs(const char* uid, const char* gid, const char* node) {
    const gid_t group = static_cast<gid_t>(std::atoi(gid));
    if (setgroups(1, &group) != 0 || setresgid(group, group, group) != 0 ||
        setresuid(std::atoi(uid), std::atoi(uid), std::atoi(uid)) != 0) {
        std::perror("vm_checks: set user");
        return 2;
    }
    const int fd = open(node, O_RDWR);
    if (fd < 0) {
        std::printf("user %s: %s does not open: %s\n", uid, node, std::strerror(errno));
        return 1;
    }
    close(fd);
    std::printf("user %s: %s opens for reading and writing\n", uid, node);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--other-device") == 0)
        return HoldOtherDevice();
    if (argc >= 3 && std::strcmp(argv[1], "--curves") == 0)
        return CheckCurves(argc - 2, argv + 2);
    if (argc == 5 && std::strcmp(argv[1], "--open-as") == 0)
        return OpenAs(argv[2], argv[3], argv[4]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
