// The socket adapter against real loopback sockets on ports the tests choose.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include <QTcpServer>
#include <QTcpSocket>

#include "qt_wait.h"
#include "ui/socket_adapter.h"

namespace dcload::ui {
namespace {

using test::unusedLoopbackPort;
using test::waitUntil;
using Events = std::vector<std::string>;

constexpr const char* kLoopback = "127.0.0.1";

// An adapter whose events are recorded with its state() at each, and a peer on a free port.
struct Link {
    QTcpServer server;
    QTcpSocket* peer = nullptr;   // the last connection accepted
    QByteArray received;
    SocketAdapter s;
    Events events;
    std::string data;

    Link()
    {
        EXPECT_TRUE(server.listen(QHostAddress(kLoopback), 0));
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* c = peer = server.nextPendingConnection();
            QObject::connect(c, &QTcpSocket::readyRead, [this, c] { received += c->readAll(); });
        });
        s.onConnect = [this] { note("connect"); };
        s.onClose = [this] { note("close"); };
        s.onError = [this](const std::string& text) { note("error:" + text); };
        s.onDataArrival = [this] { note("data"), data += s.readAll(); };
    }
    void note(const std::string& e) { events.push_back(e + "@" + std::to_string(s.state())); }
    int port() const { return server.serverPort(); }
    bool waitEvents(size_t n) { return waitUntil([&] { return events.size() >= n; }); }
    bool up() { return s.connect(kLoopback, port()), waitUntil([&] { return !events.empty() && peer; }); }
};

TEST(SocketAdapterStates, ConnectIsSixThenSevenOwnCloseIsZeroAtOnceWithoutEvents)
{
    Link l;
    EXPECT_EQ(l.s.state(), 0);
    l.s.connect(kLoopback, l.port());
    const int during = l.s.state();
    EXPECT_TRUE(during == 4 || during == 6 || during == 7) << during;
    EXPECT_TRUE(l.events.empty()) << "the Connect event comes from the event loop";
    ASSERT_TRUE(l.waitEvents(1));
    EXPECT_EQ(l.s.remoteHostIP(), kLoopback);
    l.s.close();
    EXPECT_EQ(l.s.state(), 0);
    l.s.connect(kLoopback, l.port());
    l.s.close();   // while still connecting
    EXPECT_EQ(l.s.state(), 0);
    l.s.connect(kLoopback, l.port());
    ASSERT_TRUE(l.waitEvents(2));   // nothing of the closed links comes before this Connect
    EXPECT_EQ(l.events, (Events{"connect@7", "connect@7"}));
}

TEST(SocketAdapterStates, ErrorIsLatchedNineUntilConnectAndARefusalEndsInRejected)
{
    for (const char* host : {kLoopback, ""}) {
        SCOPED_TRACE(host);
        Link l;
        l.s.connect(host, unusedLoopbackPort());
        ASSERT_TRUE(l.waitEvents(1));
        const std::string e = l.events[0];
        EXPECT_TRUE(e.starts_with("error:") && e.ends_with("@9") && e.size() > 10) << e;
        EXPECT_TRUE(!*host || e.ends_with(" was rejected@9")) << e;   // the busy-peer message keys on it
        EXPECT_EQ(l.s.state(), 9);
        l.s.connect(kLoopback, l.port());
        EXPECT_NE(l.s.state(), 9);
        ASSERT_TRUE(l.waitEvents(2));
        EXPECT_EQ(l.events[1], "connect@7");
    }
}

TEST(SocketAdapterPeer, HangUpIsACloseInStateEightAfterTheDataSentBeforeIt)
{
    enum How { Silent, AfterData, WithoutError };
    for (How how : {Silent, AfterData, WithoutError}) {
        SCOPED_TRACE(how);
        Link l;
        ASSERT_TRUE(l.up());
        if (how == AfterData)
            l.peer->write("0123456789");
        if (how == WithoutError)   // a hang-up that Qt reports as a disconnection only
            l.s.findChild<QTcpSocket*>()->disconnectFromHost();
        else
            l.peer->disconnectFromHost();
        ASSERT_TRUE(waitUntil([&] { return l.events.back().starts_with("close"); }));
        EXPECT_EQ(l.events, how == AfterData ? (Events{"connect@7", "data@7", "close@8"}) : (Events{"connect@7", "close@8"}));
        EXPECT_EQ(l.data, how == AfterData ? "0123456789" : "");
    }
}

TEST(SocketAdapterData, EveryByteTravelsBothWaysAndASendRightBeforeCloseStillLeaves)
{
    Link l;
    ASSERT_TRUE(l.up());
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');
    l.peer->write(all.data(), 256);
    ASSERT_TRUE(waitUntil([&] { return l.data.size() >= 256; }));
    EXPECT_EQ(l.data, all);
    l.s.send(all);
    l.s.close();   // no turn of the event loop in between
    ASSERT_TRUE(waitUntil([&] { return l.received.size() >= 256; }));
    EXPECT_EQ(l.received.toStdString(), all);
}

} // namespace
} // namespace dcload::ui
