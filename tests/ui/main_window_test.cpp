// The main window: captions, names, menus, what is hidden, and how the core's control state
// and the operator's input travel between the widgets and the core.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>

#include "logger_fixture.h"
#include "ui/chart_view.h"
#include "ui/reading_label.h"

namespace dcload::ui {
namespace {

using test::LoggerFixture;

// The text a control shows: a button's or label's text, a frame's title.
QString shownText(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    return "<no text>";
}

TEST(MainWindowLayout, ControlsCarryTheirNamesCaptionsAndVisibility)
{
    struct Case {
        const char* name;
        const char* text;   // nullptr: no caption to check
        bool shown;
    };
    const Case cases[] = {
        {"cmdConnect", "Connect", true}, {"cmdDisconnect", "Disconnect", true},
        {"cmdGet", "Results Stored in Load Bank", true}, {"frmSetIP", "Set IP Address", false},
        {"cmdLocal", "Local", false}, {"cmdRemote", "Remote", false}, {"cmdSetIP", "Above", false},
        {"txtIP", nullptr, false}, {"frameV", "Volts", true}, {"frameA", "Current", true},
        {"FrameC", "Deg C", true}, {"FrameAh", "Ah", true}, {"FrameT", "Test Time", true},
        {"frameV2", "Phase Volts", false}, {"frameKW", "KW", false}, {"frameFreq", "Freq.", false},
        {"FrameSpeed", "Speed", false}, {"lblSpeed", "0", false}, {"FrameData", nullptr, false},
        {"Label8", "Waiting for Connection", false}, {"Label3", "Data Retrieved Indicator ", true},
        {"Label2", "Data Retrieved Indiscator", true}, {"Label6", "Data Retrieved Indiscator", true},
        {"frameGraphSelect", "Graph Select", false}, {"comGraph", nullptr, false},
        {"lblPauseMessage", "", true}, {"lblPage", "Page", false}, {"lblHCMPointer", nullptr, false},
        {"lblTime", nullptr, false}, {"lblCount", nullptr, false},
    };
    LoggerFixture f;
    EXPECT_EQ(f.window().objectName(), "Form1");
    EXPECT_EQ(f.window().windowTitle(), "Brackwin Products DC Load Data Logger");
    EXPECT_TRUE(f.window().isVisible());
    for (const Case& c : cases) {
        QWidget* w = f.find<QWidget>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        if (c.text)
            EXPECT_EQ(shownText(w), QString(c.text)) << c.name;
        EXPECT_EQ(w->isVisible(), c.shown) << c.name;
    }
    for (const char* name : {"Frame2", "pBar", "pB2", "lblU_0", "lblA_0", "lblT", "lblAh", "lblA_3",
                             "StatusBar1", "tabStrip", "chart", "HScroll"}) {
        QWidget* w = f.find<QWidget>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(w->isVisible()) << name;
    }
}

TEST(MainWindowLayout, TabCaptionsKeepTheirBlanks)
{
    LoggerFixture f;
    auto* tabs = f.find<QTabBar>("tabStrip");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "   Volts - Time  ");
    EXPECT_EQ(tabs->tabText(1), "  Current - Time");
    EXPECT_EQ(tabs->tabText(2), "  Temp - Time");
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST(MainWindowLayout, EveryControlHasAnObjectNameAndAnAccessibleName)
{
    LoggerFixture f;
    int checked = 0;
    for (QWidget* w : f.window().findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ||
                             qobject_cast<QLineEdit*>(w) || qobject_cast<QProgressBar*>(w) ||
                             qobject_cast<QGroupBox*>(w) || qobject_cast<QTabBar*>(w) ||
                             qobject_cast<QScrollBar*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<ChartView*>(w);
        // Parts Qt builds inside a composite control (a list's scroll bars, the menu bar's
        // overflow button) are named by that control.
        bool inner = w->objectName().startsWith("qt_");
        for (QWidget* p = w->parentWidget(); p && p != &f.window(); p = p->parentWidget())
            inner = inner || qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractScrollArea*>(p) ||
                    qobject_cast<QTabBar*>(p) || p->objectName().startsWith("qt_");
        if (!control || inner || qobject_cast<QMenu*>(w))
            continue;
        ++checked;
        EXPECT_FALSE(w->objectName().isEmpty()) << w->metaObject()->className() << " " << shownText(w).toStdString();
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_GE(checked, 40);   // the filter above must not skip the window's own controls
}

// ---- menus ----

TEST(MainWindowMenus, FileAndHelpMenusInOrderWithTheirState)
{
    struct Item {
        const char* name;
        const char* text;   // "-" for a separator
        bool shown;         // visible and enabled; the others are neither
    };
    const Item file[] = {
        {"mnuSave", "&Save File...", true},
        {"mnuRead", "&Read File...", true},
        {"mnuReadLastFile", "&Read Last File......", false},
        {"", "-", true},
        {"mnuStartFlash", "&Start Flash", false},
        {"mnuStopFlash", "&Reset Flash", false},
        {"mnuClearFlash", "&Clear Results Stored in Load Bank Memory", false},
        {"", "-", true},
        {"mnuExit", "&Exit", true},
        {"", "-", true},
        {"mnuTestReport", "Test Report...", true},
    };
    const Item help[] = {{"mnuAbout", "&About", true}};
    LoggerFixture f;
    const QList<QAction*> bar = f.window().menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), "&File");
    EXPECT_EQ(bar[1]->text(), "&Help");
    auto check = [](QMenu* menu, const Item* items, int n) {
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), n);
        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(items[i].text);
            QAction* a = menu->actions()[i];
            EXPECT_EQ(a->isSeparator(), std::string(items[i].text) == "-");
            if (!a->isSeparator())
                EXPECT_EQ(a->objectName(), items[i].name);
            if (!a->isSeparator())
                EXPECT_EQ(a->text(), items[i].text);
            EXPECT_EQ(a->isVisible(), items[i].shown);
            EXPECT_EQ(a->isEnabled(), items[i].shown);
        }
    };
    check(f.window().menuBar()->findChild<QMenu*>("mnuFile"), file, 11);
    check(f.window().menuBar()->findChild<QMenu*>("mnuHelp"), help, 1);
    EXPECT_FALSE(f.window().findChild<QMenu*>("mnuFile")->separatorsCollapsible()) << "both separators drawn";
}

