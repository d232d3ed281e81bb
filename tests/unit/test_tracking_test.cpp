// The low-current question (pause / finish), its re-arm timer, and the pacing of the poll timer
// against real time, on the virtual clock.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/virtual_platform.h"

using namespace dcload;
using namespace dcload::test;

namespace {

std::string stored(int amps10, int volts100 = 1200) {
    return makeDataMessage(volts100, amps10, 600, 10, 250) + "000001\r";
}

int countOf(const std::vector<std::string>& sent, const std::string& what) {
    int n = 0;
    for (const auto& s : sent) n += s == what;
    return n;
}

int countLines(const std::string& text, const std::string& line) {
    int n = 0;
    for (size_t p = text.find(line); p != std::string::npos; p = text.find(line, p + 1)) ++n;
    return n;
}

// A load bank that answers every "?" after 20 ms with the current set in amps10.
struct AnsweringBank {
    VirtualLogger v;
    int amps10 = 410;
    int seconds = 0;
    AnsweringBank() {
        v.socket.onSend = [this](const std::string& t) {
            if (t == "?\r") v.socket.deliver(makeDataMessage(1200, amps10, ++seconds, 10, 250), 20);
        };
    }
    Form1& f() { return *v.form; }
};

} // namespace

TEST(LowCurrent, OnlyCurrentsBelowFiveAmpsAsk) {
    const std::pair<int, bool> cases[] = {{50, false}, {51, false}, {0xFFFF, false}, {49, true}, {0, true}};
    for (auto [amps10, asks] : cases) {
        VirtualLogger v;
        v.dialogs.onPauseDialog = [&] { v.form->dialogCancelClick(); };
        v.form->processMessage(stored(amps10), 1, 0, 1, 1);
        EXPECT_EQ(v.dialogs.pauseShown, asks ? 1 : 0) << amps10;
        EXPECT_EQ(v.timer(TimerId::TimerDisconnect).enabled(), asks) << amps10;
        EXPECT_EQ(v.form->pauseAsked, asks) << amps10;
    }
}

TEST(LowCurrent, EachWayOfClosingTheQuestion) {
    struct Case {
        const char* name;
        std::function<void(Form1&)> close; // empty: nobody answers
        const char* label;
        bool paused;
        long long openMs;
    };
    const Case cases[] = {
        {"pause button", [](Form1& f) { f.dialogOkClick(); }, "TEST RESUMED", true, 0},
        {"finish button", [](Form1& f) { f.dialogCancelClick(); }, "TEST RECORDING FINISHED", false, 0},
        {"closed otherwise", [](Form1& f) { f.dialogClosedByUser(); }, "TEST RECORDING FINISHED", false, 0},
        {"no answer", nullptr, "TEST RESUMED", true, 5 * 60000},
    };
    for (const Case& c : cases) {
        VirtualLogger v;
        if (c.close) v.dialogs.onPauseDialog = [&] { c.close(*v.form); };
        const long long start = v.loop.now();
        v.form->processMessage(stored(10), 1, 0, 1, 1);
        EXPECT_EQ(v.loop.now() - start, c.openMs) << c.name;
        EXPECT_EQ(v.form->ctl.lblPauseMessage.caption, c.label) << c.name;
        EXPECT_EQ(v.form->testPaused, c.paused) << c.name;
        EXPECT_TRUE(v.form->pauseAsked) << c.name;
        EXPECT_FALSE(v.timer(TimerId::PauseTimer1).enabled()) << c.name;
        EXPECT_EQ(v.dialogs.pauseShown, 1) << c.name;
    }
}

TEST(LowCurrent, PauseStopsRequestsUntilTheNextConnect) {
    AnsweringBank b;
    b.v.dialogs.onPauseDialog = [&] { b.f().dialogOkClick(); };
    b.v.connect();
    b.v.advance(10000);
    ASSERT_EQ(b.v.dialogs.pauseShown, 0);
    b.amps10 = 30;
    b.v.advance(3000);
    ASSERT_EQ(b.v.dialogs.pauseShown, 1);
    EXPECT_EQ(b.f().ctl.lblPauseMessage.caption, "TEST RESUMED");
    EXPECT_TRUE(b.f().testPaused);

    const int asked = countOf(b.v.socket.sent, "?\r");
    b.v.advance(15 * 60000);
    EXPECT_EQ(countOf(b.v.socket.sent, "?\r"), asked);
    EXPECT_EQ(b.v.dialogs.pauseShown, 1);

    b.f().cmdConnectClick();
    EXPECT_EQ(b.f().ctl.lblPauseMessage.caption, "");
    EXPECT_FALSE(b.f().testPaused);
    EXPECT_FALSE(b.f().pauseAsked);
    EXPECT_EQ(b.f().rearmTicks, 0);
    b.v.dialogs.onPauseDialog = [&] { b.f().dialogCancelClick(); };
    b.v.advance(3000);
    EXPECT_GT(countOf(b.v.socket.sent, "?\r"), asked);
    EXPECT_EQ(b.v.dialogs.pauseShown, 2); // still low: asked again after Connect
}

