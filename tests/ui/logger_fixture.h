// A logger on Qt in a temporary Results folder whose address file holds 127.0.0.1, talking to
// a loopback port the test chose. Nothing here can reach the built-in addresses.
#pragma once

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "qt_wait.h"
#include "ui/logger_app.h"
#include "ui/main_window.h"

namespace dcload::ui::test {

struct LoggerFixture {
    explicit LoggerFixture(int port = unusedLoopbackPort())
    {
        writeFile("ACIP.txt", "127.0.0.1\r\n");
        app = std::make_unique<LoggerApp>(dir.path().toStdString(), port);
        app->start();
        EXPECT_EQ(app->form().ctl.txtIP, "127.0.0.1");
    }
    void writeFile(const QString& name, const QByteArray& content) const
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Form1& form() { return app->form(); }
    MainWindow& window() { return app->window(); }
    template <class W = QWidget>
    W* find(const char* name) { return window().findChild<W*>(name); }

    QTemporaryDir dir;
    std::unique_ptr<LoggerApp> app;
};

// Runs `act` once on the next modal window to appear (from inside its wait); a window already
// open when this is called does not count.
inline void onNextModal(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    QPointer<QWidget> already = QApplication::activeModalWidget();
    QObject::connect(poll, &QTimer::timeout, [poll, act, already] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal != already.data()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    QTimer::singleShot(20000, poll, &QObject::deleteLater);   // none came: stop looking
    poll->start(10);
}

} // namespace dcload::ui::test