TEST(MainWindowMenus, ExitAsksNothingAndEndsTheProgram)
{
    LoggerFixture f;
    QSignalSpy quit(f.app.get(), &LoggerApp::quitRequested);
    f.window().findChild<QAction*>("mnuExit")->trigger();
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MainWindowMenus, HiddenMemoryItemsStillReachTheirHandlers)
{
    // Invisible and disabled as designed, but wired: enabled, each starts its command. The
    // link restarts towards 127.0.0.1 on the fixture's unused port.
    struct Case {
        const char* name;
        int answers;   // message boxes to confirm
        int requestMode;
    };
    const Case cases[] = {{"mnuStartFlash", 0, modeStart}, {"mnuStopFlash", 0, modeReset}, {"mnuClearFlash", 2, modeClear}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoggerFixture f;
        auto* item = f.window().findChild<QAction*>(c.name);
        ASSERT_NE(item, nullptr);
        item->setEnabled(true);
        int left = c.answers;
        std::function<void(QWidget*)> confirm = [&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            box->button(QMessageBox::Ok)->click();
            if (--left > 0)
                test::onNextModal(confirm);
        };
        if (left > 0)
            test::onNextModal(confirm);
        item->trigger();
        EXPECT_EQ(left, 0);
        EXPECT_EQ(f.form().requestMode, c.requestMode);
        EXPECT_TRUE(f.app->timer(TimerId::TimerRequest).enabled());
    }
}

// ---- core state shown on the widgets ----

