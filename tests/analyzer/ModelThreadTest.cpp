#include "HostRules.h"

#include "analyzer/AnalyzerModel.h"

#include <gtest/gtest.h>

#include <thread>

namespace analyzer::test {
namespace {

// Commands on one thread while the clock advances on another: every poll still answers
// with one whole report (run under the thread sanitizer to see the lock at work).
TEST(ModelThreadTest, CommandsAndClockFromTwoThreads) {
    AnalyzerModel model;
    model.SetSample({-5.0, -15.0, -25.0, false});
    std::thread clock([&] {
        for (int i = 0; i < 20000; ++i)
            model.Advance(0.5);
    });
    int answered = 0;
    for (int i = 0; i < 20000; ++i) {
        if (i % 1000 == 0)
            Send(model, OutputReport(Command::RunControl, {Byte(RunControl::Start)}));
        if (Send(model, OutputReport(Command::Poll)).size() == 1)
            ++answered;
        Send(model,
             OutputReport(Command::WriteEepromByte, {160, 0x10, std::uint8_t(i), std::uint8_t(i)}));
    }
    clock.join();
    EXPECT_EQ(answered, 20000);
    EXPECT_EQ(model.ExternalByte(0x10FF), 0xFF);
}

} // namespace
} // namespace analyzer::test
