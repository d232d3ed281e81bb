// What arrives from the load bank: record counts, other replies, and data messages, whole,
// split over two reads or in floods.
#include <cstdio>

#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

namespace {

// Connected at 5 s, polling stopped so that nothing but the deliveries happens.
void quietConnect(Rig& r) {
    r.connect();
    r.advance(5000 - r.loop.now());
    r.poll().setEnabled(false);
}

} // namespace

TEST(RecordCount, SixCharacterReplySetsCountWrapAndDownloadModeOtherRepliesNothing) {
    const struct { const char* text; bool asked; std::int32_t count; bool wrap; const char* caption; } cases[] = {
        {"032773", true, 5, true, "Flash = 5 Records"}, {"032768", true, 0, true, "Flash = 0 Records"},
        {"032767", true, 32767, false, "Flash = 32767 Records"},
        {"000012", false, 77, true, "Flash = 77 Records"}, // not asked for
        {"HELLO FROM THE BANK!", true, 77, true, "Flash = 77 Records"}, {"12.5xy", true, 77, true, "unchanged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Rig r;
        quietConnect(r);
        r.form->flashRecordCount = 77;
        r.form->wrapFlag = true;
        r.form->countAsked = c.asked;
        r.form->ctl.lblHCMPointer.caption = "unchanged";
        r.deliverNow(c.text);
        EXPECT_EQ(std::make_tuple(r.form->flashRecordCount, r.form->wrapFlag, r.form->requestMode, r.form->ctl.lblHCMPointer.caption),
                  std::make_tuple(c.count, c.wrap, c.count == 77 ? modeLive : modeDownload, std::string(c.caption)));
        EXPECT_TRUE(r.form->replyReceived && r.form->messageCount == 0);
    }
}

// Data messages, whole or in pieces, are stamped with the seconds since Connect, logged (also
// past the 100,001st entry of the log) and saved; never more of them than were asked for. Each
// request and the end stand for a poll tick; "\x01" sends a piece a byte at a time.
TEST(DataMessage, OnlyWholeAskedForMessagesAreStampedLoggedAndSaved) {
    const auto byte15 = [](std::string t) { // 5A in byte 15, so that the checksum is seen to cover it
        char sum[3];
        std::snprintf(sum, sizeof sum, "%02X", static_cast<unsigned>(std::stoul(t.substr(28, 4), nullptr, 16) >> 8 ^ std::stoul(t.substr(30, 2), nullptr, 16) ^ 0x5A));
        return t.replace(28, 4, std::string("5A") + sum);
    };
    const std::string m = byte15(reading(42)), other = byte15(reading(43, 2400)), ask = "<?>", askCount = "<#P>", wait = "<3 s>";
    std::string bad = m, flood(8u << 20, 'Z');
    bad[31] = bad[31] == '0' ? '1' : '0';
    for (size_t i = 0; i < flood.size(); i += 7) flood[i] = static_cast<char>(i * 131 + 7);
    const struct { const char* name; std::vector<std::string> reads, logged; std::int32_t count; } cases[] = {
        {"whole", {ask, m}, {m}, 77},
        {"blanks trimmed, a CR kept", {ask, " " + m + "\r"}, {m + "\r"}, 77},
        {"33rd A kept, whole and gathered; a line feed or comma dropped", {ask, m + "A", ask, m.substr(0, 20), m.substr(20) + "A", ask, m + "\n", ask, m + ","}, {m + "A", m + "A", m, m}, 77},
        {"a CR in a later piece kept", {ask, m, "\r", ask, m.substr(0, 20), m.substr(20), "\r", ask, "\x01" + m + "\r"}, {m + "\r", m + "\r", m + "\r"}, 77},
        {"not 32 hex characters", {ask, " " + m.substr(1)}, {}, 77},
        {"a line break inside", {ask, m.substr(0, 9) + "\n" + m.substr(10)}, {}, 77},
        {"split 20 + 12, CR kept", {ask, m.substr(0, 20), m.substr(20) + "\r"}, {m + "\r"}, 77},
        {"a fragment in front or behind costs only the fragment", {ask, m.substr(0, 20), other.substr(0, 12), other.substr(12), ask, "000012" + m, ask, other, "000012", ask, m + "000012"}, {other, m, other, m}, 77},
        {"a bad checksum gathered waits for the tick: a reply glued to it is taken", {ask, other, ask, bad.substr(0, 16), bad.substr(16), m}, {other, m}, 77},
        {"a bad checksum whole, in two pieces or a byte at a time", {ask, bad, ask, bad.substr(0, 16), bad.substr(16), ask, "\x01" + bad}, {bad, bad, bad}, 77},
        {"after a dropped fragment a bad checksum waits for a good one", {ask, m.substr(0, 20), wait, ask, bad, ask, m, ask, bad}, {m, bad}, 77},
        {"a bad candidate swallows nothing; no more replies than requests", {ask, bad + m + other}, {m}, 77},
        {"a flood, then a reply", {ask, flood, ask, "xy\n" + m}, {m}, 77},
        {"count split 3 + 3", {askCount, "000", "012"}, {}, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        quietConnect(r);
        r.form->dropPartialReply();
        r.form->flashRecordCount = 77;
        r.form->messageCount = 100001;
        const std::int32_t graph = r.form->gTimeCount;
        for (const auto& piece : c.reads) {
            if (piece == ask || piece == askCount) r.form->settleReply(), r.form->sendRequest(piece == ask ? "?\r" : "#P\r");
            else if (piece == wait) r.advance(3500), r.form->settleReply();
            else if (piece[0] == '\x01') for (char ch : piece.substr(1)) r.deliverNow(std::string(1, ch));
            else r.deliverNow(piece);
        }
        r.form->settleReply();
        const auto n = static_cast<std::int32_t>(c.logged.size());
        ASSERT_EQ(r.form->messageCount, 100001 + n);
        const std::string stamp = (r.loop.now() < 8000 ? "000005" : "000008") + std::string("\r");
        std::string saved, errors;
        for (size_t i = 0, bads = 0; i < c.logged.size(); ++i) {
            EXPECT_EQ(r.form->messageLog[100001 + i], c.logged[i] + stamp);
            saved += c.logged[i] + stamp + "\r\n";
            if (c.logged[i] == bad) errors = "Checksum errors: " + std::to_string(++bads) + " (last: reading " + std::to_string(i + 1) + ")";
        }
        EXPECT_EQ(r.readFile("DC_Result_2.txt"), saved);
        EXPECT_EQ(r.readFile("DC_CSV_2.csv").substr(0, 7), n ? stamp.substr(0, 6) + "," : "");
        EXPECT_EQ(r.form->gTimeCount, graph + n); // each paces the poll timer
        EXPECT_EQ(r.form->flashRecordCount, c.count);
        EXPECT_LT(r.form->replyBuffer.size(), 32u);
        EXPECT_EQ(r.form->ctl.StatusBarChecksum, errors);
    }
}
