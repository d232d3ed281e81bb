// The poll timer: when a request is due, what each request mode sends, the download counters
// and how often the stored last reading is re-shown.
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

TEST(LivePolling, RequestOnEveryAnsweredTickEveryTwelfthSilentTickAndNoneWhilePaused) {
    struct Case {
        const char* name;
        bool answered, paused;
        std::vector<int> sentOn; // ticks that send "?"
    };
    std::vector<int> every(25);
    for (int i = 0; i < 25; ++i) every[i] = i + 1;
    const Case cases[] = {{"silent", false, false, {1, 13, 25}}, {"paused", false, true, {}}, {"answered", true, false, every}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        if (c.answered)
            r.peer = [&](const std::string&) { r.socket.deliver(reading(static_cast<int>(r.loop.now() / 1000)), 100); };
        r.connect();
        r.form->testPaused = c.paused;
        // silentTicks after tick k when nothing answers: a request is due on ticks 1, 13 and 25.
        const std::pair<int, int> silentAfter[] = {{1, 0}, {2, 1}, {12, 11}, {13, 0}, {14, 1}, {24, 11}, {25, 0}};
        for (auto [tick, silent] : silentAfter) {
            while (static_cast<int>(r.pollTicks.size()) < tick) r.nextTick();
            if (!c.answered) EXPECT_EQ(r.form->silentTicks, silent) << "tick " << tick;
        }
        std::vector<int> sentOn;
        for (const auto& s : r.sends) {
            EXPECT_EQ(s.text, "?\r");
            sentOn.push_back(s.tick);
        }
        EXPECT_EQ(sentOn, c.sentOn);
    }
}

TEST(DownloadPolling, RfOnEveryAnsweredTickAndEveryFifthSilentTick) {
    for (bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answered" : "silent");
        Rig r;
        r.peer = [&](const std::string& t) {
            if (t == "#P\r") r.socket.deliver("000000", 50);
            if (t == "Rf\r" && answered) r.socket.deliver(reading(7), 50);
        };
        r.connect();
        r.advance(3000);
        r.form->cmdGetClick();
        r.loop.runUntil([&] { return r.form->requestMode == modeDownload; }, 10000);
        ASSERT_EQ(r.form->requestMode, modeDownload);
        const int first = static_cast<int>(r.pollTicks.size()) + 1;
        const size_t from = r.sends.size();
        while (static_cast<int>(r.pollTicks.size()) < first + 15) r.nextTick();
        std::vector<int> sentOn;
        for (size_t i = from; i < r.sends.size(); ++i) {
            EXPECT_EQ(r.sends[i].text, "Rf\r");
            sentOn.push_back(r.sends[i].tick - first);
        }
        std::vector<int> expected;
        for (int k = 0; k <= 15; k += answered ? 1 : 5) expected.push_back(k);
        EXPECT_EQ(sentOn, expected);
        EXPECT_EQ(r.form->requestMode, modeDownload); // the download never ends by itself
    }
}

TEST(RequestModes, EachModeSendsItsRequestAndLeavesThePollTimerAsDocumented) {
    struct Case {
        std::int16_t mode;
        const char* sent;
        bool enabledAfter;
        int intervalAfter;
        std::int16_t modeAfter;
    };
    const Case cases[] = {
        {modeLive, "?\r", true, 1000, modeLive},         {modeRecordCount, "#P\r", true, 1000, modeRecordCount},
        {modeClear, "#C\r", false, 1000, modeClear},     {modeStart, "#G\r", false, 1000, modeStart},
        {modeReset, "#X\r", true, 2000, modeStart},      {modeDownload, "Rf\r", true, 500, modeDownload},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Rig r;
        r.connect();
        r.form->requestMode = c.mode;
        r.nextTick();
        EXPECT_EQ(r.sentTexts(), std::vector<std::string>{c.sent});
        EXPECT_EQ(r.poll().enabled(), c.enabledAfter);
        EXPECT_EQ(r.poll().interval(), c.intervalAfter);
        EXPECT_EQ(r.form->requestMode, c.modeAfter);
        EXPECT_FALSE(r.form->replyReceived);
    }
}

