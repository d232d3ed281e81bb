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

TEST(TimerAdapterRules, StartsDisabledWithoutInterval)
{
    TimerAdapter t;
    EXPECT_FALSE(t.enabled());
    EXPECT_EQ(t.interval(), 0);
    EXPECT_FALSE(t.counting());
}

TEST(TimerAdapterRules, IntervalZeroNeverTicksEvenWhenEnabled)
{
    TimerAdapter t;
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    t.setEnabled(true);
    spin(80);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(t.enabled());
    // A later interval starts it, because it is still enabled.
    t.setInterval(10);
    EXPECT_TRUE(waitUntil([&] { return ticks >= 2; }));
    t.setInterval(0);
    const int before = ticks;
    spin(60);
    EXPECT_EQ(ticks, before);
}

TEST(TimerAdapterRules, IntervalSetWhileDisabledDoesNotStart)
{
    TimerAdapter t;
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    t.setInterval(10);
    spin(60);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(t.counting());
}

struct CountdownCase {
    const char* name;
    bool reInterval;   // true: setInterval(same) while running; false: setEnabled(true) again
    bool restarts;
};

class TimerAdapterCountdown : public ::testing::TestWithParam<CountdownCase> {};

TEST_P(TimerAdapterCountdown, RunningTimerKeepsOrRestartsItsCountdown)
{
    const CountdownCase c = GetParam();
    TimerAdapter t;
    t.setInterval(400);
    t.setEnabled(true);
    QTest::qSleep(200);   // no events: the countdown only runs down
    if (c.reInterval)
        t.setInterval(400);
    else
        t.setEnabled(true);
    const int remaining = t.remainingMs();
    if (c.restarts)
        EXPECT_GT(remaining, 330) << c.name;
    else
        EXPECT_LT(remaining, 260) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Rules, TimerAdapterCountdown,
                         ::testing::Values(CountdownCase{"enable again", false, false},
                                           CountdownCase{"new interval", true, true}));

TEST(TimerAdapterRules, DisableThenEnableStartsAFullInterval)
{
    TimerAdapter t;
    t.setInterval(400);
    t.setEnabled(true);
    QTest::qSleep(200);
    t.setEnabled(false);
    EXPECT_FALSE(t.counting());
    t.setEnabled(true);
    EXPECT_GT(t.remainingMs(), 330);
}

TEST(TimerAdapterDelivery, TickQueuedBeforeADisableIsDropped)
{
    TimerAdapter t;
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    auto* inner = t.findChild<QTimer*>();
    ASSERT_NE(inner, nullptr);
    // Runs after the adapter queued the tick, before the tick reaches the handler.
    QObject::connect(inner, &QTimer::timeout, &t, [&t] { t.setEnabled(false); });
    t.setInterval(10);
    t.setEnabled(true);
    spin(100);
    EXPECT_EQ(ticks, 0);
}

TEST(TimerAdapterDelivery, TickQueuedBeforeARestartIsDropped)
{
    TimerAdapter t;
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    auto* inner = t.findChild<QTimer*>();
    ASSERT_NE(inner, nullptr);
    QObject::connect(inner, &QTimer::timeout, &t, [&t] { t.setInterval(5000); });
    t.setInterval(10);
    t.setEnabled(true);
    spin(100);
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(t.counting());
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
