// What arrives from the load bank: data messages stamped and logged, record counts, other
// replies, replies split over two reads, and floods.
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

namespace {

// Connected, polling stopped so that nothing but the deliveries happens.
void quietConnect(Rig& r, long long atMs) {
    r.connect();
    r.advance(atMs - r.loop.now());
    r.poll().setEnabled(false);
}

} // namespace

TEST(DataMessage, StampedWithSecondsSinceConnectLoggedAndSaved) {
    struct Case {
        std::string data;
        std::string stored; // empty: not a data message
    };
    const std::string m = reading(300);
    const Case cases[] = {
        {m, m + "000075\r"},
        {m + "\r", m + "\r000075\r"}, {m + " ", m + "000075\r"}, {" " + m, m + "000075\r"}, // CR kept, blanks trimmed
        // Any other 33rd character would change the lines or items of the files: not stored.
        {m + "\n", m + "000075\r"}, {m + std::string(1, '\0'), m + "000075\r"}, {m + ",", m + "000075\r"},
        {m + "\"", m + "000075\r"}, {m + "\xFF", m + "000075\r"}, {m + "7", m + "000075\r"},
        {" " + m.substr(1), ""}, {m.substr(0, 9) + "\n" + m.substr(10), ""}, // not 32 hexadecimal characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        Rig r;
        r.connect();
        r.advance(75500 - r.loop.now());
        const std::int32_t before = r.form->messageCount;
        const std::int32_t counter = r.form->recordCounter;
        r.deliverNow(c.data);
        EXPECT_TRUE(r.form->replyReceived);
        if (c.stored.empty()) {
            EXPECT_EQ(r.form->messageCount, before);
            EXPECT_FALSE(r.fileExists("DC_Result_2.txt"));
            continue;
        }
        EXPECT_EQ(r.form->messageCount, before + 1);
        EXPECT_EQ(r.form->messageLog[static_cast<size_t>(before)], c.stored);
        EXPECT_EQ(r.form->recordCounter, counter + 1);
        EXPECT_EQ(r.readFile("DC_Result_2.txt"), c.stored + "\r\n");
        EXPECT_EQ(r.readFile("DC_CSV_2.csv").rfind("000075,", 0), 0u);
        EXPECT_EQ(r.form->ctl.lblHCMPointer.caption, "Flash = 0 Records");
        EXPECT_TRUE(r.poll().enabled());
    }
}

TEST(DataMessage, StampHasSevenDigitsFromAMillionSecondsOn) {
    Rig r;
    quietConnect(r, 2000);
    r.loop.clock.ms += 1000000LL * 1000; // nothing is due while polling is off
    const std::string m = reading(10);
    r.deliverNow(m);
    EXPECT_EQ(r.form->messageLog[0], m + "1000002\r");
}

TEST(DataMessage, LogGoesOnPastOneHundredThousandAndOneMessages) {
    Rig r;
    quietConnect(r, 3000);
    r.form->messageCount = 100000; // indices 0..99999 used
    r.deliverNow(reading(1, 1100));
    const std::int32_t graph = r.form->gTimeCount;
    r.form->ctl.lblTime.caption = "before";

    r.deliverNow(reading(2, 2200)); // the 100002nd
    EXPECT_EQ(r.form->messageCount, 100002);
    EXPECT_EQ(r.form->messageLog[100000].substr(0, 32), reading(1, 1100));
    EXPECT_EQ(r.form->messageLog[100001].substr(0, 32), reading(2, 2200));
    EXPECT_EQ(linesOf(r.readFile("DC_CSV_2.csv")), 2);
    EXPECT_EQ(r.form->gTimeCount, graph + 1); // adjustTimer still paces the poll timer
    EXPECT_NE(r.form->ctl.lblTime.caption, "before");
}

TEST(RecordCount, SixCharacterReplySetsCountWrapAndDownloadMode) {
    struct Case {
        const char* text;
        bool changes;
        std::int32_t count;
        bool wrap;
        const char* caption;
    };
    const Case cases[] = {
        {"032773", true, 5, true, "Flash = 5 Records"},
        {"+00012", false, 0, false, "Flash = 77 Records"}, // not asked for: a stray reply while live
        {"000012", true, 12, false, "Flash = 12 Records"},
        {"032780", true, 12, true, "Flash = 12 Records"},
        {"032768", true, 0, true, "Flash = 0 Records"},
        {"032767", true, 32767, false, "Flash = 32767 Records"},
        {"ABCDEF", false, 0, false, nullptr},
        {"12.5xy", false, 0, false, nullptr},
        {"      ", false, 0, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Rig r;
        quietConnect(r, 2000);
        r.form->flashRecordCount = 77;
        r.form->wrapFlag = true;
        r.form->ctl.lblHCMPointer.caption = "unchanged";
        r.form->replyReceived = false;
        r.form->countAsked = c.text[0] != '+';
        r.deliverNow(c.text[0] == '+' ? "000012" : c.text);
        EXPECT_TRUE(r.form->replyReceived);
        EXPECT_EQ(r.form->ctl.pBar.value, 1);
        if (c.changes) {
            EXPECT_EQ(r.form->flashRecordCount, c.count);
            EXPECT_EQ(r.form->wrapFlag, c.wrap);
            EXPECT_EQ(r.form->requestMode, modeDownload);
            EXPECT_EQ(r.form->ctl.lblHCMPointer.caption, c.caption);
        } else {
            EXPECT_EQ(r.form->flashRecordCount, 77);
            EXPECT_TRUE(r.form->wrapFlag);
            EXPECT_EQ(r.form->requestMode, modeLive);
            EXPECT_EQ(r.form->ctl.lblHCMPointer.caption, c.caption ? c.caption : "unchanged");
        }
        EXPECT_EQ(r.form->messageCount, 0);
    }
}

TEST(OtherReplies, ChangeOnlyTheAnswerFlagTheIndicatorAndTheCaption) {
    for (const char* text : {"HELLO FROM THE BANK!", "0123456789ABCDEF0123", "x", ""}) {
        SCOPED_TRACE(text);
        Rig r;
        quietConnect(r, 2000);
        Form1& f = *r.form;
        f.replyReceived = false;
        f.requestMode = modeRecordCount;
        f.flashRecordCount = 3;
        f.recordCounter = 8;
        f.ctl.pBar.value = 10;
        const auto graph = f.gTimeCount;
        const auto interval = r.poll().interval();
        r.deliverNow(text);
        EXPECT_TRUE(f.replyReceived);
        EXPECT_EQ(f.ctl.pBar.value, 1); // 10 wraps to 1
        EXPECT_EQ(f.ctl.lblHCMPointer.caption, "Flash = 3 Records");
        EXPECT_EQ(f.requestMode, modeRecordCount);
        EXPECT_EQ(f.recordCounter, 8);
        EXPECT_EQ(f.messageCount, 0);
        EXPECT_EQ(f.gTimeCount, graph);
        EXPECT_EQ(r.poll().interval(), interval);
        EXPECT_FALSE(r.fileExists("DC_Result_2.txt"));
    }
}

TEST(OtherReplies, IndicatorCyclesOneToTen) {
    Rig r;
    quietConnect(r, 2000);
    std::vector<int> seen;
    for (int i = 0; i < 12; ++i) {
        r.deliverNow("?");
        seen.push_back(r.form->ctl.pBar.value);
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2}));
}

