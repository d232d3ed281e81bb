// Opening and closing the link: Connect, Disconnect, the socket events and the state texts.
#include <gtest/gtest.h>

#include "link/state_text.h"
#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

TEST(StateTexts, EachStateHasItsTextAtDisconnectAndOnThePollTick) {
    const char* const texts[] = {"Socket Closed", "Socket Open", "Socket Listening", "Connection Pending",
                                 "Resolving Host", "Host Resolved", "Socket Connecting....", "Socket Connected",
                                 "Socket Closing", "Socket Error", "", ""};
    for (int state = 0; state <= 11; ++state) {
        const int s = state == 11 ? -1 : state;
        EXPECT_EQ(disconnectStateText(s), texts[state]) << s;
        EXPECT_EQ(pollStateText(s), s == 6 ? "Socket Connecting..Showing stored last reading" : s == 9 ? "" : texts[state]) << s;
    }
}

// An error text stays while the socket is in error; a peer that closes is shown once, then the
// tick shows the closed socket. Nothing redials.
TEST(SocketErrors, ErrorsAndPeerCloseAreShownAndNothingRedials) {
    const char* const busy = "Socket may be in use by another user or busy. Please disconnect and try again later .....";
    const struct { std::string event; const char* first; const char* later; } cases[] = { // "": refused
        {"", busy, busy}, {"Host unreachable", "Error Host unreachable", "Error Host unreachable"},
        {"rejected", busy, busy}, {"close", "Server closed connection.", "Socket Closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Rig r;
        r.form->link.reconnect = false;
        r.socket.refuse = c.event.empty();
        r.socket.silent = !c.event.empty() && c.event != "close";
        r.connect();
        if (c.event == "close") r.socket.peerClose(1500);
        else if (!c.event.empty()) r.socket.fail(c.event, 1500);
        r.advance(1500);
        const size_t sent = r.sends.size();
        EXPECT_EQ(r.form->ctl.StatusBar1, c.first);
        r.advance(5000);
        EXPECT_EQ(r.form->ctl.StatusBar1, c.later);
        EXPECT_EQ(r.form->ctl.lblU[0].back == kDarkGrey && r.form->ctl.FrameData.visible, c.event != "close"); // stored reading
        EXPECT_EQ(std::make_pair(r.sends.size(), r.socket.connects.size()), std::make_pair(sent, size_t{1}));
    }
}

TEST(Connect, ClosesTheOldLinkResetsTheRunStateAndKeepsTheRest) {
    Rig r;
    r.connect();
    r.advance(5700);
    Form1& f = *r.form;
    f.ctl.lblPauseMessage.caption = "TEST RESUMED";
    f.testPaused = f.pauseAsked = f.messageLogLoaded = f.reloadHistory = true;
    f.rearmTicks = f.ctl.pBar.value = f.gTimeCount = f.tickCount = f.ticksSinceStored = 5;
    f.requestMode = modeDownload;
    f.ctl.txtIP = "  127.0.0.10 ";
    f.cmdConnectClick();
    EXPECT_EQ(f.ctl.lblPauseMessage.caption, "");
    EXPECT_FALSE(f.testPaused || f.pauseAsked || f.messageLogLoaded || f.reloadHistory);
    EXPECT_EQ(f.rearmTicks + f.ctl.pBar.value + f.gTimeCount + f.tickCount + f.ticksSinceStored, 0);
    EXPECT_TRUE(f.connectTime == 5.0f && f.replyReceived && f.requestMode == modeLive);
    EXPECT_TRUE(r.poll().enabled() && r.socket.closes >= 1);
    EXPECT_EQ(r.socket.connects, (decltype(r.socket.connects){{"127.0.0.1", 2200}, {"127.0.0.10", 2200}}));
}

// Disconnect during a Reset Flash, before Timer1 reconnects (3 s later): Timer2 (2 s after
// Timer1) turns polling on again for the record count.
TEST(Disconnect, ClosesStopsPollingAndLeavesTheFlashResetToItsTimers) {
    Rig r;
    r.connect();
    r.form->mnuStopFlashClick();
    r.advance(1500);
    r.form->reloadHistory = true;
    r.form->cmdDisconnectClick();
    EXPECT_EQ(r.form->ctl.StatusBar1, "Socket Closed");
    EXPECT_FALSE(r.poll().enabled() || r.form->reloadHistory || r.form->ctl.FrameData.visible);
    EXPECT_EQ(r.form->tickCount + r.form->ticksSinceStored + r.form->ctl.pBar.value, 0);
    r.advance(1499);
    EXPECT_EQ(r.socket.connects.size(), 2u);
    r.advance(1);
    EXPECT_EQ(r.socket.connects.size(), 3u); // Connect, Reset Flash, Timer1
    r.advance(1999);
    EXPECT_NE(r.form->requestMode, modeRecordCount);
    r.advance(1);
    EXPECT_TRUE(r.poll().enabled() && r.form->downloadStarting);
    EXPECT_EQ(r.form->requestMode, modeRecordCount);
    const size_t from = r.sends.size();
    r.advance(4001);
    EXPECT_EQ(r.sentTexts(from), (std::vector<std::string>{"#P\r", "#P\r"})); // still every 2 s
}
