// The modal windows: message boxes, the pause dialog, the file dialog and the About box, each
// driven from inside its own wait, as an operator would.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "logger_fixture.h"
#include "ui/file_dialog.h"
#include "ui/pause_dialog.h"

namespace dcload::ui {
namespace {

using test::LoggerFixture;
using test::onNextModal;

// ---- message boxes ----

struct BoxCase {
    const char* what;
    Icon icon;
    Buttons buttons;
    DefaultButton def;
    QMessageBox::Icon qtIcon;
    QMessageBox::StandardButtons shown;
    QMessageBox::StandardButton qtDefault;
    int press;   // a standard button to click, or 0 for Escape
    Answer answer;
};

TEST(MessageBoxes, TextTitleIconButtonsDefaultAndAnswer)
{
    const BoxCase cases[] = {
        {"saved", Icon::Information, Buttons::OK, DefaultButton::First, QMessageBox::Information,
         QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, Answer::OK},
        {"overwrite, yes", Icon::Information, Buttons::YesNo, DefaultButton::Second, QMessageBox::Information,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::No, QMessageBox::Yes, Answer::Yes},
        {"overwrite, escape", Icon::Information, Buttons::YesNo, DefaultButton::Second,
         QMessageBox::Information, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, 0, Answer::No},
        {"flash delete", Icon::Exclamation, Buttons::OKCancel, DefaultButton::Second, QMessageBox::Warning,
         QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Ok, Answer::OK},
        {"flash delete, escape", Icon::Exclamation, Buttons::OKCancel, DefaultButton::First,
         QMessageBox::Warning, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, 0, Answer::Cancel},
        {"critical", Icon::Critical, Buttons::OK, DefaultButton::First, QMessageBox::Critical,
         QMessageBox::Ok, QMessageBox::Ok, 0, Answer::OK},
        {"question", Icon::Question, Buttons::YesNo, DefaultButton::First, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No, Answer::No},
        {"plain", Icon::None, Buttons::OK, DefaultButton::First, QMessageBox::NoIcon, QMessageBox::Ok,
         QMessageBox::Ok, QMessageBox::Ok, Answer::OK},
    };
    LoggerFixture f;
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto ran = onNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) {
                ADD_FAILURE() << "not a message box";
                w->close();
                return;
            }
            EXPECT_EQ(box->text(), "C:/x/DC_Result_3.txt Exists. Overwrite?");
            EXPECT_EQ(box->windowTitle(), "Saving File");
            EXPECT_EQ(box->icon(), c.qtIcon);
            EXPECT_EQ(box->standardButtons(), c.shown);
            EXPECT_EQ(box->standardButton(box->defaultButton()), c.qtDefault);
            if (c.press)
                box->button(static_cast<QMessageBox::StandardButton>(c.press))->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        const Answer a = f.app->dialogs().messageBox("C:/x/DC_Result_3.txt Exists. Overwrite?", "Saving File",
                                                     c.icon, c.buttons, c.def);
        EXPECT_TRUE(*ran);
        EXPECT_EQ(a, c.answer);
    }
}

TEST(MessageBoxes, WindowBehindShowsTheStateThatLedToTheBox)
{
    LoggerFixture f;
    QString statusWhileOpen;
    onNextModal([&](QWidget* w) {
        statusWhileOpen = f.window().findChild<QLabel*>("StatusBar1Panel1")->text();
        w->close();
    });
    f.app->handle([&] {
        f.form().ctl.StatusBar1 = "Please wait loading data ......";
        f.app->dialogs().messageBox("text", "title", Icon::None, Buttons::OK, DefaultButton::First);
    });
    EXPECT_EQ(statusWhileOpen, "Please wait loading data ......");
}

TEST(MessageBoxes, NoticeHoldsNothingUpAndNeverStacks)
{
    LoggerFixture f;
    f.app->dialogs().notice("first", "Results Folder", Icon::Exclamation); // returns while shown
    f.app->dialogs().notice("second", "Results Folder", Icon::Exclamation);
    const auto boxes = f.window().findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible() && !boxes[0]->isModal());
    EXPECT_EQ(boxes[0]->text(), "first\n\nsecond");
}

// ---- pause dialog ----

