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
        std::string stored;
    };
    const std::string m = reading(300);
    const Case cases[] = {
        {m, m + "000075\r"},
        {m + "7", m + "7" + "000075\r"},           // the 33rd character stays in place
        {"  " + m.substr(2), m.substr(2) + "000075\r"}, // blanks trimmed (32 with the blanks)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        Rig r;
        r.connect();
        r.advance(75500 - r.loop.now());
        const std::int32_t before = r.form->messageCount;
        const std::int32_t counter = r.form->recordCounter;
        r.deliverNow(c.data);
        EXPECT_EQ(r.form->messageCount, before + 1);
        EXPECT_EQ(r.form->messageLog[static_cast<size_t>(before)], c.stored);
        EXPECT_EQ(r.form->recordCounter, counter + 1);
        EXPECT_TRUE(r.form->replyReceived);
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

TEST(DataMessage, LogFullAfterOneHundredThousandAndOneMessages) {
    Rig r;
    quietConnect(r, 3000);
    r.form->messageCount = 100000; // indices 0..99999 used
    r.deliverNow(reading(1, 1100));
    EXPECT_EQ(r.form->messageCount, 100001);
    EXPECT_EQ(r.form->messageLog[100000].substr(0, 32), reading(1, 1100));
    const std::int32_t graph = r.form->gTimeCount;
    r.form->ctl.lblHCMPointer.caption = "before";
    r.form->ctl.lblTime.caption = "before";

    r.deliverNow(reading(2, 2200)); // the 100002nd
    EXPECT_EQ(r.form->messageCount, 100001);
    EXPECT_EQ(r.form->messageLog[100000].substr(0, 32), reading(1, 1100));
    EXPECT_EQ(r.form->ctl.lblU[0].caption, "22.00");   // decoded
    const std::string file = r.readFile("DC_Result_2.txt");
    EXPECT_NE(file.find(reading(2, 2200)), std::string::npos); // saved
    EXPECT_EQ(linesOf(r.readFile("DC_CSV_2.csv")), 2);
    EXPECT_EQ(r.form->gTimeCount, graph);                   // adjustTimer skipped
    EXPECT_EQ(r.form->ctl.lblTime.caption, "before");
    EXPECT_EQ(r.form->ctl.lblHCMPointer.caption, "before"); // caption skipped
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
        r.deliverNow(c.text);
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
            EXPECT_EQ(r.form->ctl.lblHCMPointer.caption, "unchanged");
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

TEST(SplitReplies, JoinedOnlyWhenTheTwoPiecesMakeOneReply) {
    const std::string m = reading(42);
    const std::string other = reading(43, 2400);
    struct Case {
        const char* name;
        std::vector<std::string> reads;
        std::vector<std::string> logged; // data parts of the messages logged, in order
        std::int32_t count;              // flashRecordCount afterwards (starts at 77)
    };
    const Case cases[] = {
        {"split 20 + 12", {m.substr(0, 20), m.substr(20)}, {m}, 77},
        {"split 1 + 31", {m.substr(0, 1), m.substr(1)}, {m}, 77},
        {"split 31 + 2 is a 33", {m.substr(0, 31), m.substr(31) + "0"}, {m + "0"}, 77},
        {"count split 3 + 3", {"000", "012"}, {}, 12},
        {"fragment then whole message", {m.substr(0, 20), other}, {other}, 77},
        {"fragment then whole 33", {m.substr(0, 20), other + "1"}, {other + "1"}, 77},
        {"one-character fragment then whole message", {m.substr(0, 1), other}, {other}, 77},
        {"fragment dropped by a whole message", {m.substr(0, 20), other, m.substr(20)}, {other}, 77},
        {"fragment used once", {m.substr(0, 20), m.substr(20), m.substr(20)}, {m}, 77},
        {"stale fragment dropped", {other.substr(0, 20), m.substr(0, 20), m.substr(20)}, {m}, 77},
        {"too long when joined", {m.substr(0, 20), m.substr(20) + "AB"}, {}, 77},
        {"non-hex piece not held", {"HELLO", m.substr(5)}, {}, 77},
        {"six-character read not held", {"000012", m.substr(6)}, {}, 12},
        {"two replies in one read", {m + other}, {}, 77},
        {"message and count in one read", {m + "000012"}, {}, 77},
        {"whole message after a dropped join", {m.substr(0, 20), "ZZ", m}, {m}, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        quietConnect(r, 5000);
        r.form->flashRecordCount = 77;
        for (const auto& piece : c.reads) r.deliverNow(piece);
        ASSERT_EQ(r.form->messageCount, static_cast<std::int32_t>(c.logged.size()));
        for (size_t i = 0; i < c.logged.size(); ++i)
            EXPECT_EQ(r.form->messageLog[i], c.logged[i] + "000005\r");
        EXPECT_EQ(r.form->flashRecordCount, c.count);
        EXPECT_EQ(r.form->requestMode, c.count == 12 ? modeDownload : modeLive);
    }
}

TEST(SplitReplies, FloodOfDataIsSurvivedAndTheNextReplyStillWorks) {
    Rig r;
    quietConnect(r, 5000);
    const std::string m = reading(9);
    std::string hexFlood(8u << 20, 'A');
    std::string mixed;
    for (int i = 0; i < 60000; ++i) mixed += m; // about 2 MB of back-to-back messages
    std::string junk(3u << 20, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 131 + 7);
    r.deliverNow(hexFlood);
    r.deliverNow(mixed);
    r.deliverNow(junk);
    for (int i = 0; i < 20000; ++i) r.deliverNow("ABCDEF0123"); // short pieces that never join
    EXPECT_EQ(r.form->messageCount, 0);
    EXPECT_LT(r.form->heldFragment.size(), 32u);
    r.deliverNow(m);
    ASSERT_EQ(r.form->messageCount, 1);
    EXPECT_EQ(r.form->messageLog[0], m + "000005\r");
    r.deliverNow("000004");
    EXPECT_EQ(r.form->flashRecordCount, 4);
}
