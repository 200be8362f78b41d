// Timers: ticks driven by the test, enabling rules, and a handler entered again through the
// nested loop of a box it opens.
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"

using namespace ui;

namespace {

TEST(TimerTest, TickRunsOnlyWhenEnabledWithAHandler) {
    TTimer t(nullptr);
    EXPECT_TRUE(t.Enabled());
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_FALSE(t.Tick()); // no handler
    int n = 0;
    t.OnTimer = [&](TObject* s) {
        EXPECT_EQ(s, &t);
        ++n;
    };
    EXPECT_TRUE(t.Tick());
    t.SetEnabled(false);
    EXPECT_FALSE(t.Tick());
    t.SetEnabled(true);
    t.SetEnabled(true); // already on: nothing changes
    EXPECT_TRUE(t.Tick());
    t.SetInterval(0);
    EXPECT_FALSE(t.Tick());
    EXPECT_EQ(n, 2);
}

TEST(TimerTest, HandlerIsEnteredAgainInsideItsOwnBox) {
    ModalRecorder boxes;
    TTimer t(nullptr);
    int entries = 0;
    int maxDepth = 0;
    t.OnTimer = [&](TObject*) {
        ++entries;
        maxDepth = std::max(maxDepth, t.Depth());
        if (t.Depth() == 1)
            Application->MessageBox("error", "", MB_OK);
    };
    boxes.SetWhileOpen([&](const ModalRequest&) { t.Tick(); });
    t.Tick();
    EXPECT_EQ(entries, 2);
    EXPECT_EQ(maxDepth, 2);
    EXPECT_EQ(t.Depth(), 0);
}

TEST(TimerTest, TheEventLoopDeliversTicksAlsoInsideANestedLoop) {
    TTimer t(nullptr);
    t.SetInterval(1);
    int entries = 0;
    int maxDepth = 0;
    t.OnTimer = [&](TObject*) {
        ++entries;
        maxDepth = std::max(maxDepth, t.Depth());
        if (t.Depth() == 1)
            // What a modal box does: a loop of its own until something ends it.
            uitest::RunUntil([&] { return entries >= 2; });
    };
    EXPECT_TRUE(uitest::RunUntil([&] { return entries >= 2; }));
    t.SetEnabled(false);
    EXPECT_EQ(maxDepth, 2);
}

TEST(TimerTest, ADisabledTimerDropsATickAlreadyOnItsWay) {
    TTimer t(nullptr);
    t.SetInterval(1);
    int n = 0;
    t.OnTimer = [&](TObject*) {
        ++n;
        t.SetEnabled(false);
    };
    EXPECT_TRUE(uitest::RunUntil([&] { return n >= 1; }));
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_EQ(n, 1);
}

} // namespace