TEST(SplitReplies, PiecesMakeAReplyOnlyWhenTheyPassTheStrictTest) {
    const std::string m = reading(42);
    const std::string other = reading(43, 2400);
    std::string bad = m;
    bad[31] = bad[31] == '0' ? '1' : '0';
    const std::string ask = "<?>", askCount = "<#P>"; // a request going out
    struct Case {
        const char* name;
        std::vector<std::string> reads;
        std::vector<std::string> logged; // data parts of the messages logged, in order
        std::int32_t count;              // flashRecordCount afterwards (starts at 77)
    };
    const Case cases[] = {
        {"split 20 + 12", {ask, m.substr(0, 20), m.substr(20)}, {m}, 77},
        {"a CR after the pieces is kept", {ask, m.substr(0, 20), m.substr(20) + "\r"}, {m + "\r"}, 77},
        {"cut reply, then 12 + 20", {ask, m.substr(0, 20), ask, other.substr(0, 12), other.substr(12)}, {other}, 77},
        {"cut reply joined without a request", {ask, m.substr(0, 20), other.substr(0, 12), other.substr(12)}, {}, 77},
        {"two replies in one read", {ask, ask, m + other}, {m, other}, 77},
        {"no more replies than requests", {ask, m + other}, {m}, 77},
        {"a bad checksum is dropped whole", {ask, ask, bad + other}, {other}, 77},
        {"junk before a reply", {ask, "xy\n" + m}, {m}, 77},
        {"pieces with nothing asked", {m.substr(0, 20), m.substr(20)}, {}, 77},
        {"count split 3 + 3", {askCount, "000", "012"}, {}, 12},
        {"count, then more than was asked", {askCount, "000012" + m}, {}, 12},
        {"stray count while live", {ask, "000012", m}, {m}, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        quietConnect(r, 5000);
        r.form->dropPartialReply();
        r.form->flashRecordCount = 77;
        for (const auto& piece : c.reads) {
            if (piece == ask || piece == askCount) r.form->sendRequest(piece == ask ? "?\r" : "#P\r");
            else r.deliverNow(piece);
        }
        ASSERT_EQ(r.form->messageCount, static_cast<std::int32_t>(c.logged.size()));
        for (size_t i = 0; i < c.logged.size(); ++i)
            EXPECT_EQ(r.form->messageLog[i], c.logged[i] + "000005\r");
        EXPECT_EQ(r.form->flashRecordCount, c.count);
        EXPECT_EQ(r.form->requestMode, c.count == 12 ? modeDownload : modeLive);
        EXPECT_LT(r.form->replyBuffer.size(), 32u);
    }
}

TEST(SplitReplies, FloodOfDataIsSurvivedAndTheNextReplyStillWorks) {
    Rig r;
    quietConnect(r, 5000);
    const std::string m = reading(9);
    std::string mixed;
    for (int i = 0; i < 60000; ++i) mixed += m; // about 2 MB of back-to-back messages
    std::string junk(3u << 20, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 131 + 7);
    r.form->sendRequest("?\r");
    r.deliverNow(std::string(8u << 20, 'A'));
    r.deliverNow(mixed);
    r.deliverNow(junk);
    for (int i = 0; i < 20000; ++i) r.deliverNow("ABCDEF0123");
    // A reply per request at most, however much arrives.
    EXPECT_LE(r.form->messageCount, 3);
    EXPECT_LT(r.form->replyBuffer.size(), 32u);
    const std::int32_t before = r.form->messageCount;
    r.deliverNow(m);
    ASSERT_EQ(r.form->messageCount, before + 1);
    EXPECT_EQ(r.form->messageLog[static_cast<size_t>(before)], m + "000005\r");
    r.form->sendRequest("#P\r");
    r.deliverNow("000004");
    EXPECT_EQ(r.form->flashRecordCount, 4);
}
