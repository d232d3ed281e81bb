// The timer adapter: the interval and enable rules the logger relies on, and ticks that keep
// coming while a tick's handler waits in a modal window.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "qt_wait.h"
#include "ui/timer_adapter.h"

namespace dcload::ui {
namespace {

using test::nestedWaitUntil;
using test::spin;
using test::waitUntil;

TEST(TimerAdapterRules, IntervalZeroOrDisabledNeverTicks)
{
    TimerAdapter t;
    EXPECT_FALSE(t.enabled());
    EXPECT_EQ(t.interval(), 0);
    EXPECT_FALSE(t.counting());
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    t.setInterval(10);   // while disabled: does not start
    spin(60);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(t.counting());
    t.setInterval(0);
    t.setEnabled(true);   // enabled without an interval: no ticks
    spin(80);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(t.enabled());
    t.setInterval(10);   // a later interval starts it, because it is still enabled
    EXPECT_TRUE(waitUntil([&] { return ticks >= 2; }));
    t.setInterval(0);
    const int before = ticks;
    spin(60);
    EXPECT_EQ(ticks, before);
}

TEST(TimerAdapterRules, RunningTimerKeepsOrRestartsItsCountdown)
{
    struct Case {
        const char* name;
        void (*act)(TimerAdapter&);
        bool restarts;
    };
    const Case cases[] = {
        {"enable again", [](TimerAdapter& t) { t.setEnabled(true); }, false},
        {"same interval again", [](TimerAdapter& t) { t.setInterval(400); }, true},
        {"disable then enable", [](TimerAdapter& t) { t.setEnabled(false); EXPECT_FALSE(t.counting()); t.setEnabled(true); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TimerAdapter t;
        t.setInterval(400);
        QElapsedTimer sinceStart, sinceAct;
        t.setEnabled(true);
        sinceStart.start();
        QTest::qSleep(200);   // no events: the countdown only runs down
        sinceAct.start();
        c.act(t);
        // Measured, so a busy machine that stalls anywhere here changes nothing.
        if (c.restarts)
            EXPECT_GE(t.remainingMs(), 400 - sinceAct.elapsed() - 5);
        else
            EXPECT_LE(t.remainingMs(), 400 - sinceStart.elapsed() + 5);
    }
}

TEST(TimerAdapterDelivery, TickQueuedBeforeADisableOrRestartIsDropped)
{
    for (bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "restart" : "disable");
        TimerAdapter t;
        int ticks = 0;
        t.onTick = [&] { ++ticks; };
        auto* inner = t.findChild<QTimer*>();
        ASSERT_NE(inner, nullptr);
        // Runs after the adapter queued the tick, before the tick reaches the handler.
        bool fired = false;
        QObject::connect(inner, &QTimer::timeout, &t, [&t, &fired, restart] {
            restart ? t.setInterval(5000) : t.setEnabled(false);
            fired = true;
        });
        t.setInterval(10);
        t.setEnabled(true);
        ASSERT_TRUE(waitUntil([&] { return fired; }));
        QCoreApplication::processEvents(); // where the queued tick would reach the handler
        EXPECT_EQ(ticks, 0);
        EXPECT_EQ(t.counting(), restart);
    }
}

TEST(TimerAdapterDelivery, TicksContinueInsideAModalWaitOfTheirOwnHandler)
{
    TimerAdapter t;
    int ticks = 0;
    bool nestedTicks = false;
    t.onTick = [&] {
        ++ticks;
        if (ticks == 1)
            nestedTicks = nestedWaitUntil([&] { return ticks >= 3; }, 2000);
    };
    t.setInterval(15);
    t.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return ticks >= 3; }));
    EXPECT_TRUE(nestedTicks);
}

TEST(TimerAdapterDelivery, PaceIsCloseToTheInterval)
{
    // The poll rate is compared against real seconds, so ticks must not drift much.
    TimerAdapter t;
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    QElapsedTimer clock;
    t.setInterval(50);
    clock.start();
    t.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return ticks >= 10; }, 3000));
    EXPECT_GE(clock.elapsed(), 480);
}

} // namespace
} // namespace dcload::ui
