// Opening and closing the link: Connect, Disconnect, the socket events and the state texts.
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

namespace {

// A socket that stays in whatever state it is put in, also across close().
struct StuckSocket : Socket {
    int s = 0;
    int closes = 0;
    std::vector<std::string> sent;
    int state() const override { return s; }
    void connect(const std::string&, int) override {}
    void close() override { ++closes; }
    void send(const std::string& t) override { sent.push_back(t); }
    std::string readAll() override { return {}; }
    std::string remoteHostIP() const override { return "127.0.0.1"; }
};

struct StuckRig {
    EventLoop loop;
    std::unique_ptr<FakeTimer> timers[static_cast<int>(TimerId::Count)];
    StuckSocket socket;
    ScriptedDialogs dialogs{loop};
    std::filesystem::path folder = makeTempFolder("stuck") / "Results";
    std::unique_ptr<Form1> form;
    StuckRig() {
        Platform p{socket, loop.clock, dialogs, {}};
        for (int i = 0; i < static_cast<int>(TimerId::Count); ++i) {
            timers[i] = std::make_unique<FakeTimer>(loop, static_cast<TimerId>(i));
            p.timers[i] = timers[i].get();
        }
        form = std::make_unique<Form1>(p, folder.string());
        dialogs.form = form.get();
        form->formLoad();
    }
    ~StuckRig() {
        std::error_code ec;
        std::filesystem::remove_all(folder.parent_path(), ec);
    }
};

bool waitingShown(const Form1& f) {
    const auto& c = f.ctl;
    return c.lblU[0].back == kDarkGrey && c.lblT.back == kDarkGrey && c.lblA[0].back == kDarkGrey &&
           c.lblA[3].back == kDarkGrey && c.lblAh.back == kDarkGrey && c.FrameData.visible;
}

} // namespace

TEST(StateTexts, PollTickAndDisconnectShowTheirOwnTextForEveryState) {
    struct Case {
        int state;
        const char* tick;       // nullptr: the panel keeps its text
        const char* disconnect;
        int waiting;            // 1 shown, 0 hidden, -1 left as it was
    };
    const Case cases[] = {
        {0, "Socket Closed", "Socket Closed", -1},
        {1, "Socket Open", "Socket Open", -1},
        {2, "Socket Listening", "Socket Listening", -1},
        {3, "Connection Pending", "Connection Pending", -1},
        {4, "Resolving Host", "Resolving Host", -1},
        {5, "Host Resolved", "Host Resolved", -1},
        {6, "Socket Connecting..Showing stored last reading", "Socket Connecting....", 1},
        {7, "Socket Connected", "Socket Connected", 0},
        {8, "Socket Closing", "Socket Closing", -1},
        {9, nullptr, "Socket Error", 1},
        {10, "", "", -1},
        {-1, "", "", -1},
    };
    for (const Case& c : cases) {
        for (bool shownBefore : {false, true}) {
            SCOPED_TRACE(testing::Message() << "state " << c.state << " shown before " << shownBefore);
            StuckRig r;
            r.socket.s = c.state;
            r.form->Connecting(shownBefore);
            r.form->ctl.StatusBar1 = "Error earlier text";
            r.form->replyReceived = true;
            r.form->timerRequestTick();
            EXPECT_EQ(r.form->ctl.StatusBar1, c.tick ? c.tick : "Error earlier text");
            const bool expectShown = c.waiting < 0 ? shownBefore : c.waiting == 1;
            EXPECT_EQ(r.form->ctl.FrameData.visible, expectShown);
            EXPECT_EQ(r.form->ctl.lblU[0].back, expectShown ? kDarkGrey : kWhite);
            EXPECT_EQ(r.form->ctl.lblAh.back, expectShown ? kDarkGrey : kWhite);
            EXPECT_EQ(r.socket.sent.size(), c.state == 7 ? 1u : 0u);

            r.form->disconnect();
            EXPECT_EQ(r.form->ctl.StatusBar1, c.disconnect);
            EXPECT_FALSE(r.form->ctl.FrameData.visible);
            EXPECT_GE(r.socket.closes, 1);
        }
    }
}

