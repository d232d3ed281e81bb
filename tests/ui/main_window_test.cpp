// The main window: every text it shows, its accessible names, and how the core's control state
// and the operator's input travel between the widgets and the core.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include "logger_fixture.h"
#include "ui/chart_view.h"
#include "ui/reading_label.h"
#include "ui/widget_sync.h"

namespace dcload::ui {
namespace {

using test::LoggerFixture;

// What the operator reads on a control: its title or text; a tab bar's tabs and a menu's title
// and items ("-" a separator, "*" after one neither visible nor enabled), joined by "|".
QString shownText(QObject* o)
{
    QStringList parts;
    if (auto* menu = qobject_cast<QMenu*>(o)) {
        parts << menu->title();
        for (QAction* a : menu->actions())
            parts << (a->isSeparator() ? "-" : a->text() + (a->isVisible() || a->isEnabled() ? "" : "*"));
    }
    for (int i = 0; qobject_cast<QTabBar*>(o) && i < qobject_cast<QTabBar*>(o)->count(); ++i)
        parts << qobject_cast<QTabBar*>(o)->tabText(i);
    for (const char* p : {"title", "text"})
        if (parts.isEmpty() && o->property(p).isValid())   // a button's access key is no caption change
            parts << (qobject_cast<QAbstractButton*>(o) ? plainCaption(o->property(p).toString()) : o->property(p).toString());
    return parts.join('|');
}

TEST(MainWindowLayout, EveryTextAndWhatIsShownWithAnAccessibleNameOnEachControl)
{
    struct Row {
        const char* name;
        const char* text;   // nullptr: nothing to read
        bool shown;
    };
    const Row rows[] = {
        {"cmdConnect", "Connect", true}, {"cmdDisconnect", "Disconnect", true}, {"frmSetIP", "Set IP Address", false},
        {"cmdGet", "Results Stored in Load Bank", true}, {"cmdLocal", "Local", false}, {"cmdRemote", "Remote", false},
        {"cmdSetIP", "Above", false}, {"txtIP", "127.0.0.1", false}, {"frameV", "Volts", true}, {"Frame2", nullptr, true},
        {"frameA", "Current", true}, {"FrameC", "Deg C", true}, {"FrameAh", "Ah", true}, {"FrameT", "Test Time", true},
        {"frameKW", "KW", false}, {"frameV2", "Phase Volts", false}, {"frameFreq", "Freq.", false}, {"pB2", nullptr, true},
        {"FrameSpeed", "Speed", false}, {"lblSpeed", "0", false}, {"Label8", "Waiting for Connection", false},
        {"Label3", "Data Retrieved Indicator ", true}, {"Label2", "Data Retrieved Indiscator", true},
        {"Label6", "Data Retrieved Indiscator", true}, {"frameGraphSelect", "Graph Select", false},
        {"lblPauseMessage", "", true}, {"lblPage", "Page", false}, {"tabStrip", "   Volts - Time  |  Current - Time|  Temp - Time", true},
        {"mnuFile", "&File|&Save File...|&Read File...|&Read Last File......*|-|&Start Flash*|&Reset Flash*|"
                    "&Clear Results Stored in Load Bank Memory*|-|&Exit|-|Test Report...", false},
        {"mnuHelp", "&Help|&About", false}, {"FrameData", nullptr, false}, {"comGraph", nullptr, false},
        {"lblHCMPointer", nullptr, false}, {"lblTime", nullptr, false}, {"lblCount", nullptr, false}, {"pBar", nullptr, true},
        {"lblU_0", nullptr, true}, {"lblA_0", nullptr, true}, {"lblT", nullptr, true}, {"lblAh", nullptr, true},
        {"lblA_3", nullptr, true}, {"StatusBar1Panel1", nullptr, true}, {"chart", nullptr, true}, {"HScroll", nullptr, true},
        {"lblStoredRecord", nullptr, false}, {"statusRecord", nullptr, false},
    };
    LoggerFixture f;
    EXPECT_EQ(f.window().windowTitle(), "Brackwin Products DC Load Data Logger");
    for (const Row& r : rows) {
        QWidget* w = f.find(r.name);   // a menu is shown only while open
        ASSERT_NE(w, nullptr) << r.name;
        EXPECT_EQ(shownText(w), r.text ? r.text : shownText(w)) << r.name;
        EXPECT_EQ(w->isVisible(), r.shown) << r.name;
        EXPECT_TRUE(qobject_cast<QMenu*>(w) || !w->accessibleName().isEmpty()) << r.name;
    }
}

// A 1366x768 laptop, a 1024x600 netbook and a 1920x1080 screen at 200 % (960x540 in Qt's
// pixels), each less a 40 px task bar, with and without the address panel, with long texts
// everywhere: every control lies inside the window and its parent, the chart keeps 150 px, tabs
// and digits are whole, and the digits stay as large as the room allows.
TEST(MainWindowLayout, FitsSmallScreensWithEveryControlInside)
{
    const struct { int w, h, scale; bool panel; int digits; } screens[] = {
        {1366, 768, 1, true, 32}, {1024, 600, 1, false, 24}, {1024, 600, 1, true, 24}, {1920, 1080, 2, false, 24}, {1920, 1080, 2, true, 18}};
    for (const auto& s : screens) {
        SCOPED_TRACE(QString("%1x%2 at %3x, panel %4").arg(s.w).arg(s.h).arg(s.scale).arg(s.panel).toStdString());
        LoggerFixture f;
        f.app->handle([&] {
            Form1& c = f.form();
            c.ctl.frmSetIP.visible = s.panel;
            c.Connecting(true);
            c.ctl.lblU[0].caption = "123.45";
            c.ctl.lblA[3].caption = "123:59:59";
            c.ctl.lblPauseMessage.caption = "TEST RECORDING FINISHED";
            c.ctl.lblStoredRecord = {"stored record, test time 123:59:59", kLightCyan, true};
            c.ctl.StatusBar1 = "Socket Connecting..Showing stored last reading";
            c.ctl.statusRecord = "Record 1204 of 1204";
        });
        const QRect available(0, 0, s.w / s.scale, s.h / s.scale - 40);
        const QRect placed = fittedGeometry(available, QRect(0, 0, 1200, 780));
        ASSERT_TRUE(available.contains(placed));
        f.window().setGeometry(placed);
        ASSERT_TRUE(test::waitUntil([&] { return f.window().chart()->isVisible() && f.window().size() == placed.size(); }))
            << f.window().minimumSizeHint().width() << "x" << f.window().minimumSizeHint().height();
        QCoreApplication::processEvents();
        for (QWidget* w : f.window().findChildren<QWidget*>()) {
            if (!w->isVisible() || w->isWindow())
                continue;
            EXPECT_TRUE(f.window().rect().contains(QRect(w->mapTo(&f.window(), QPoint(0, 0)), w->size()))) << w->objectName().toStdString();
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << w->objectName().toStdString();
        }
        EXPECT_GE(f.window().chart()->height(), 150);
        EXPECT_GE(f.find("tabStrip")->width(), f.find("tabStrip")->sizeHint().width()) << "tabs squeezed";
        for (const char* name : {"lblU_0", "lblA_0", "lblT", "lblAh", "lblA_3"}) {
            auto* tile = f.find<ReadingLabel>(name);
            const QFontMetrics digits(tile->fittedFont());
            EXPECT_TRUE(digits.horizontalAdvance(tile->text()) <= tile->contentsRect().width() && digits.height() <= tile->contentsRect().height()) << name;
            EXPECT_GE(tile->fittedFont().pixelSize(), s.digits) << name << ": digits too small to read from afar";
        }
        if (!qEnvironmentVariableIsEmpty("DCLOAD_LAYOUT_SHOTS"))   // to look at them
            f.window().grab().save(QString("%1/%2x%3-%4.png").arg(qEnvironmentVariable("DCLOAD_LAYOUT_SHOTS")).arg(s.w).arg(s.h).arg(s.panel));
    }
}

TEST(MainWindowLayout, OpensInsideTheScreenWhereItWasOrCentred)
{
    const QRect screen(0, 0, 1366, 728);
    const std::pair<QRect, QRect> cases[] = {
        {QRect(0, 0, 1200, 780), QRect(83, 32, 1200, 696)},          // first start: centred, no taller
        {QRect(100, 60, 800, 500), QRect(100, 60, 800, 500)},        // where it was closed
        {QRect(900, 500, 800, 500), QRect(566, 228, 800, 500)},      // partly off the screen: moved in
        {QRect(3000, 100, 800, 500), QRect(283, 130, 800, 500)},     // on a screen that is gone
    };
    for (auto [wanted, placed] : cases)
        EXPECT_EQ(fittedGeometry(screen, wanted), placed) << wanted.x();
}

// ---- core state shown on the widgets ----

TEST(MainWindowMirror, WidgetsShowTheCoreStateAndReadingsCarryItInTheirAccessibleName)
{
    LoggerFixture f;
    f.app->handle([&] {
        Form1& c = f.form();
        c.Connecting(true);   // the waiting look
        c.ctl.lblU[0].caption = "48.25";
        c.ctl.lblA[0].caption = "125.3";
        c.ctl.lblA[3].caption = "01:02:03";
        c.ctl.lblT.caption = "-3.5";
        c.ctl.lblAh.caption = "0012.0";
        c.ctl.lblPauseMessage.caption = "TEST RESUMED";
        c.ctl.StatusBar1 = "Socket Connected";
        c.ctl.StatusBarChecksum = "Checksum errors: 2 (last: reading 17)";
        c.ctl.lblHCMPointer = {"Records 42", kWhite, true};
        c.ctl.tabStrip = 3;
        c.ctl.caption = "Logger - test";
    });
    // Distinct texts: a label fed from the wrong field shows up.
    const std::pair<const char*, const char*> texts[] = {
        {"lblU_0", "48.25"}, {"lblA_0", "125.3"}, {"lblA_3", "01:02:03"}, {"lblT", "-3.5"}, {"lblAh", "0012.0"},
        {"lblPauseMessage", "TEST RESUMED"}, {"StatusBar1Panel1", "Socket Connected"}, {"lblHCMPointer", "Records 42"},
        {"StatusBarChecksum", "Checksum errors: 2 (last: reading 17)"}};
    for (auto [name, text] : texts) {
        EXPECT_EQ(f.find<QLabel>(name)->text(), text) << name;
        // What assistive technology reads: the value, not only a fixed name.
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(f.find<QLabel>(name));
        EXPECT_TRUE(read && read->text(QAccessible::Name).contains(text)) << name;
    }
    for (const char* name : {"lblU_0", "lblT", "lblA_0", "lblA_3", "lblAh"})
        EXPECT_EQ(f.find(name)->property("backRgb").toInt(), 0x404040) << name;
    EXPECT_TRUE(f.find("FrameData")->isVisible() && f.find("lblHCMPointer")->isVisible() && f.find("StatusBarChecksum")->isVisible());
    EXPECT_EQ(f.find<QTabBar>("tabStrip")->currentIndex(), 2);
    EXPECT_EQ(f.window().windowTitle(), "Logger - test");
    for (const char* message : {"", "TEST RESUMED"}) {   // no message, no box; a message has its back again
        f.app->handle([&] { f.form().ctl.lblPauseMessage.caption = message; });
        EXPECT_EQ(f.find("lblPauseMessage")->styleSheet().isEmpty(), *message == 0) << message;
    }
}

TEST(MainWindowMirror, ShowingTheStateNeverCallsTheCore)
{
    LoggerFixture f;
    Form1& c = f.form();
    c.ctl.HScroll = {1, 20, 15};
    f.app->mirror();
    const int before = f.app->handledCount();
    // Each of these moves a widget that reports changes; none may come back as input.
    c.ctl.HScroll = {1, 5, 3};   // the range change alone would clamp the widget's value
    c.ctl.tabStrip = 2;
    c.ctl.comGraphText = "Current - Time";
    c.ctl.txtIP = "127.0.0.2";
    f.app->mirror();
    EXPECT_EQ(std::pair(f.app->handledCount(), c.ctl.HScroll.value), std::pair(before, 3));
    f.find<QScrollBar>("HScroll")->setValue(4);   // the operator's move does reach the core
    EXPECT_EQ(std::pair(f.app->handledCount(), c.ctl.HScroll.value), std::pair(before + 1, 4));
}

// ---- operator input reaching the core ----

TEST(MainWindowInput, MenuItemsReachTheirHandlersAlsoTheHiddenMemoryItems)
{
    for (auto [name, mode] : {std::pair{"mnuStartFlash", modeStart}, std::pair{"mnuStopFlash", modeReset}}) {
        LoggerFixture f;   // the link restarts towards 127.0.0.1 on the fixture's unused port
        f.find<QAction>(name)->setEnabled(true);   // hidden and disabled as designed, but wired
        f.find<QAction>(name)->trigger();
        EXPECT_EQ(f.form().requestMode, mode) << name;
        EXPECT_TRUE(f.app->timer(TimerId::TimerRequest).enabled()) << name;
    }
}

TEST(MainWindowInput, ChoosingATabRebuildsThatGraph)
{
    // Tab 0 last again: clicking the tab already chosen rebuilds it too.
    const std::pair<int, const char*> cases[] = {
        {0, "Volts - Time"}, {1, "Current - Time"}, {2, "Temperature(Deg C) - Time"}, {0, "Volts - Time"}};
    LoggerFixture f;
    auto* tabs = f.find<QTabBar>("tabStrip");
    for (auto [tab, title] : cases) {
        f.form().chart.chartTitle = "stale";
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(tab).center());
        EXPECT_EQ(f.form().ctl.tabStrip, tab + 1);
        EXPECT_EQ(f.form().chart.chartTitle, title);
        EXPECT_EQ(f.form().chart.pointCount(), 25);
        EXPECT_EQ(f.window().chart()->graph(0)->data()->at(0)->key, 1) << "points are drawn from 1";
        EXPECT_TRUE(qIsNaN(f.window().chart()->graph(0)->data()->at(0)->value)) << "no reading: a gap, not a dip to 0";
    }
}

TEST(MainWindowInput, CtrlHOnConnectRevealsTheAddressPanelWhereTypingWritesTheAddress)
{
    LoggerFixture f;
    QTest::keyClick(f.find("cmdConnect"), Qt::Key_H, Qt::ShiftModifier);
    EXPECT_FALSE(f.find("frmSetIP")->isVisible());
    QTest::keyClick(f.find("cmdConnect"), Qt::Key_H, Qt::ControlModifier);
    ASSERT_TRUE(f.find("frmSetIP")->isVisible());
    auto* box = f.find<QLineEdit>("txtIP");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "127.0.0.9");
    EXPECT_EQ(f.form().ctl.txtIP, "127.0.0.9");
    EXPECT_EQ(f.app->socket().state(), 0) << "neither the key nor typing connects";
}

} // namespace
} // namespace dcload::ui
