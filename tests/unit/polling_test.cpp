// The poll timer: when a request is due, what each request mode sends, the download counters
// and how often the stored last reading is re-shown.
#include <gtest/gtest.h>

#include "link/state_text.h"
#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

// The load bank answers each request with these pieces of a reply (characters, ms after the
// request); a reply still arriving holds the next request back for up to 3 s.
TEST(LivePolling, RequestOnEveryAnsweredTickEveryTwelfthSilentLiveTickEveryFifthSilentDownloadTick) {
    using Pieces = std::vector<std::pair<int, int>>;
    const struct { const char* name; std::int16_t mode; Pieces answer; bool paused; std::vector<int> sentOn; } cases[] = {
        {"silent", modeLive, {}, false, {1, 13, 25}}, {"paused", modeLive, {}, true, {}},
        {"answered", modeLive, {{32, 50}}, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25}}, {"download silent", modeDownload, {}, false, {1, 6, 11, 16, 21}},
        {"halves 1.2 s apart", modeLive, {{16, 50}, {16, 1250}}, false, {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25}},
        {"cut short", modeLive, {{20, 50}}, false, {1, 5, 9, 13, 17, 21, 25}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.peer = [&](const std::string&) {
            const std::string m = reading(static_cast<int>(r.loop.now() / 1000));
            for (size_t at = 0, i = 0; i < c.answer.size(); at += static_cast<size_t>(c.answer[i++].first))
                r.socket.deliver(m.substr(at, static_cast<size_t>(c.answer[i].first)), c.answer[i].second);
        };
        r.connect();
        r.form->testPaused = c.paused;
        r.form->requestMode = c.mode;
        while (r.pollTicks.size() < 25) r.nextTick();
        std::vector<int> sentOn; // -1: a wrong request
        for (const auto& s : r.sends) sentOn.push_back(s.text == (c.mode == modeLive ? "?\r" : "Rf\r") ? s.tick : -1);
        EXPECT_EQ(sentOn, c.sentOn);
    }
}

TEST(RequestModes, EachModeSendsItsRequestAndLeavesThePollTimerAsDocumented) {
    const struct { std::int16_t mode; std::vector<std::string> sent; bool enabledAfter; int intervalAfter; std::int16_t modeAfter; } cases[] = {
        {modeLive, {"?\r"}, true, 1000, modeLive},   {modeRecordCount, {"#P\r"}, true, 1000, modeRecordCount},
        {modeClear, {"#C\r"}, false, 1000, modeClear}, {modeStart, {"#G\r"}, false, 1000, modeStart},
        {modeReset, {"#X\r", "#G\r"}, false, 2000, modeStart}, {modeDownload, {"Rf\r"}, true, 500, modeDownload},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Rig r;
        r.connect();
        r.form->requestMode = c.mode;
        r.nextTick();
        if (c.sent.size() > 1) r.nextTick();
        EXPECT_EQ(r.sentTexts(), c.sent);
        EXPECT_EQ(r.poll().enabled(), c.enabledAfter);
        EXPECT_EQ(r.poll().interval(), c.intervalAfter);
        EXPECT_EQ(r.form->requestMode, c.modeAfter);
    }
}

TEST(DownloadCounters, CounterIsHeldAtTheCountOrWrapsPastTheLimitThenTheNextGapIsOneSecond) {
    for (bool wrapped : {false, true}) {
        SCOPED_TRACE(wrapped);
        Rig r;
        r.connect();
        r.advance(3000);
        r.form->requestMode = modeDownload;
        r.form->wrapFlag = r.form->downloadStarting = wrapped;
        r.form->flashRecordCount = wrapped ? 50 : 5;
        r.form->recordCounter = 6;
        std::vector<int> counters;
        for (int k = 0; k < (wrapped ? 12 : 3); ++k) {
            r.nextTick();
            counters.push_back(r.form->recordCounter);
        }
        // wrapped: from count + 2 up to the limit of 60, then from 0 without the wrap
        EXPECT_EQ(counters, (wrapped ? std::vector<int>{52, 53, 54, 55, 56, 57, 58, 59, 60, 0, 0, 0} : std::vector<int>{5, 5, 5}));
        EXPECT_FALSE(r.form->wrapFlag);
        const size_t n = r.pollTicks.size(); // the last two gaps
        EXPECT_EQ(std::make_pair(r.pollTicks[n - 2] - r.pollTicks[n - 3], r.pollTicks[n - 1] - r.pollTicks[n - 2]), std::make_pair(1000LL, 500LL));
    }
}

TEST(StoredReading, PeriodFollowsTheTicksSinceConnect) {
    const std::pair<int, int> periods[] = {{9, 1}, {10, 2}, {50, 2}, {51, 10}, {500, 10}, {501, 20}};
    for (auto [ticks, period] : periods) EXPECT_EQ(storedReadingPeriodFor(ticks), period) << ticks;
}