TEST(PauseDialog, CaptionsAndEachWayOfAnswering)
{
    enum How { Pause, Finish, CloseBox, Escape, TimeOut };
    const std::tuple<How, const char*, bool> cases[] = {{Pause, "TEST RESUMED", true},
                                                        {Finish, "TEST RECORDING FINISHED", false},
                                                        {CloseBox, "TEST RECORDING FINISHED", false},
                                                        {Escape, "TEST RECORDING FINISHED", false},
                                                        {TimeOut, "TEST RESUMED", true}};
    for (auto [how, message, paused] : cases) {
        SCOPED_TRACE(how);
        LoggerFixture f;
        bool timerWhileOpen = false;
        auto ran = onNextModal([&, how = how](QWidget* w) {
            EXPECT_EQ(w->objectName(), "DialogDisconnect");
            EXPECT_EQ(w->windowTitle(), "Discharge Data Logging Message!");
            EXPECT_EQ(w->findChild<QLabel*>("Label1")->text(), "Discharge Data Logging Message!");
            auto* ok = w->findChild<QPushButton*>("OKButton");
            auto* cancel = w->findChild<QPushButton*>("CancelButton");
            ASSERT_TRUE(ok && cancel);
            EXPECT_EQ(ok->text(), "Click to PAUSE TEST");
            EXPECT_EQ(cancel->text(), "Click to FINISH TEST");
            timerWhileOpen = f.app->timer(TimerId::PauseTimer1).counting();
            switch (how) {
            case Pause: ok->click(); break;
            case Finish: cancel->click(); break;
            case CloseBox: w->close(); break;
            case Escape: QTest::keyClick(w, Qt::Key_Escape); break;
            case TimeOut:   // five ticks of the dialog's own timer, delivered while it waits
                for (int i = 0; i < 5; ++i)
                    f.app->handle([&] { f.form().timerTick(TimerId::PauseTimer1); });
                break;
            }
        });
        f.app->handle([&] { f.form().checkCurrent(1.0f); });
        EXPECT_TRUE(*ran);
        EXPECT_TRUE(timerWhileOpen);
        EXPECT_FALSE(f.app->timer(TimerId::PauseTimer1).enabled());
        EXPECT_EQ(f.window().findChild<QLabel*>("lblPauseMessage")->text(), message);
        EXPECT_EQ(f.form().testPaused, paused);
        EXPECT_EQ(f.app->dialogs().pauseDialog(), nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// ---- file dialog ----

struct FileCase {
    const char* menu;
    const char* caption;
    const char* ok;
};

TEST(FileDialog, CaptionsFolderAndResultFilesOnOpening)
{
    const FileCase cases[] = {{"mnuSave", "Save File", "&Save"}, {"mnuRead", "Read File", "&Read"}};
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.menu);
        LoggerFixture f;
        f.writeFile("DC_Result_7.txt", "x\r\n");
        f.writeFile("DC_Result_12.txt", "x\r\n");
        f.writeFile("notes.txt", "x\r\n");
        f.writeFile("DC_CSV_7.csv", "x\r\n");
        auto ran = onNextModal([&](QWidget* w) {
            EXPECT_EQ(w->objectName(), "Form2");
            EXPECT_EQ(w->windowTitle(), c.caption);
            EXPECT_EQ(w->findChild<QPushButton*>("OKButton")->text(), c.ok);
            EXPECT_EQ(w->findChild<QLabel*>("Label1")->text(), "File Name");
            EXPECT_EQ(w->findChild<QLabel*>("Label2")->text(), "Progress Indicator");
            EXPECT_EQ(QDir(w->findChild<QLineEdit*>("Dir1")->text()), QDir(f.dir.path()));
            EXPECT_EQ(w->findChild<QLineEdit*>("txtExport")->text(),
                      QString::fromStdString(f.form().form2.txtExport));
            EXPECT_EQ(w->findChild<QProgressBar*>("pB2")->value(), 0);
            auto* list = w->findChild<QListWidget*>("File1");
            QStringList names;
            for (int i = 0; i < list->count(); ++i)
                names << list->item(i)->text();
            names.sort();
            EXPECT_EQ(names, (QStringList{"DC_Result_12.txt", "DC_Result_7.txt"}));
            w->close();
        });
        f.window().findChild<QAction*>(c.menu)->trigger();
        EXPECT_TRUE(*ran);
        EXPECT_FALSE(f.form().form2.open);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST(FileDialog, FolderFileClicksAndTypedNameReachTheLogger)
{
    LoggerFixture f;
    QTemporaryDir other;
    QFile probe(QDir(other.path()).filePath("DC_Result_99.txt"));
    ASSERT_TRUE(probe.open(QIODevice::WriteOnly));
    probe.close();
    QStringList listed;
    QString afterClick, afterDoubleClick;
    bool stillOpen = false;
    onNextModal([&](QWidget* w) {
        auto* dir = w->findChild<QLineEdit*>("Dir1");
        dir->setFocus();
        dir->selectAll();
        QTest::keyClicks(dir, other.path());
        QTest::keyClick(dir, Qt::Key_Return);   // changes the folder, does not press OK
        auto* list = w->findChild<QListWidget*>("File1");
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        auto* name = w->findChild<QLineEdit*>("txtExport");
        ASSERT_EQ(list->count(), 1);
        const QRect r = list->visualItemRect(list->item(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        afterClick = name->text();
        name->setText("other.txt");
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
        afterDoubleClick = name->text();
        name->setFocus();
        name->selectAll();
        QTest::keyClicks(name, "copy.txt");
        stillOpen = w->isVisible();
        w->close();
    });
    f.window().findChild<QAction*>("mnuSave")->trigger();
    EXPECT_EQ(listed, QStringList{"DC_Result_99.txt"});
    EXPECT_EQ(afterClick, "DC_Result_99.txt");
    EXPECT_EQ(afterDoubleClick, "DC_Result_99.txt");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(f.form().form2.folder, other.path().toStdString());
    EXPECT_EQ(f.form().form2.txtExport, "copy.txt");
}

TEST(FileDialog, OkSavesTheCurrentResultFileUnderTheTypedName)
{
    LoggerFixture f;
    const std::string current = "DC_Result_" + std::to_string(f.form().getLastFileNumber()) + ".txt";
    f.writeFile(QString::fromStdString(current), "0101\r\r\n");
    QTemporaryDir target;
    std::vector<std::string> boxes;
    std::function<void(QWidget*)> answer = [&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            boxes.push_back(box->text().toStdString());
            box->button(QMessageBox::Ok)->click();
            return;
        }
        auto* dir = w->findChild<QLineEdit*>("Dir1");
        dir->setText(target.path());
        dir->setModified(true);
        QTest::keyClick(dir, Qt::Key_Return);
        auto* name = w->findChild<QLineEdit*>("txtExport");
        name->selectAll();
        QTest::keyClicks(name, "saved.txt");
        onNextModal(answer);   // the "Saved" box
        w->findChild<QPushButton*>("OKButton")->click();
    };
    onNextModal(answer);
    f.window().findChild<QAction*>("mnuSave")->trigger();
    QFile copy(QDir(target.path()).filePath("saved.txt"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("0101\r\r\n"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QDir(target.path()).filePath("saved.txt").toStdString() + " Saved");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// ---- About box ----

TEST(AboutBox, ShowsTheProgramsVersionInformationAndOkCloses)
{
    LoggerFixture f;
    auto ran = onNextModal([&](QWidget* w) {
        EXPECT_EQ(w->objectName(), "frmAbout");
        EXPECT_EQ(w->windowTitle(), "About KorvelLoad_4");
        EXPECT_EQ(w->findChild<QLabel*>("lblTitle")->text(), "KorvelLoad_4");
        EXPECT_EQ(w->findChild<QLabel*>("lblVersion")->text(), "Version 4.3.2");
        EXPECT_EQ(w->findChild<QLabel*>("lblDescription")->text(), "This retrieves AC_Load information");
        EXPECT_EQ(w->findChild<QLabel*>("lblDisclaimer")->text(), QString::fromUtf8(kLegalNotice));
        EXPECT_NE(w->findChild<QLabel*>("picIcon"), nullptr);
        auto* ok = w->findChild<QPushButton*>("cmdOK");
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        ok->click();
    });
    f.window().findChild<QAction*>("mnuAbout")->trigger();
    EXPECT_TRUE(*ran);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace dcload::ui
