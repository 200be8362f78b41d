// The signals of the stand-in analyzers' programs: a caught signal notes itself instead of
// ending the process, and a wait it comes in ends at once.
#include "platform/ProgramSignals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include <pthread.h>

using platform::ProgramSignal;

namespace {

TEST(ProgramSignals, ACaughtSignalIsNotedAndTakenOnce) {
    struct Case {
        ProgramSignal signal;
        int number;
    };
    const Case cases[] = {
        {ProgramSignal::Stop, SIGINT},
        {ProgramSignal::Stop, SIGTERM},
        {ProgramSignal::User1, SIGUSR1},
        {ProgramSignal::User2, SIGUSR2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        platform::CatchProgramSignal(c.signal);
        EXPECT_FALSE(platform::ProgramSignalNoted(c.signal));
        std::raise(c.number);
        EXPECT_TRUE(platform::ProgramSignalNoted(c.signal));
        EXPECT_TRUE(platform::ProgramSignalNoted(c.signal)) << "noting leaves it";
        EXPECT_TRUE(platform::TakeProgramSignal(c.signal));
        EXPECT_FALSE(platform::TakeProgramSignal(c.signal));
        EXPECT_FALSE(platform::ProgramSignalNoted(c.signal));
        for (ProgramSignal other :
             {ProgramSignal::Stop, ProgramSignal::User1, ProgramSignal::User2})
            EXPECT_FALSE(platform::ProgramSignalNoted(other));
    }
}

// A wait of a minute ends with the first caught signal, which another thread sends until it
// has ended.
TEST(ProgramSignals, ACaughtSignalEndsAWait) {
    platform::CatchProgramSignal(ProgramSignal::User2);
    const pthread_t waiter = pthread_self();
    std::atomic<bool> waited{false};
    std::thread sender([&] {
        while (!waited)
            pthread_kill(waiter, SIGUSR2);
    });
    const auto start = std::chrono::steady_clock::now();
    platform::WaitMilliseconds(60'000);
    waited = true;
    sender.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_TRUE(platform::TakeProgramSignal(ProgramSignal::User2));
}

} // namespace
