// Unattended tests: the link comes back by itself, the panel tells of silence and gaps, the
// technician is told, and the operator's Disconnect or a rival client stops the tries.
#include <gtest/gtest.h>

#include <regex>

#include "logger_rig.h"
#include "results/run_info.h"

using namespace dcload;
using namespace dcload::test;

TEST(Unattended, PauseScheduleClockTextAndMissedReadings) {
    const double pauses[] = {0, 1, 2, 4, 8, 16, 30, 30};
    for (int n = 0; n < 8; ++n) EXPECT_EQ(reconnectPause(n), pauses[n]) << n;
    EXPECT_EQ(clockText(80) + clockText(360061), "00:01:20100:01:01");
    EXPECT_EQ(std::make_tuple(missedReadings(0.4), missedReadings(1), missedReadings(61.4)), std::make_tuple(0L, 0L, 60L));
}

namespace {
// A load bank that answers every "?" 100 ms later with the next reading (current given).
struct Bank : Rig {
    int n = 0;
    int amps10 = 100;
    Bank() {
        form->link.eventCommand = "notify.sh";
        peer = [this](const std::string& t) { if (t == "?\r") socket.deliver(makeDataMessage(1250, amps10, n++, 10, 250), 100); };
        connect();
        advance(10000);
    }
    std::string banner() const { return form->linkPanel.banner; }
    long long until(const std::function<bool()>& done) { const auto t = loop.now(); return loop.runUntil(done, 200000), loop.now() - t; }
};
} // namespace

// Refused for 40 s: the loss shows within 6 s, tries back off, readings come back on the same run
// and the gap is kept beside it; the long loss and the way back are told.
TEST(Unattended, ALostLinkComesBackOnTheSameRunAndTheGapIsKept) {
    Bank b;
    const float connectTime = b.form->connectTime;
    saveRunInfo(runInfoPath(b.folder.string(), 2), {"2026-01-01T00:00:00", "", {}}); // written by others
    b.socket.refuse = true, b.socket.peerClose();
    EXPECT_LE(b.until([&] { return b.banner().rfind("Link lost at ", 0) == 0; }), 6000);
    EXPECT_TRUE(b.form->linkPanel.stale);
    b.advance(40000 - 6000);
    EXPECT_EQ(b.socket.connects.size(), 7u); // Connect, then at once and after 1, 2, 4, 8, 16 s (on the next whole second)
    EXPECT_TRUE(std::regex_match(b.banner(), std::regex("Link lost at \\d\\d:\\d\\d:\\d\\d, reconnecting \\(try 6\\)")));
    const int before = b.n;
    b.socket.refuse = false, b.until([&] { return b.n > before; }), b.until([&] { return !b.form->linkPanel.stale; });
    EXPECT_EQ(b.banner(), "Link back after a gap of 00:01:09; 68 readings missed");
    EXPECT_TRUE(!b.form->linkPanel.stale && b.form->connectTime == connectTime);
    const std::string result = b.readFile("DC_Result_2.txt"); // the next reading, stamped from Connect
    EXPECT_TRUE(result.find("000009\r\r\n0101010004E200640009000A00FA007A000078\r\r\n") != std::string::npos && !b.fileExists("DC_Result_3.txt")) << result;
    const RunInfo info = loadRunInfo(runInfoPath(b.folder.string(), 2));
    ASSERT_EQ(info.gaps.size(), 1u);
    EXPECT_EQ(std::make_pair(info.gaps[0].missed, info.firstReading), std::make_pair(68L, std::string("2026-01-01T00:00:00")));
    std::vector<std::string> told;
    for (const auto& c : b.desktop.calls) if (c.rfind("run ", 0) == 0) told.push_back(c.substr(0, c.find('|')));
    EXPECT_EQ(told, (std::vector<std::string>{"run notify.sh link-lost", "run notify.sh link-back"}));
    EXPECT_EQ((b.advance(61000), b.banner()), "");
    b.amps10 = 30; // the test ends: told once, before the question
    b.until([&] { return b.dialogs.pauseShown > 0; });
    EXPECT_EQ(b.desktop.calls.back().substr(0, 26), "run notify.sh test-end|The");
}

// Disconnect during the tries stops them; a load bank that drops three reconnections at once
// is left to the other client; with reconnection off nothing redials.
TEST(Unattended, DisconnectARivalClientOrTheSettingStopTheTries) {
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        Bank b;
        b.form->link.reconnect = c != 2, b.socket.refuse = c == 0;
        if (c == 1) b.peer = [&](const std::string&) { b.socket.peerClose(1000); };
        b.socket.peerClose();
        b.advance(c == 0 ? 10000 : 20000);
        if (c == 0) b.form->cmdDisconnectClick();
        EXPECT_EQ(b.desktop.calls.back(), c == 0 ? "awake 0" : "awake 1");
        const size_t tries = b.socket.connects.size();
        EXPECT_EQ(tries, c == 0 ? 5u : c == 1 ? 4u : 1u);
        b.advance(60000);
        EXPECT_EQ(b.socket.connects.size(), tries);
        EXPECT_EQ(b.banner(), c == 0 ? "" : c == 1 ? kTakenOverText : "No answer from the load bank for 00:01:20");
    }
}
