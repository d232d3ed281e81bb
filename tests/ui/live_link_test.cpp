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

using test::LoggerFixture;
using test::nestedWaitUntil;
using test::onNextModal;
using test::waitUntil;

// Answers each "?" with the next queued data message.
class StandIn {
public:
    StandIn()
    {
        EXPECT_TRUE(server_.listen(QHostAddress("127.0.0.1"), 0));
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* c = server_.nextPendingConnection())
                QObject::connect(c, &QTcpSocket::readyRead, [this, c] { answer(c); });
        });
    }
    int port() const { return server_.serverPort(); }
    std::deque<std::string> replies;
    std::string lastReply;

private:
    void answer(QTcpSocket* c)
    {
        const QByteArray in = c->readAll();
        for (char ch : in) {
            if (ch != '\r')
                continue;
            if (!replies.empty()) {
                lastReply = replies.front();
                replies.pop_front();
            }
            if (!lastReply.empty())
                c->write(lastReply.data(), static_cast<qint64>(lastReply.size()));
        }
    }
    QTcpServer server_;
};

QString tile(LoggerFixture& f, const char* name) { return f.window().findChild<QLabel*>(name)->text(); }

TEST(LiveLink, ReadingsShowAndAReadingDuringThePauseQuestionIsStillDecoded)
{
    StandIn loadBank;
    // 48.25 V at 2.0 A asks the question; 47.50 V at 100.0 A arrives while it is open.
    loadBank.replies = {dcload::test::makeDataMessage(4825, 20, 60, 10, 215),
                        dcload::test::makeDataMessage(4750, 1000, 61, 10, 216)};
    LoggerFixture f(loadBank.port());
    QString voltsWhenAsked, voltsWhileOpen;
    bool secondArrivedWhileOpen = false;
    onNextModal(
        [&](QWidget* dialog) {
            voltsWhenAsked = tile(f, "lblU_0");
            secondArrivedWhileOpen = nestedWaitUntil([&] { return tile(f, "lblU_0") == "47.50"; }, 6000);
            voltsWhileOpen = tile(f, "lblU_0");
            dialog->findChild<QPushButton*>("CancelButton")->click();
        },
        8000);
    f.window().findChild<QPushButton*>("cmdConnect")->click();
    ASSERT_TRUE(waitUntil([&] { return f.form().pauseAsked; }, 10000));
    EXPECT_EQ(voltsWhenAsked, "48.25");
    EXPECT_TRUE(secondArrivedWhileOpen);
    EXPECT_EQ(voltsWhileOpen, "47.50");
    EXPECT_EQ(tile(f, "lblPauseMessage"), "TEST RECORDING FINISHED");
    EXPECT_FALSE(f.window().findChild<QWidget*>("FrameData")->isVisible());
    f.window().findChild<QPushButton*>("cmdDisconnect")->click();
    EXPECT_EQ(tile(f, "StatusBar1Panel1"), "Socket Closed");
    EXPECT_EQ(f.app->socket().state(), 0);
}

} // namespace
} // namespace dcload::ui