TEST(SocketErrors, ErrorTextStaysWhileTheSocketIsInError) {
    struct Case {
        bool refuse;
        const char* description;
        const char* shown;
    };
    const Case cases[] = {
        {true, "", "Socket may be in use by another user or busy. Please disconnect and try again later ....."},
        {false, "Host unreachable", "Error Host unreachable"},
        {false, "rejected", "Socket may be in use by another user or busy. Please disconnect and try again later ....."},
        {false, "rejected later", "Error rejected later"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        Rig r;
        if (c.refuse) r.socket.refuse = true;
        else r.socket.silent = true;
        r.connect();
        if (!c.refuse) {
            r.socket.fail(c.description, 100);
            r.advance(100);
        }
        EXPECT_EQ(r.socket.state(), 9);
        EXPECT_EQ(r.form->ctl.StatusBar1, c.shown);
        r.advance(5000);
        EXPECT_EQ(r.pollTicks.size(), 5u);
        EXPECT_EQ(r.form->ctl.StatusBar1, c.shown);
        EXPECT_TRUE(waitingShown(*r.form));
        EXPECT_TRUE(r.sends.empty());
        EXPECT_EQ(r.socket.connects.size(), 1u); // nothing retries
    }
}

TEST(Connect, ResetsTheRunStateAndKeepsTheRest) {
    Rig r;
    r.advance(5700);
    Form1& f = *r.form;
    f.ctl.lblPauseMessage.caption = "TEST RESUMED";
    f.testPaused = f.pauseAsked = f.messageLogLoaded = f.reloadHistory = true;
    f.rearmTicks = 3;
    f.ctl.pBar.value = 7;
    f.gTimeCount = 50;
    f.tickCount = 40;
    f.ticksSinceStored = 5;
    f.replyReceived = false;
    f.requestMode = modeDownload;
    f.Connecting(true);
    for (TimerId t : {TimerId::Timer1, TimerId::Timer2}) {
        r.timer(t).setInterval(3000);
        r.timer(t).setEnabled(true);
    }
    r.poll().setInterval(950);
    // Not reset by Connect.
    f.messageLog[0] = "kept";
    f.messageCount = 4;
    f.silentTicks = 7;
    f.recordCounter = 9;
    f.flashRecordCount = 11;
    f.wrapFlag = f.fileStarted = true;
    f.downloadStarting = false;

    f.ctl.txtIP = "127.0.0.1";
    f.cmdConnectClick();

    EXPECT_EQ(f.ctl.lblPauseMessage.caption, "");
    EXPECT_FALSE(f.testPaused);
    EXPECT_FALSE(f.pauseAsked);
    EXPECT_EQ(f.rearmTicks, 0);
    EXPECT_FALSE(f.messageLogLoaded);
    EXPECT_FALSE(f.reloadHistory);
    EXPECT_EQ(f.ctl.pBar.value, 0);
    EXPECT_EQ(f.connectTime, 5.0f);
    EXPECT_EQ(f.gTimeCount, 0);
    EXPECT_EQ(f.tickCount, 0);
    EXPECT_EQ(f.ticksSinceStored, 0);
    EXPECT_TRUE(f.replyReceived);
    EXPECT_EQ(f.requestMode, modeLive);
    EXPECT_FALSE(f.ctl.FrameData.visible);
    EXPECT_FALSE(r.timer(TimerId::Timer1).enabled());
    EXPECT_FALSE(r.timer(TimerId::Timer2).enabled());
    EXPECT_TRUE(r.poll().enabled());
    EXPECT_EQ(r.poll().interval(), 950);
    EXPECT_EQ(f.chart.chartTitle, "Volts - Time");
    EXPECT_EQ(f.chart.pointCount(), 11);
    EXPECT_EQ(f.graphType, 0);

    EXPECT_EQ(f.messageLog[0], "kept");
    EXPECT_EQ(f.messageCount, 4);
    EXPECT_EQ(f.silentTicks, 7);
    EXPECT_EQ(f.recordCounter, 9);
    EXPECT_EQ(f.flashRecordCount, 11);
    EXPECT_TRUE(f.wrapFlag);
    EXPECT_FALSE(f.downloadStarting);
    EXPECT_TRUE(f.fileStarted);

    ASSERT_EQ(r.socket.connects.size(), 1u);
    EXPECT_EQ(r.socket.connects[0], (std::pair<std::string, int>{"127.0.0.1", 2200}));
    r.advance(1000); // replyReceived true: the first connected tick sends at once
    EXPECT_EQ(r.sentTexts(), std::vector<std::string>{"?\r"});
}

TEST(Connect, SecondConnectDropsTheFirstConnectionAndRestartsTheRun) {
    Rig r;
    r.peer = [&](const std::string& t) {
        if (t == "?\r") r.socket.deliver(reading(5), 100);
    };
    r.connect();
    r.advance(4000);
    const std::int32_t logged = r.form->messageCount;
    ASSERT_GE(logged, 3);
    const std::string first = r.form->messageLog[0];
    r.advance(16300);
    const std::int32_t before = r.form->messageCount;
    r.form->ctl.txtIP = "   127.0.0.10   ";
    r.form->cmdConnectClick();
    // Connecting needs a closed socket: the second connect proves the first was closed.
    ASSERT_EQ(r.socket.connects.size(), 2u);
    EXPECT_EQ(r.socket.connects[1].first, "127.0.0.10");
    EXPECT_EQ(r.socket.connects[1].second, 2200);
    EXPECT_EQ(r.form->connectTime, 20.0f);
    EXPECT_EQ(r.form->chart.pointCount(), 11);
    EXPECT_EQ(r.form->chart.valueText(1, 2), "0");
    EXPECT_EQ(r.form->messageCount, before);
    EXPECT_EQ(r.form->messageLog[0], first);
}

TEST(PeerClose, ShowsServerClosedThenSocketClosedAndNeverReconnects) {
    Rig r;
    r.connect();
    r.advance(1500);
    const size_t sentBefore = r.sends.size();
    r.socket.peerClose(0);
    r.advance(0);
    EXPECT_EQ(r.form->ctl.StatusBar1, "Server closed connection.");
    EXPECT_EQ(r.socket.state(), 0);
    r.nextTick();
    EXPECT_EQ(r.form->ctl.StatusBar1, "Socket Closed");
    r.advance(30000);
    EXPECT_TRUE(r.poll().enabled());
    EXPECT_EQ(r.socket.connects.size(), 1u);
    EXPECT_EQ(r.sends.size(), sentBefore);
    EXPECT_EQ(r.form->ctl.StatusBar1, "Socket Closed");
}

TEST(Disconnect, ClosesStopsPollingAndShowsSocketClosed) {
    Rig r;
    r.connect();
    r.advance(3500);
    r.form->fileStarted = true;
    r.form->requestMode = modeDownload;
    r.form->reloadHistory = true;
    r.form->ctl.pBar.value = 4;
    r.form->Connecting(true);
    r.form->cmdDisconnectClick();
    EXPECT_EQ(r.form->ctl.StatusBar1, "Socket Closed");
    EXPECT_FALSE(r.poll().enabled());
    EXPECT_EQ(r.socket.state(), 0);
    EXPECT_FALSE(r.form->fileStarted);
    EXPECT_FALSE(r.form->reloadHistory);
    EXPECT_EQ(r.form->tickCount, 0);
    EXPECT_EQ(r.form->ticksSinceStored, 0);
    EXPECT_EQ(r.form->ctl.pBar.value, 0);
    EXPECT_FALSE(r.form->ctl.FrameData.visible);
    EXPECT_EQ(r.form->requestMode, modeDownload);
    const size_t sent = r.sends.size();
    r.advance(10000);
    EXPECT_EQ(r.sends.size(), sent);
    r.form->cmdDisconnectClick(); // again, while closed: harmless, same text
    EXPECT_EQ(r.form->ctl.StatusBar1, "Socket Closed");
}

TEST(Disconnect, DuringFlashResetOnlyStopsThePollTimer) {
    Rig r;
    r.connect();
    r.advance(995); // t = 1000 ms, just after a live tick
    const long long t0 = r.loop.now();
    r.form->mnuStopFlashClick();
    r.advance(1500);
    r.form->cmdDisconnectClick();
    EXPECT_FALSE(r.poll().enabled());
    EXPECT_TRUE(r.timer(TimerId::Timer1).enabled());
    r.loop.runUntil([&] { return r.loop.now() >= t0 + 3000 && !r.timer(TimerId::Timer1).enabled(); }, 5000);
    EXPECT_EQ(r.loop.now(), t0 + 3000);
    EXPECT_EQ(r.socket.connects.size(), 3u); // Connect, Reset Flash, Timer1
    EXPECT_TRUE(r.poll().enabled());
    EXPECT_EQ(r.form->requestMode, modeReset);
    r.advance(2001);
    EXPECT_EQ(r.form->requestMode, modeRecordCount);
    EXPECT_TRUE(r.poll().enabled());
    const size_t from = r.sends.size();
    r.advance(4000);
    ASSERT_FALSE(r.sentTexts(from).empty());
    for (const auto& t : r.sentTexts(from)) EXPECT_EQ(t, "#P\r");
}

TEST(Disconnect, BetweenTimer1AndTimer2PollingIsTurnedOnAgainByTimer2) {
    Rig r;
    r.connect();
    r.form->mnuStopFlashClick(); // Timer1 at 3 s, Timer2 at 5 s
    r.advance(3500);
    ASSERT_TRUE(r.timer(TimerId::Timer2).enabled());
    r.form->cmdDisconnectClick();
    EXPECT_FALSE(r.poll().enabled());
    r.advance(1600); // Timer2
    EXPECT_TRUE(r.poll().enabled());
    EXPECT_EQ(r.form->requestMode, modeRecordCount);
    EXPECT_TRUE(r.form->downloadStarting);
    const size_t sent = r.sends.size();
    r.advance(5000); // the link stays closed: ticks only show the state
    EXPECT_EQ(r.sends.size(), sent);
    EXPECT_EQ(r.form->ctl.StatusBar1, "Socket Closed");
}