TEST(MainWindowMirror, WidgetsShowTheCoreStateAfterAnEvent)
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
        c.ctl.lblHCMPointer = {"Records 42", kWhite, true};
        c.ctl.lblTime = {"1000", kOnTime, false};
        c.ctl.pBar = {10, 7};
        c.ctl.pB2 = {20, 3};
        c.ctl.frmSetIP.visible = true;
        c.ctl.txtIP = "127.0.0.1 ";
        c.ctl.tabStrip = 3;
        c.ctl.HScroll = {1, 4, 3};
        c.ctl.pointer = Pointer::Busy;
        c.ctl.caption = "Logger - test";
    });
    // Distinct texts: a label fed from the wrong field shows up.
    const std::pair<const char*, const char*> texts[] = {
        {"lblU_0", "48.25"}, {"lblA_0", "125.3"}, {"lblA_3", "01:02:03"}, {"lblT", "-3.5"}, {"lblAh", "0012.0"},
        {"lblPauseMessage", "TEST RESUMED"}, {"StatusBar1Panel1", "Socket Connected"}, {"lblHCMPointer", "Records 42"}};
    for (auto [name, text] : texts) {
        EXPECT_EQ(f.find<QLabel>(name)->text(), text) << name;
        // What assistive technology reads: the value, not only a fixed name.
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(f.find<QLabel>(name));
        EXPECT_TRUE(read && read->text(QAccessible::Name).contains(text)) << name;
    }
    for (const char* name : {"lblU_0", "lblT", "lblA_0", "lblA_3", "lblAh"}) {
        EXPECT_EQ(f.find<QLabel>(name)->property("backRgb").toInt(), 0x404040) << name;
        EXPECT_TRUE(f.find<QLabel>(name)->styleSheet().contains("#404040")) << name;
    }
    for (const char* name : {"FrameData", "lblHCMPointer", "frmSetIP"})
        EXPECT_TRUE(f.find<QWidget>(name)->isVisible()) << name;
    EXPECT_EQ(f.find<QLabel>("lblTime")->property("backRgb").toInt(), 0xC6EFCE);
    EXPECT_FALSE(f.find<QWidget>("lblTime")->isVisible());
    EXPECT_EQ(f.find<QLineEdit>("txtIP")->text(), "127.0.0.1 ");
    for (auto [name, max, value] : {std::tuple{"pBar", 10, 7}, std::tuple{"pB2", 20, 3}}) {
        EXPECT_EQ(f.find<QProgressBar>(name)->maximum(), max) << name;
        EXPECT_EQ(f.find<QProgressBar>(name)->value(), value) << name;
    }
    EXPECT_EQ(f.find<QTabBar>("tabStrip")->currentIndex(), 2);
    auto* s = f.find<QScrollBar>("HScroll");
    EXPECT_EQ(std::tuple(s->minimum(), s->maximum(), s->value()), std::tuple(1, 4, 3));
    EXPECT_EQ(f.window().windowTitle(), "Logger - test");
    EXPECT_EQ(f.window().cursor().shape(), Qt::WaitCursor);
    f.app->handle([&] { f.form().ctl.pointer = Pointer::Default; });
    EXPECT_EQ(f.window().cursor().shape(), Qt::ArrowCursor);
}

TEST(MainWindowMirror, DarkBackKeepsTheDigitsReadable)
{
    LoggerFixture f;
    auto* volts = f.find<QLabel>("lblU_0");
    auto luma = [](const QColor& c) { return (299 * c.red() + 587 * c.green() + 114 * c.blue()) / 1000; };
    f.app->handle([&] { f.form().ctl.lblU[0].caption = "48.25"; f.form().Connecting(true); });
    volts->ensurePolished();
    const int darkText = luma(volts->palette().color(volts->foregroundRole()));
    f.app->handle([&] { f.form().Connecting(false); });
    volts->ensurePolished();
    const int lightText = luma(volts->palette().color(volts->foregroundRole()));
    EXPECT_GT(darkText, 0x40 + 100) << "light digits on the dark grey back";
    EXPECT_LT(lightText, 0xff - 100) << "dark digits on the white back";
}

TEST(MainWindowMirror, LongReadingsShrinkToFitTheirTile)
{
    LoggerFixture f;
    auto* time = f.window().findChild<ReadingLabel*>("lblA_3");
    ASSERT_NE(time, nullptr);
    f.app->handle([&] { f.form().ctl.lblA[3].caption = "12:34"; });
    const int shortPx = time->fittedFont().pixelSize();
    for (const char* text : {"01:59:30", "123:59:59", "00000000000000"}) {
        SCOPED_TRACE(text);
        f.app->handle([&] { f.form().ctl.lblA[3].caption = text; });
        const QFont font = time->fittedFont();
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(time->text()), time->contentsRect().width());
        EXPECT_LE(font.pixelSize(), shortPx);
    }
    EXPECT_GE(shortPx, 36) << "a short reading is shown large";
}

