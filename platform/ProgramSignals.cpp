#include "platform/ProgramSignals.h"

#include <csignal>

#include <signal.h>
#include <time.h>

namespace platform {

namespace {

volatile std::sig_atomic_t noted[5] = {};

// The signal numbers of each, in the order of ProgramSignal.
constexpr int kNumbers[][2] = {
    {SIGINT, SIGTERM}, {SIGUSR1, 0}, {SIGUSR2, 0}, {SIGTSTP, 0}, {SIGCONT, 0}};
constexpr int kCount = sizeof kNumbers / sizeof kNumbers[0];

int Index(ProgramSignal signal) { return static_cast<int>(signal); }

void Note(int number) {
    for (int i = 0; i < kCount; ++i)
        for (int n : kNumbers[i])
            if (n == number)
                noted[i] = 1;
}

} // namespace

void CatchProgramSignal(ProgramSignal signal) {
    struct sigaction action {};
    action.sa_handler = Note; // no SA_RESTART: a wait returns at once
    sigemptyset(&action.sa_mask);
    for (int number : kNumbers[Index(signal)])
        if (number != 0)
            ::sigaction(number, &action, nullptr);
}

bool ProgramSignalNoted(ProgramSignal signal) { return noted[Index(signal)] != 0; }

bool TakeProgramSignal(ProgramSignal signal) {
    if (!noted[Index(signal)])
        return false;
    noted[Index(signal)] = 0;
    return true;
}

void WaitMilliseconds(int milliseconds) {
    const timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
    ::nanosleep(&wait, nullptr);
}

} // namespace platform
