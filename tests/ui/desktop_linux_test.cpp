// The desktop on Linux: the site's event command run from a small script, and the keep-awake
// request on a private session bus.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>

#include "logger_fixture.h"

using namespace dcload::ui;
using namespace dcload::ui::test;

// The command gets the event and the text as two arguments, untouched by any shell; one that
// fails, hangs or cannot start is reported.
TEST(Desktop, EventCommandRunsWithoutAShellAndItsFailuresAreReported)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.txt"), script = dir.filePath("on event.sh");
    QFile s(script);
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.write("#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> \"$OUT\"\n[ \"$1\" = hang ] && sleep 30\n[ \"$1\" = fail ] && exit 3\nexit 0\n");
    s.close();
    s.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
    qputenv("OUT", out.toLocal8Bit());
    const struct { const char* event; const char* problem; } cases[] = {
        {"link-lost", ""}, {"fail", "Event command for fail failed (exit code 3)"},
        {"hang", "Event command for hang did not end within 0.3 s and was stopped"},
    };
    DesktopAdapter desktop;
    desktop.killAfterMs = 300;
    std::string problem;
    desktop.onProblem = [&](const std::string& p) { problem = p; };
    for (const auto& c : cases) {
        problem.clear();
        desktop.runEventCommand('"' + script.toStdString() + '"', c.event, "Lost at 10:00:00; it's \"$(true)\" *");
        EXPECT_TRUE(waitUntil([&] { QFile o(out); return o.open(QIODevice::ReadOnly) && o.readAll().contains(c.event + QByteArray("|Lost at 10:00:00; it's \"$(true)\" *\n")); }, 10000));
        EXPECT_TRUE(waitUntil([&] { return problem == c.problem; }, *c.problem ? 10000 : 300)) << problem;
    }
}

// Under dbus-run-session: the screen saver stand-in sees the request at Connect and its release
// at Disconnect.
TEST(Desktop, KeepAwakeIsAskedOfTheDesktopBusAtConnectAndGivenBackAtDisconnect)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus (the ui.keep_awake_dbus test runs this one under dbus-run-session)";
    QProcess saver;
    saver.start(FAKE_SCREENSAVER, {});
    ASSERT_TRUE(waitUntil([] { return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.ScreenSaver").value(); }));
    LoggerFixture f;
    QByteArray said;
    const auto hears = [&](const QByteArray& line) { return waitUntil([&] { said += saver.readAllStandardOutput(); return said.contains(line); }); };
    f.app->handle([&] { f.form().cmdConnectClick(); });
    EXPECT_TRUE(hears("Inhibit dc-load-logger\n"));
    EXPECT_FALSE(said.contains("UnInhibit"));
    f.app->handle([&] { f.form().cmdDisconnectClick(); });
    EXPECT_TRUE(hears("UnInhibit 7\n"));
    EXPECT_EQ(f.form().linkPanel.notice, "");
    saver.kill(), saver.waitForFinished();
}
