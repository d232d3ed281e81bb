// A logger on Qt in a temporary Results folder whose address file holds 127.0.0.1, talking to
// a loopback port the test chose. Nothing here can reach the built-in addresses.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "qt_wait.h"
#include "ui/logger_app.h"
#include "ui/main_window.h"

namespace dcload::ui::test {

// A loopback port with nothing listening on it.
inline int unusedLoopbackPort()
{
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress("127.0.0.1"), 0));
    const int port = probe.serverPort();
    probe.close();
    return port;
}

class LoggerFixture {
public:
    explicit LoggerFixture(int port = unusedLoopbackPort())
    {
        EXPECT_TRUE(dir.isValid());
        writeFile("ACIP.txt", "127.0.0.1\r\n");
        app = std::make_unique<LoggerApp>(folder(), port);
        app->start();
        EXPECT_EQ(app->form().ctl.txtIP, "127.0.0.1");
        QApplication::processEvents();
    }
    ~LoggerFixture()
    {
        app.reset();
        QApplication::processEvents();
    }

    std::string folder() const { return dir.path().toStdString(); }
    void writeFile(const QString& name, const QByteArray& content) const
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Form1& form() { return app->form(); }
    MainWindow& window() { return app->window(); }
    template <class W>
    W* find(const char* name)
    {
        return window().findChild<W*>(name);
    }

    QTemporaryDir dir;
    std::unique_ptr<LoggerApp> app;
};

// Runs `act` once on the next modal window to appear (from inside its wait); a window that is
// already open when this is called does not count. Returns a flag that tells whether it ran.
inline std::shared_ptr<bool> onNextModal(std::function<void(QWidget*)> act, int timeoutMs = 5000)
{
    auto ran = std::make_shared<bool>(false);
    auto* poll = new QTimer;
    auto started = std::make_shared<QDeadlineTimer>(timeoutMs);
    QPointer<QWidget> already = QApplication::activeModalWidget();
    QObject::connect(poll, &QTimer::timeout, [poll, ran, started, act, already] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal != already.data()) {
            poll->stop();
            poll->deleteLater();
            *ran = true;
            act(modal);
        } else if (started->hasExpired()) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
    return ran;
}

} // namespace dcload::ui::test
