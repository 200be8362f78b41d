#include "platform/EndSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

std::atomic<int> noted{0};
std::atomic<int> wakeFd{-1};
struct sigaction previous[3];

void OnEndSignal(int sig) {
    int none = 0;
    if (!noted.compare_exchange_strong(none, sig)) {
        // A second one: the default action, as soon as this handler returns.
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    const int fd = wakeFd.load();
    if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
        // a full pipe wakes the main thread already
    }
    errno = saved;
}

} // namespace

EndSignals::EndSignals() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readFd_ = fds[0];
    writeFd_ = fds[1];
    noted = 0;
    wakeFd = writeFd_;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        sigaddset(&action.sa_mask, sig);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &action, &previous[i]);
}

EndSignals::~EndSignals() {
    if (readFd_ < 0)
        return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    wakeFd = -1;
    noted = 0;
    ::close(readFd_);
    ::close(writeFd_);
}

int EndSignals::Take() {
    if (readFd_ < 0)
        return 0;
    char bytes[16];
    bool any = false;
    while (::read(readFd_, bytes, sizeof bytes) > 0)
        any = true;
    return any ? noted.load() : 0;
}

void EndSignals::Rearm() {
    if (readFd_ >= 0)
        noted = 0;
}

} // namespace platform
