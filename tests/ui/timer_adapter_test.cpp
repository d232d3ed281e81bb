// The timer adapter: the interval and enable rules the logger relies on.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "qt_wait.h"
#include "ui/timer_adapter.h"

namespace dcload::ui {
namespace {

TEST(TimerAdapterRules, CountsOnlyEnabledWithAnIntervalAndOnlyEnablingAgainKeepsTheCountdown)
{
    TimerAdapter t;
    t.setInterval(60000);   // while disabled: does not start
    EXPECT_FALSE(t.counting());
    t.setInterval(0);
    t.setEnabled(true);   // enabled without an interval: does not start
    EXPECT_FALSE(t.counting());
    t.setInterval(60000);   // a later interval starts it, because it is still enabled
    QElapsedTimer started, acted;
    started.start();
    EXPECT_TRUE(t.counting());
    EXPECT_LE(t.remainingMs(), 60000);
    const std::pair<void (*)(TimerAdapter&), bool> cases[] = {   // a change, and whether it restarts
        {[](TimerAdapter& t) { t.setEnabled(true); }, false},
        {[](TimerAdapter& t) { t.setInterval(60000); }, true},
        {[](TimerAdapter& t) { t.setEnabled(false), t.setEnabled(true); }, true}};
    for (auto [act, restarts] : cases) {
        test::waitUntil([&] { return started.elapsed() >= 50; });
        acted.start();
        act(t);
        // Measured, so a busy machine that stalls anywhere here changes nothing.
        if (!restarts) {
            EXPECT_LE(t.remainingMs(), 60000 - started.elapsed() + 5);
            continue;
        }
        EXPECT_GE(t.remainingMs(), 60000 - acted.elapsed() - 5);
        started = acted;
    }
}

} // namespace
} // namespace dcload::ui
