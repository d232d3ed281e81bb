// The low-current question (pause / finish), its re-arm timer, and the pacing of the poll timer
// against real time, on the virtual clock. (Pause stops requests: Polling; Connect resets it.)
#include <gtest/gtest.h>

#include "support/virtual_platform.h"

using namespace dcload;
using namespace dcload::test;

TEST(LowCurrent, OnlyBelowFiveAmpsAndEachWayOfClosingTheQuestion) {
    const struct { int amps10; std::function<void(Form1&)> close; const char* label; bool paused; long long openMs; } cases[] = {
        {50, nullptr, "", false, 0}, {0xFFFF, nullptr, "", false, 0},
        {49, [](Form1& f) { f.dialogOkClick(); }, "TEST RESUMED", true, 0},
        {10, [](Form1& f) { f.dialogCancelClick(); }, "TEST RECORDING FINISHED", false, 0},
        {10, [](Form1& f) { f.dialogClosedByUser(); }, "TEST RECORDING FINISHED", false, 0},
        {0, nullptr, "TEST RESUMED", true, 5 * 60000}, // nobody answers
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.amps10);
        VirtualLogger v;
        if (c.close) v.dialogs.onPauseDialog = [&] { c.close(*v.form); };
        v.form->processMessage(makeDataMessage(1200, c.amps10, 600, 10, 250) + "000001\r", 1, 0, 1, 1);
        const bool asks = c.amps10 < 50;
        // open for, shown, asked, re-arm timer (done after 5 min), dialog timer, caption, paused, why
        EXPECT_EQ(std::make_tuple(v.loop.now(), v.dialogs.pauseShown, v.form->pauseAsked, v.timer(TimerId::TimerDisconnect).enabled(),
                                  v.timer(TimerId::PauseTimer1).enabled(), v.form->ctl.lblPauseMessage.caption, v.form->testPaused,
                                  v.form->pauseDialog.reason),
                  std::make_tuple(c.openMs, asks ? 1 : 0, asks, asks && !c.openMs, false, std::string(c.label), c.paused,
                                  asks ? "current " + std::to_string(c.amps10 / 10) + "." + std::to_string(c.amps10 % 10) + " A below 5 A at 00:10:00, 12.00 V" : ""));
    }
}

// Finish asks again five minutes after the first low reading; readings go on meanwhile, each
// logged once, also the one that arrives while the question is open.
TEST(LowCurrent, FinishAsksAgainFiveMinutesLaterAndNoReadingIsLostOrDoubled) {
    VirtualLogger b;
    int amps10 = 410, seconds = 0; // a load bank that answers every "?" after 20 ms
    b.socket.onSend = [&](const std::string& t) {
        if (t == "?\r") b.socket.deliver(makeDataMessage(1200, amps10, ++seconds, 10, 250), 20);
    };
    std::vector<long long> opened;
    b.dialogs.onPauseDialog = [&] {
        opened.push_back(b.loop.now());
        b.advance(30000); // the operator takes half a minute
        b.form->dialogCancelClick();
    };
    b.connect();
    b.advance(5000);
    amps10 = 20;
    b.advance(9 * 60000);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NEAR(opened[1] - opened[0], 301000, 1000);
    EXPECT_EQ(b.form->ctl.lblPauseMessage.caption, "TEST RECORDING FINISHED");
    EXPECT_GE(b.form->gTimeCount, 9 * 60 - 5);
    const std::string saved = b.readFile("DC_Result_2.txt");
    const int lines = static_cast<int>(std::count(saved.begin(), saved.end(), '\n'));
    EXPECT_GE(lines, seconds - 1); // at most the last reply still on its way
    EXPECT_LE(lines, seconds);
}

TEST(GraphTime, PollIntervalFollowsTheReadingRate) {
    const struct { int readings, seconds; const char* caption; Rgb back; int interval; } cases[] = {
        {60, 60, "Graph:60 Real:60 Err:1.00", kOnTime, 1000},  {101, 100, "Graph:101 Real:100 Err:1.01", kOnTime, 1000},
        {102, 100, "Graph:102 Real:100 Err:1.02", kLightCyan, 1050}, {99, 100, "Graph:99 Real:100 Err:0.99", kOnTime, 1000},
        {90, 100, "Graph:90 Real:100 Err:0.90", kWhite, 950},  {89, 100, "Graph:89 Real:100 Err:0.89", kGreen, 800},
    };
    for (const auto& c : cases) {
        VirtualLogger v;
        v.advance(7300);
        v.form->connectTime = v.form->elapsedSeconds(); // 7
        v.advance(c.seconds * 1000LL);
        v.form->gTimeCount = c.readings - 1;
        v.timer(TimerId::TimerRequest).setInterval(500);
        v.form->adjustTimer();
        EXPECT_EQ(v.form->ctl.lblTime.caption, c.caption);
        EXPECT_TRUE(v.form->ctl.lblTime.back == c.back && v.timer(TimerId::TimerRequest).interval() == c.interval) << c.caption;
    }
}