TEST(LowCurrent, FinishAsksAgainFiveMinutesAfterTheFirstLowReading) {
    AnsweringBank b;
    std::vector<long long> opened;
    b.v.dialogs.onPauseDialog = [&] {
        opened.push_back(b.v.loop.now());
        b.v.advance(30000); // the operator takes half a minute; readings go on meanwhile
        b.f().dialogCancelClick();
    };
    b.v.connect();
    b.v.advance(5000);
    b.amps10 = 20;
    b.v.advance(9 * 60000);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_GE(opened[1] - opened[0], 300000);
    EXPECT_LE(opened[1] - opened[0], 302000);
    EXPECT_EQ(b.f().ctl.lblPauseMessage.caption, "TEST RECORDING FINISHED");
    // Readings went on through both questions: about one a second, none lost to the dialog.
    EXPECT_GE(b.f().gTimeCount, 9 * 60 - 5);
}

TEST(LowCurrent, ReadingWhileTheQuestionIsOpenIsShownAndLoggedOnce) {
    VirtualLogger v;
    const std::string a = makeDataMessage(1111, 30, 100, 1, 200);
    const std::string b = makeDataMessage(2222, 20, 101, 1, 200);
    std::string shownMeanwhile;
    v.dialogs.onPauseDialog = [&] {
        if (v.dialogs.pauseShown > 1) return; // a second question: left to time out
        v.socket.deliver(b, 100);
        v.advance(500);
        shownMeanwhile = v.form->ctl.lblU[0].caption;
        v.form->dialogCancelClick();
    };
    v.connect();
    v.socket.deliver(a, 2000);
    v.advance(3000);
    EXPECT_EQ(shownMeanwhile, "22.22");
    EXPECT_EQ(v.dialogs.pauseShown, 1);

    const std::string n = v.readFile("DCCount.txt").substr(0, 1);
    const std::string results = v.readFile("DC_Result_" + n + ".txt");
    EXPECT_EQ(countLines(results, a), 1);
    EXPECT_EQ(countLines(results, b), 1);
    EXPECT_LT(results.find(a), results.find(b)); // the first reading was saved before the question
    const std::string csv = v.readFile("DC_CSV_" + n + ".csv");
    EXPECT_EQ(csv, "000002,11.11,3.0,0001.0,00:01:40\r\n000002,22.22,2.0,0001.0,00:01:41\r\n");
}

TEST(GraphTime, PollIntervalFollowsTheReadingRate) {
    struct Case {
        int readings, seconds;
        const char* caption;
        Rgb back;
        int interval;
    };
    const Case cases[] = {
        {60, 60, "Graph:60 Real:60 Err:1.00", kOnTime, 1000},
        {50, 60, "Graph:50 Real:60 Err:0.83", kGreen, 800},
        {58, 60, "Graph:58 Real:60 Err:0.97", kWhite, 950},
        {62, 60, "Graph:62 Real:60 Err:1.03", kLightCyan, 1050},
        {120, 118, "Graph:120 Real:118 Err:1.02", kLightCyan, 1050},
        {99, 100, "Graph:99 Real:100 Err:0.99", kOnTime, 1000},
        {101, 100, "Graph:101 Real:100 Err:1.01", kOnTime, 1000},
        {89, 100, "Graph:89 Real:100 Err:0.89", kGreen, 800},
        {90, 100, "Graph:90 Real:100 Err:0.90", kWhite, 950},
        {102, 100, "Graph:102 Real:100 Err:1.02", kLightCyan, 1050},
    };
    for (const Case& c : cases) {
        VirtualLogger v;
        v.advance(7300);
        v.form->connectTime = v.form->elapsedSeconds(); // 7
        v.advance(c.seconds * 1000LL);
        v.form->gTimeCount = c.readings - 1;
        v.timer(TimerId::TimerRequest).setInterval(500);
        v.form->adjustTimer();
        EXPECT_EQ(v.form->gTimeCount, c.readings);
        EXPECT_EQ(v.form->ctl.lblTime.caption, c.caption);
        EXPECT_EQ(v.form->ctl.lblTime.back, c.back) << c.caption;
        EXPECT_EQ(v.timer(TimerId::TimerRequest).interval(), c.interval) << c.caption;
    }
}

TEST(GraphTime, ReadingInTheFirstSecondIsLoggedButChangesNoPacing) {
    VirtualLogger v;
    v.connect();
    v.timer(TimerId::TimerRequest).setInterval(1234);
    const std::string msg = makeDataMessage(1200, 410, 1, 1, 250);
    v.socket.deliver(msg, 300);
    v.advance(400);
    EXPECT_EQ(v.form->gTimeCount, 1);
    EXPECT_EQ(v.form->ctl.lblTime.caption, "");
    EXPECT_EQ(v.form->ctl.lblTime.back, kYellow);
    EXPECT_EQ(v.timer(TimerId::TimerRequest).interval(), 1234);
    EXPECT_EQ(v.form->ctl.lblU[0].caption, "12.00");
    EXPECT_EQ(v.readFile("DC_Result_2.txt"), msg + "000000\r\r\n");
    // The next reading, a second later, is compared: 2 readings in 1 s.
    v.socket.deliver(msg, 1000);
    v.advance(1000);
    EXPECT_EQ(v.form->ctl.lblTime.caption, "Graph:2 Real:1 Err:2.00");
    EXPECT_EQ(v.timer(TimerId::TimerRequest).interval(), 1050);
}
