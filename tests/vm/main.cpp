// vm_checks: the checks, or with --other-device a device that is not an analyzer, held
// until SIGTERM; it then prints how many output reports it received (none are expected:
// the program must not bind it). With --curves FILE... it checks curve files: each holds
// points, all finite; with --curve-points REPORTS FILE across|before it checks the
// temperature curve of a record's Chart1 file against the status reports coldpoint-gadget
// sent (its --reports file): each point is the temperature of a report of a plotting state,
// in order, no report plotted twice, with points on both sides of the pull (across) or only
// before it (before). With --last-report REPORTS it prints the state and the cloud point of
// the last report in that file ("state 40 cloud -5.3", "?" while not found). With --open-as UID GID
// NODE it tells whether that user opens the node for reading and writing (exit 0) or not (exit 1);
// 2 when it could not become that user.
#include "KernelBus.h"

#include "app/core/CurveFile.h"
#include "app/core/InputReport.h"
#include "app/core/NumberText.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// One status report the stand-in sent, as the program reads it.
struct SentReport {
    core::TMeasurement status;
    int pulls = 0; // cable pulls before it
};

bool Plotting(const core::TMeasurement& r) {
    return r.FState == 20 || r.FState == 30 || r.FState == 40 ||
           (r.FState == 50 && r.FModeByte >= 2);
}

// The stand-in's reports file: "version N", then a line a report sent ("report" and its
// payload in hex) and "unplugged" where the cable was pulled.
std::vector<SentReport> ReadSentReports(const char* path) {
    std::vector<SentReport> sent;
    unsigned version = 0;
    int pulls = 0;
    FILE* f = std::fopen(path, "r");
    if (!f)
        return sent;
    char line[512];
    while (std::fgets(line, sizeof line, f)) {
        char hex[200] = {};
        if (std::sscanf(line, "version %u", &version) == 1)
            continue;
        if (std::strncmp(line, "unplugged", 9) == 0) {
            ++pulls;
            continue;
        }
        if (std::sscanf(line, "report %199s", hex) != 1)
            continue;
        std::vector<std::uint8_t> payload;
        for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
            const char pair[3] = {hex[i], hex[i + 1], 0};
            payload.push_back(static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16)));
        }
        if (auto status = core::DecodeStatusReport(payload.data(), payload.size(),
                                                   static_cast<std::uint16_t>(version)))
            sent.push_back({*status, pulls});
    }
    std::fclose(f);
    return sent;
}

int PrintLastReport(const char* reportsPath) {
    const std::vector<SentReport> sent = ReadSentReports(reportsPath);
    if (sent.empty())
        return 1;
    const core::TMeasurement& last = sent.back().status;
    std::printf("state %d cloud %s\n", last.FState, core::ResultText(last.FCloudPoint).c_str());
    return 0;
}

int CheckCurvePoints(const char* reportsPath, const char* curvePath, const std::string& mode) {
    const std::vector<SentReport> sent = ReadSentReports(reportsPath);
    const core::TCurveFileContent c = core::LoadCurveFile(curvePath);
    if (!c.IsCurveFile || c.Error || c.Series.empty()) {
        std::printf("curve %s: not a curve file with series\n", curvePath);
        return 1;
    }
    // Each point the next report of a plotting state that has its temperature.
    std::size_t next = 0;
    int before = 0, after = 0;
    const auto& points = c.Series[0].Points;
    for (std::size_t k = 0; k < points.size(); ++k) {
        while (next < sent.size() &&
               !(Plotting(sent[next].status) &&
                 core::Rounded(sent[next].status.FTemperature, 1) == points[k].Y))
            ++next;
        if (next == sent.size()) {
            std::printf(
                "curve %s: point %zu (%g) is no temperature sent after the points "
                "before it\n",
                curvePath, k, points[k].Y);
            return 1;
        }
        (sent[next].pulls == 0 ? before : after) += 1;
        ++next;
    }
    std::printf("curve %s: %zu points of %zu reports sent, %d before the pull, %d after\n",
                curvePath, points.size(), sent.size(), before, after);
    if (mode == "across")
        return before > 0 && after > 0 ? 0 : 1;
    return before > 0 && after == 0 ? 0 : 1;
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
    if (argc == 3 && std::strcmp(argv[1], "--last-report") == 0)
        return PrintLastReport(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "--curve-points") == 0)
        return CheckCurvePoints(argv[2], argv[3], argv[4]);
    if (argc == 5 && std::strcmp(argv[1], "--open-as") == 0)
        return OpenAs(argv[2], argv[3], argv[4]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
