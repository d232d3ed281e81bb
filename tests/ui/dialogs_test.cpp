// The modal windows and the notice, each driven from inside its own wait as an operator would.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "logger_fixture.h"

namespace dcload::ui {
namespace {

using test::LoggerFixture;
using test::onNextModal;


TEST(Dialogs, EachShowsItsTexts)
{
    struct Case {
        const char* open;     // a menu item, or "" for the pause question
        const char* listed;   // what the file list shows: result files only
        std::vector<std::pair<const char*, const char*>> texts;   // child, text; child "": the title
    };
    const Case cases[] = {
        {"", "", {{"", "Discharge Data Logging Message!"}, {"Label1", "Discharge Data Logging Message!"},
                  {"OKButton", "Click to PAUSE TEST"}, {"CancelButton", "Click to FINISH TEST"}}},
        {"mnuSave", "DC_Result_7.txt",
         {{"", "Save File"}, {"OKButton", "&Save"}, {"Label1", "File Name"}, {"Label2", "Progress Indicator"}}},
        {"mnuRead", "DC_Result_7.txt", {{"", "Read File"}, {"OKButton", "&Read"}}},
        {"mnuAbout", "", {{"", "About KorvelLoad_4"}, {"lblTitle", "KorvelLoad_4"}, {"lblVersion", "Version 4.3.2"},
                          {"lblDescription", "This retrieves AC_Load information"}, {"lblDisclaimer", kLegalNotice},
                          {"cmdOK", "OK"}}},
    };
    for (const auto& [open, files, texts] : cases) {
        LoggerFixture f;
        for (const char* name : {"DC_Result_7.txt", "notes.txt", "DC_CSV_7.csv"})
            f.writeFile(name, "x");
        int checked = 0;
        QStringList listed;
        onNextModal([&](QWidget* w) {
            if (auto* list = w->findChild<QListWidget*>("File1"))
                for (int i = 0; i < list->count(); ++i)
                    listed << list->item(i)->text();
            for (auto [child, text] : texts) {
                QObject* o = *child ? w->findChild<QObject*>(child) : w;
                ASSERT_NE(o, nullptr) << child;
                EXPECT_EQ(o->property(*child ? "text" : "windowTitle").toString(), QString::fromUtf8(text)) << open;
                ++checked;
            }
            w->close();
        });
        *open ? f.find<QAction>(open)->trigger() : f.app->handle([&] { f.form().checkCurrent(1.0f); });
        EXPECT_EQ(listed.join('|'), files) << open;
        EXPECT_EQ(checked, static_cast<int>(texts.size())) << open;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST(Dialogs, MessageBoxShowsIconButtonsAndDefaultAndGivesTheAnswer)
{
    using Box = QMessageBox;
    struct Case {
        Icon icon;
        Buttons buttons;
        DefaultButton def;
        Box::Icon qtIcon;
        Box::StandardButton qtDefault, press;   // press NoButton: Escape
        Answer answer;
    };
    const Case cases[] = {
        {Icon::Information, Buttons::OK, DefaultButton::First, Box::Information, Box::Ok, Box::Ok, Answer::OK},
        {Icon::Question, Buttons::YesNo, DefaultButton::Second, Box::Question, Box::No, Box::Yes, Answer::Yes},
        {Icon::Exclamation, Buttons::OKCancel, DefaultButton::First, Box::Warning, Box::Ok, Box::NoButton, Answer::Cancel},
    };
    LoggerFixture f;
    for (const Case& c : cases) {
        onNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            EXPECT_EQ(std::pair(box->text(), box->windowTitle()), std::pair(QString("Saved?"), QString("Saving File")));
            EXPECT_EQ(box->icon(), c.qtIcon);
            EXPECT_EQ(box->standardButton(box->defaultButton()), c.qtDefault);
            c.press ? box->button(c.press)->click() : QTest::keyClick(box, Qt::Key_Escape);
        });
        EXPECT_EQ(f.app->dialogs().messageBox("Saved?", "Saving File", c.icon, c.buttons, c.def), c.answer) << c.qtIcon;
    }
}

TEST(Dialogs, NoticeHoldsNothingUpAndNeverStacks)
{
    LoggerFixture f;
    f.app->dialogs().notice("first", "Results Folder", Icon::Exclamation);   // returns while shown
    f.app->dialogs().notice("second", "Results Folder", Icon::Exclamation);
    const auto boxes = f.window().findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible() && !boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->text(), "first\n\nsecond");
}

TEST(Dialogs, PauseQuestionAnsweredEachWay)
{
    enum How { Pause, Finish, Escape, TimeOut };
    const std::tuple<How, const char*, bool> cases[] = {{Pause, "TEST RESUMED", true}, {TimeOut, "TEST RESUMED", true},
        {Finish, "TEST RECORDING FINISHED", false}, {Escape, "TEST RECORDING FINISHED", false}};
    for (auto [how, message, paused] : cases) {
        LoggerFixture f;
        bool timerWhileOpen = false;
        onNextModal([&, how = how](QWidget* w) {
            timerWhileOpen = f.app->timer(TimerId::PauseTimer1).counting();
            if (how == Pause || how == Finish)
                w->findChild<QPushButton*>(how == Pause ? "OKButton" : "CancelButton")->click();
            if (how == Escape)
                QTest::keyClick(w, Qt::Key_Escape);
            for (int i = 0; how == TimeOut && i < 5; ++i)   // the dialog's own timer, ticking while it waits
                f.app->handle([&] { f.form().timerTick(TimerId::PauseTimer1); });
        });
        f.app->handle([&] { f.form().checkCurrent(1.0f); });
        EXPECT_TRUE(timerWhileOpen) << how;
        EXPECT_FALSE(f.app->timer(TimerId::PauseTimer1).enabled());
        EXPECT_EQ(f.find<QLabel>("lblPauseMessage")->text(), message);
        EXPECT_EQ(f.form().testPaused, paused);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

} // namespace
} // namespace dcload::ui