TEST(MainWindowMirror, ShowingTheStateNeverCallsTheCore)
{
    LoggerFixture f;
    auto* scroll = f.find<QScrollBar>("HScroll");
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
    EXPECT_EQ(f.app->handledCount(), before);
    EXPECT_EQ(c.ctl.HScroll.value, 3);
    EXPECT_EQ(scroll->value(), 3);
    // The same widget moved by the operator does reach the core.
    scroll->setValue(4);
    EXPECT_EQ(f.app->handledCount(), before + 1);
    EXPECT_EQ(c.ctl.HScroll.value, 4);
}

TEST(MainWindowMirror, ChartRedrawsOnlyWhenTheModelChanged)
{
    LoggerFixture f;
    ChartView* chart = f.window().chart();
    const int before = chart->redraws();
    f.app->handle([] {});
    f.app->handle([] {});
    EXPECT_EQ(chart->redraws(), before);
    f.app->handle([&] {
        std::int16_t rows = 24;
        f.form().CreateChart(1, 1, rows);   // hundreds of model writes
    });
    EXPECT_EQ(chart->redraws(), before + 1);
}

// ---- operator input reaching the core ----

TEST(MainWindowInput, ChoosingATabRebuildsThatGraph)
{
    struct Case {
        int tab;
        const char* title;
    };
    // Tab 0 first: clicking the tab already chosen rebuilds it too.
    const Case cases[] = {{0, "Volts - Time"}, {1, "Current - Time"}, {2, "Temperature(Deg C) - Time"}, {0, "Volts - Time"}};
    LoggerFixture f;
    auto* tabs = f.find<QTabBar>("tabStrip");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        const int before = f.app->handledCount();
        f.form().chart.chartTitle = "stale";
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(c.tab).center());
        EXPECT_EQ(f.app->handledCount(), before + 1);
        EXPECT_EQ(f.form().ctl.tabStrip, c.tab + 1);
        EXPECT_EQ(f.form().chart.chartTitle, c.title);
        EXPECT_EQ(f.form().chart.pointCount(), 25);
        EXPECT_EQ(tabs->currentIndex(), c.tab);
        EXPECT_EQ(f.form().ctl.pointer, Pointer::Default);
    }
}

TEST(MainWindowInput, CtrlHOnConnectRevealsTheAddressPanel)
{
    struct Case {
        Qt::KeyboardModifiers mods;
        bool reveals;
    };
    const Case cases[] = {{Qt::NoModifier, false},
                          {Qt::ShiftModifier, false},
                          {Qt::AltModifier, false},
                          {Qt::ControlModifier, true},
                          {Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mods));
        LoggerFixture f;
        QTest::keyClick(f.find<QWidget>("cmdConnect"), Qt::Key_H, c.mods);
        EXPECT_EQ(f.find<QWidget>("frmSetIP")->isVisible(), c.reveals);
        EXPECT_EQ(f.app->socket().state(), 0) << "the key must not press Connect";
    }
}

TEST(MainWindowInput, TypingAnAddressWritesTheAddressBox)
{
    LoggerFixture f;
    f.app->handle([&] { f.form().cmdConnectKeyDown(72, false, true, false); });
    auto* box = f.find<QLineEdit>("txtIP");
    ASSERT_TRUE(box->isVisible());
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "127.0.0.9");
    EXPECT_EQ(f.form().ctl.txtIP, "127.0.0.9");
    f.app->mirror();
    EXPECT_EQ(box->text(), "127.0.0.9");
    EXPECT_EQ(f.app->socket().state(), 0) << "typing alone connects nowhere";
}

TEST(MainWindowInput, KeyCodesMatchTheLoggersKeyHandler)
{
    struct Case {
        int qtKey;
        int code;
    };
    const Case cases[] = {{Qt::Key_H, 72},      {Qt::Key_A, 65},     {Qt::Key_Z, 90},
                          {Qt::Key_0, 48},      {Qt::Key_9, 57},     {Qt::Key_F1, 112},
                          {Qt::Key_F12, 123},   {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},
                          {Qt::Key_Escape, 27}, {Qt::Key_Space, 32}, {Qt::Key_Delete, 46},
                          {Qt::Key_Left, 37},   {Qt::Key_Down, 40},  {Qt::Key_Control, 17},
                          {Qt::Key_Eacute, 0},  {Qt::Key_VolumeUp, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(legacyKeyCode(c.qtKey), c.code) << c.qtKey;
}

} // namespace
} // namespace dcload::ui
