// The load bank memory commands: clear, record count and download, start. (Reset: Disconnect.)
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

// Clear (after two confirmations) and Start each reconnect, send their request once and stop.
TEST(ClearMemory, ClearNeedsTwoConfirmationsAndClearAndStartSendOnceThenStop) {
    const struct { bool start; std::deque<Answer> answers; const char* sent; std::int16_t mode; } cases[] = {
        {false, {}, "#P\r", modeRecordCount}, {false, {Answer::Cancel}, "#P\r", modeRecordCount},
        {false, {Answer::OK, Answer::OK}, "#C\r", modeClear}, {true, {}, "#G\r", modeStart},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        Rig r;
        r.connect();
        r.advance(1500);
        r.form->requestMode = modeRecordCount;
        r.dialogs.answers = c.answers;
        const size_t from = r.sends.size();
        if (c.start) r.form->mnuStartFlashClick();
        else r.form->mnuClearFlashClick();
        EXPECT_EQ(std::make_pair(r.form->requestMode, r.socket.connects.size()), std::make_pair(c.mode, size_t{c.mode == modeRecordCount ? 1u : 2u}));
        ASSERT_EQ(r.dialogs.boxes.size(), c.start ? 0u : c.mode == modeClear ? 2u : 1u);
        EXPECT_TRUE(c.start || (r.dialogs.boxes[0].title == "Flash Delete" && r.dialogs.boxes[0].def == DefaultButton::Second));
        r.advance(10000);
        EXPECT_EQ(std::make_pair(r.sentTexts(from), r.poll().enabled()),
                  std::make_pair(std::vector<std::string>(c.mode == modeRecordCount ? 10 : 1, c.sent), c.mode == modeRecordCount));
    }
}

TEST(Download, CountIsAskedUntilAnsweredThenRecordsAreLoggedLikeLiveReadingsIntoTheCurrentRun) {
    Rig r;
    int stored = 0;
    r.peer = [&](const std::string& t) {
        if (t == "?\r") r.socket.deliver(reading(1000), 100);
        if (t == "Rf\r" && stored < 3) r.socket.deliver(reading(2000 + stored++, 1111), 100);
    };
    r.connect();
    r.advance(4500);
    const int live = linesOf(r.readFile("DC_Result_2.txt"));
    r.form->downloadStarting = false;
    const size_t from = r.sends.size();
    r.form->cmdGetClick();
    EXPECT_TRUE(r.form->downloadStarting);
    r.advance(3000);
    EXPECT_EQ(r.sentTexts(from), (std::vector<std::string>{"#P\r", "#P\r", "#P\r"}));
    r.deliverNow("000003");
    r.advance(6000);
    ASSERT_EQ(stored, 3);
    EXPECT_FALSE(r.fileExists("DC_Result_3.txt"));
    const std::string file = r.readFile("DC_Result_2.txt");
    EXPECT_EQ(linesOf(file), live + 3);
    EXPECT_EQ(linesOf(r.readFile("DC_CSV_2.csv")), live + 3);
    EXPECT_EQ(file.find(reading(1000)), 0u);
    EXPECT_NE(file.find(reading(2002, 1111)), std::string::npos);
}

// The download shows itself: the tiles are marked with the stored record's own test time, a
// status field counts the records, a notice ends it, and a live reading takes the mark away.
TEST(Download, ShowsRecordKOfNAndEndsWithANoticeOfWhatArrivedAndWhatTheWrapLost) {
    const struct { const char* count; int sent; const char* status; const char* notice; } cases[] = {
        {"000003", 3, "Record 3 of 3", "finished: 3 records logged."},
        {"000005", 3, "Record 3 of 5", "3 records logged. 2 of the 5 records counted did not arrive."},
        {"032770", 4, "Record 4", "4 records logged. The memory had wrapped"},
        {"000000", 0, "Record 0 of 0", "finished: 0 records logged."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        Rig r;
        int stored = 0;
        r.peer = [&](const std::string& t) {
            if (t == "?\r") r.socket.deliver(reading(1000), 100);
            if (t == "Rf\r" && stored < c.sent) r.socket.deliver(reading(3600 + stored++, 1111), 100);
        };
        r.connect();
        r.advance(2500);
        r.form->cmdGetClick();
        r.advance(1000);
        r.deliverNow(c.count);
        r.advance(1200);
        EXPECT_EQ(r.form->ctl.lblStoredRecord.visible, c.sent > 0);
        r.advance(8000);
        EXPECT_EQ(r.form->ctl.statusRecord, c.status);
        EXPECT_EQ(r.form->ctl.lblStoredRecord.caption, c.sent ? "stored record, test time 01:00:0" + std::to_string(c.sent - 1) : "");
        ASSERT_FALSE(r.dialogs.boxes.empty());
        EXPECT_EQ(r.dialogs.boxes.size(), 1u) << "one notice";
        EXPECT_NE(r.dialogs.boxes.back().text.find(c.notice), std::string::npos) << r.dialogs.boxes.back().text;
        r.form->cmdConnectClick();
        r.advance(3000);
        EXPECT_EQ(std::make_pair(r.form->ctl.lblStoredRecord.visible, r.form->ctl.statusRecord), std::make_pair(false, std::string()));
    }
}