TEST(RequestModes, ResetSendsXThenGOnTheNextTickThenPollingStops) {
    for (bool replyBetween : {false, true}) {
        SCOPED_TRACE(replyBetween);
        Rig r;
        r.connect();
        r.form->requestMode = modeReset;
        r.nextTick();
        const long long xAt = r.loop.now();
        if (replyBetween) r.socket.deliver("NOT A REPLY OF OURS", 300);
        r.advance(20000);
        ASSERT_EQ(r.sentTexts(), (std::vector<std::string>{"#X\r", "#G\r"}));
        EXPECT_EQ(r.sends[1].at - xAt, 2000);
        EXPECT_FALSE(r.poll().enabled());
        EXPECT_EQ(r.form->requestMode, modeStart);
    }
}

TEST(DownloadCounters, CounterPastTheCountIsHeldAndTheNextGapIsOneSecond) {
    Rig r;
    r.connect();
    r.advance(3000);
    r.form->requestMode = modeDownload;
    r.form->wrapFlag = false;
    r.form->flashRecordCount = 5;
    r.form->recordCounter = 4;
    r.deliverNow(reading(1));
    r.deliverNow(reading(2));
    EXPECT_EQ(r.form->recordCounter, 6);
    r.nextTick();
    EXPECT_EQ(r.form->recordCounter, 5);
    EXPECT_EQ(r.form->requestMode, modeDownload);
    for (int i = 0; i < 3; ++i) r.nextTick();
    const size_t n = r.pollTicks.size();
    EXPECT_EQ(r.pollTicks[n - 3] - r.pollTicks[n - 4], 1000);
    EXPECT_EQ(r.pollTicks[n - 2] - r.pollTicks[n - 3], 500);
    EXPECT_EQ(r.pollTicks[n - 1] - r.pollTicks[n - 2], 500);
    EXPECT_EQ(r.form->recordCounter, 5);
}

TEST(DownloadCounters, WrappedCountRunsFromCountPlusTwoPastTheLimitThenRestarts) {
    Rig r;
    r.peer = [&](const std::string& t) {
        if (t == "#P\r") r.socket.deliver("032818", 50); // bit 15 set, 50 records
    };
    r.connect();
    r.advance(3000);
    r.form->cmdGetClick();
    r.loop.runUntil([&] { return r.form->requestMode == modeDownload; }, 10000);
    ASSERT_TRUE(r.form->wrapFlag);
    ASSERT_EQ(r.form->flashRecordCount, 50);
    for (int k = 1; k <= 9; ++k) {
        r.nextTick();
        EXPECT_EQ(r.form->recordCounter, 51 + k) << "tick " << k;
        EXPECT_TRUE(r.form->wrapFlag);
        EXPECT_FALSE(r.form->downloadStarting);
    }
    r.nextTick();
    EXPECT_EQ(r.form->recordCounter, 0);
    EXPECT_FALSE(r.form->wrapFlag);
    r.nextTick();
    r.nextTick();
    const size_t n = r.pollTicks.size();
    EXPECT_EQ(r.pollTicks[n - 2] - r.pollTicks[n - 3], 1000);
    EXPECT_EQ(r.pollTicks[n - 1] - r.pollTicks[n - 2], 500);
    EXPECT_EQ(r.form->recordCounter, 0);
}

TEST(StoredReading, PeriodFollowsTheTicksSinceConnectAndTriggersTheReload) {
    struct Case {
        int ticks, period;
    };
    const Case cases[] = {{9, 1}, {10, 2}, {50, 2}, {51, 10}, {500, 10}, {501, 20}};
    for (const Case& c : cases) {
        for (int since : {c.period - 1, c.period}) {
            SCOPED_TRACE(testing::Message() << "tickCount " << c.ticks << " ticksSinceStored " << since);
            VirtualLogger vl;
            const std::string rec = reading(60);
            vl.writeFile("DC_Result_1.txt", rec + "\r\r\n" + rec + "\r\r\n" + rec + "\r\r\n");
            vl.form->tickCount = c.ticks;
            vl.form->ticksSinceStored = since;
            vl.form->gTimeCount = 999;
            vl.form->timerRequestTick(); // not connected: the reload runs in every state
            const bool reloaded = since >= c.period;
            EXPECT_EQ(vl.form->storedReadingPeriod, c.period);
            EXPECT_EQ(vl.form->gTimeCount, reloaded ? 3 : 999);
            EXPECT_EQ(vl.form->ticksSinceStored, reloaded ? 1 : since + 1);
            EXPECT_EQ(vl.form->tickCount, c.ticks + 1);
            EXPECT_EQ(vl.form->ctl.StatusBar1, "Socket Closed");
            EXPECT_TRUE(vl.socket.sent.empty());
        }
    }
}
