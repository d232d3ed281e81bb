// The load bank memory commands: clear, record count and download, start and reset.
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

TEST(ClearMemory, NeedsTwoConfirmationsThenSendsOneClear) {
    struct Case {
        std::deque<Answer> answers;
        bool cleared;
    };
    const Case cases[] = {{{}, false}, {{Answer::Cancel}, false}, {{Answer::OK, Answer::OK}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers.size());
        Rig r;
        r.connect();
        r.advance(1500);
        r.form->requestMode = modeRecordCount;
        r.dialogs.answers = c.answers;
        const size_t from = r.sends.size();
        r.form->mnuClearFlashClick();
        ASSERT_GE(r.dialogs.boxes.size(), 1u);
        const MessageBoxCall& ask = r.dialogs.boxes[0];
        EXPECT_EQ(ask.text, "This will clear ALL previous data stored in the AC Load Bank Memory.  Are you sure?");
        EXPECT_EQ(ask.title, "Flash Delete");
        EXPECT_EQ(ask.icon, Icon::Exclamation);
        EXPECT_EQ(ask.buttons, Buttons::OKCancel);
        EXPECT_EQ(ask.def, DefaultButton::Second);
        if (!c.cleared) {
            EXPECT_EQ(r.dialogs.boxes.size(), 1u);
            EXPECT_EQ(r.form->requestMode, modeRecordCount);
            EXPECT_EQ(r.socket.connects.size(), 1u);
            r.advance(5000);
            for (const auto& t : r.sentTexts(from)) EXPECT_EQ(t, "#P\r");
            continue;
        }
        ASSERT_EQ(r.dialogs.boxes.size(), 2u);
        EXPECT_EQ(r.dialogs.boxes[1].text, "This will take about 2 minutes.  Please press OK and wait.");
        EXPECT_EQ(r.dialogs.boxes[1].title, "Clearing Memory");
        EXPECT_EQ(r.dialogs.boxes[1].icon, Icon::Information);
        EXPECT_EQ(r.dialogs.boxes[1].buttons, Buttons::OK);
        EXPECT_EQ(r.form->requestMode, modeClear);
        EXPECT_EQ(r.socket.connects.size(), 2u);
        r.advance(10000);
        EXPECT_EQ(r.sentTexts(from), std::vector<std::string>{"#C\r"});
        EXPECT_FALSE(r.poll().enabled());
    }
}

TEST(StartFlash, SendsOneStartThenStopsPolling) {
    Rig r;
    r.connect();
    r.advance(1500);
    const size_t from = r.sends.size();
    r.form->mnuStartFlashClick();
    EXPECT_EQ(r.socket.connects.size(), 2u);
    r.advance(10000);
    EXPECT_EQ(r.sentTexts(from), std::vector<std::string>{"#G\r"});
    EXPECT_FALSE(r.poll().enabled());
    EXPECT_EQ(r.form->requestMode, modeStart);
}

TEST(Download, CountIsAskedUntilAnsweredThenBareRfRequests) {
    Rig r;
    r.connect();
    r.advance(1500);
    r.form->downloadStarting = false;
    const size_t from = r.sends.size();
    r.form->cmdGetClick();
    EXPECT_TRUE(r.form->downloadStarting);
    EXPECT_EQ(r.form->requestMode, modeRecordCount);
    EXPECT_EQ(r.socket.connects.size(), 2u);
    r.advance(3000);
    EXPECT_EQ(r.sentTexts(from), (std::vector<std::string>{"#P\r", "#P\r", "#P\r"}));
    r.deliverNow("000012");
    EXPECT_EQ(r.form->requestMode, modeDownload);
    EXPECT_EQ(r.form->flashRecordCount, 12);
    EXPECT_EQ(r.form->ctl.lblHCMPointer.caption, "Flash = 12 Records");
    const size_t rf = r.sends.size();
    r.advance(5000);
    ASSERT_GE(r.sends.size(), rf + 2);
    for (const auto& t : r.sentTexts(rf)) EXPECT_EQ(t, "Rf\r");
}

