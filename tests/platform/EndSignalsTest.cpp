// The signals that end a session: the first is noted for the main thread, a second one ends
// the process at once, and the old actions come back with the object.
#include "platform/EndSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include <poll.h>

using platform::EndSignals;

namespace {

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

} // namespace

TEST(EndSignals, TheFirstSignalIsNotedForTheMainThread) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        EndSignals signals;
        ASSERT_GE(signals.ReadFd(), 0);
        EXPECT_FALSE(Readable(signals.ReadFd()));
        EXPECT_EQ(signals.Take(), 0);
        std::raise(sig);
        EXPECT_TRUE(Readable(signals.ReadFd()));
        EXPECT_EQ(signals.Take(), sig);
        EXPECT_FALSE(Readable(signals.ReadFd()));
        EXPECT_EQ(signals.Take(), 0);
    }
}

TEST(EndSignals, ASecondSignalEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        int first, second;
    } const cases[] = {{SIGTERM, SIGTERM}, {SIGHUP, SIGINT}, {SIGINT, SIGTERM}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EXIT(
            {
                EndSignals signals;
                std::raise(c.first);
                if (signals.Take() != c.first)
                    std::exit(2);
                std::raise(c.second);
                std::exit(0);
            },
            testing::KilledBySignal(c.second), "");
    }
}

// A session that did not end notes the next signal again, as the first.
TEST(EndSignals, ASignalAfterRearmIsNotedAgain) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EndSignals signals;
            for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
                std::raise(sig);
                if (signals.Take() != sig)
                    std::exit(2);
                signals.Rearm();
            }
            std::raise(SIGTERM);
            std::raise(SIGTERM); // while that one is being handled
            std::exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
}

TEST(EndSignals, TheOldActionsComeBack) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            { EndSignals signals; }
            std::raise(SIGTERM);
            std::exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
}
