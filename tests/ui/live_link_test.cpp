// The whole window against a load bank stand-in on a loopback port the test chose: socket
// events and timer ticks reach the core through the adapters, also inside a modal wait.
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>

#include "logger_fixture.h"
#include "support/virtual_platform.h"

namespace dcload::ui {
namespace {

using test::waitUntil;

TEST(LiveLink, ReadingsShowAndAReadingDuringThePauseQuestionIsStillDecoded)
{
    // Answers each request with the next of these, then the last again: 48.25 V at 2.0 A asks
    // the question; 47.50 V at 100.0 A arrives while it is open.
    std::deque<std::string> replies = {dcload::test::makeDataMessage(4825, 20, 60, 10, 215),
                                       dcload::test::makeDataMessage(4750, 1000, 61, 10, 216)};
    QTcpServer loadBank;
    ASSERT_TRUE(loadBank.listen(QHostAddress("127.0.0.1"), 0));
    QObject::connect(&loadBank, &QTcpServer::newConnection, [&] {
        QTcpSocket* c = loadBank.nextPendingConnection();
        QObject::connect(c, &QTcpSocket::readyRead, [&, c] {
            for (int requests = c->readAll().count('\r'); requests > 0; --requests) {
                c->write(replies.front().c_str());
                if (replies.size() > 1)
                    replies.pop_front();
            }
        });
    });
    test::LoggerFixture f(loadBank.serverPort());
    auto volts = [&] { return f.find<QLabel>("lblU_0")->text(); };
    QString voltsWhenAsked;
    bool secondArrivedWhileOpen = false;
    test::onNextModal([&](QWidget* dialog) {
        voltsWhenAsked = volts();
        secondArrivedWhileOpen = waitUntil([&] { return volts() == "47.50"; }, 6000);
        dialog->findChild<QPushButton*>("CancelButton")->click();
    });
    f.find<QPushButton>("cmdConnect")->click();
    ASSERT_TRUE(waitUntil([&] { return f.form().pauseAsked; }, 10000));
    EXPECT_EQ(voltsWhenAsked, "48.25");
    EXPECT_TRUE(secondArrivedWhileOpen);
    EXPECT_EQ(f.find<QLabel>("lblPauseMessage")->text(), "TEST RECORDING FINISHED");
    f.find<QPushButton>("cmdDisconnect")->click();
    EXPECT_EQ(f.find<QLabel>("StatusBar1Panel1")->text(), "Socket Closed");
    EXPECT_EQ(f.app->socket().state(), 0);
}

} // namespace
} // namespace dcload::ui