TEST(ResetFlash, StopStartAndThenTheRecordCount) {
    Rig r;
    r.form->ctl.txtIP = "127.0.0.1";
    r.form->downloadStarting = false;
    r.form->mnuStopFlashClick(); // t = 0, nothing connected before
    EXPECT_EQ(r.form->requestMode, modeReset);
    EXPECT_EQ(r.timer(TimerId::Timer1).interval(), 3000);
    EXPECT_TRUE(r.timer(TimerId::Timer1).enabled());
    EXPECT_TRUE(r.poll().enabled());

    r.advance(2999);
    EXPECT_EQ(r.sentTexts(), (std::vector<std::string>{"#X\r"}));
    EXPECT_EQ(r.sends[0].at, 1000);
    EXPECT_EQ(r.poll().interval(), 2000);
    // t = 3 s: a poll tick ("#G") and Timer1 fall together; nothing orders them.
    r.advance(1);
    EXPECT_EQ(r.socket.connects.size(), 2u);
    EXPECT_FALSE(r.timer(TimerId::Timer1).enabled());
    EXPECT_TRUE(r.timer(TimerId::Timer2).enabled());
    EXPECT_EQ(r.timer(TimerId::Timer2).interval(), 2000);
    EXPECT_TRUE(r.poll().enabled());
    EXPECT_TRUE(r.form->requestMode == modeReset || r.form->requestMode == modeStart);

    r.advance(2000); // t = 5 s: Timer2
    EXPECT_EQ(r.form->requestMode, modeRecordCount);
    EXPECT_TRUE(r.form->downloadStarting);
    EXPECT_FALSE(r.timer(TimerId::Timer2).enabled());
    EXPECT_TRUE(r.poll().enabled());
    for (const auto& t : r.sentTexts(1)) EXPECT_TRUE(t == "#X\r" || t == "#G\r" || t == "#P\r") << t;

    const size_t from = r.sends.size();
    r.advance(4001);
    ASSERT_EQ(r.sentTexts(from), (std::vector<std::string>{"#P\r", "#P\r"}));
    EXPECT_EQ(r.sends.back().at - r.sends[r.sends.size() - 2].at, 2000);
}

TEST(Download, RecordsAreLoggedLikeLiveReadingsIntoTheCurrentRun) {
    for (bool liveFirst : {true, false}) {
        SCOPED_TRACE(liveFirst);
        Rig r;
        int stored = 0;
        r.peer = [&](const std::string& t) {
            if (t == "?\r") r.socket.deliver(reading(1000), 100);
            if (t == "#P\r") r.socket.deliver("000003", 100);
            if (t == "Rf\r" && stored < 3) r.socket.deliver(reading(2000 + stored++, 1111), 100);
        };
        r.connect();
        if (liveFirst) r.advance(4500);
        else r.poll().setEnabled(false);
        const int live = linesOf(r.readFile("DC_Result_2.txt"));
        EXPECT_EQ(live > 0, liveFirst);
        r.form->cmdGetClick();
        r.advance(6000);
        ASSERT_EQ(stored, 3);
        EXPECT_EQ(r.form->getLastFileNumber(), 2);
        EXPECT_FALSE(r.fileExists("DC_Result_3.txt"));
        const std::string file = r.readFile("DC_Result_2.txt");
        EXPECT_EQ(linesOf(file), live + 3);
        EXPECT_EQ(linesOf(r.readFile("DC_CSV_2.csv")), live + 3);
        EXPECT_NE(file.find(reading(2002, 1111)), std::string::npos);
        if (liveFirst) {
            EXPECT_EQ(file.find(reading(1000)), 0u);
        }
        EXPECT_EQ(r.form->messageCount, live + 3);
        EXPECT_EQ(r.form->requestMode, modeDownload);
    }
}
