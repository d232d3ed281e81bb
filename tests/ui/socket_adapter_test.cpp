// The socket adapter against real loopback sockets on ports the tests choose.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QTcpServer>
#include <QTcpSocket>

#include "qt_wait.h"
#include "ui/socket_adapter.h"

namespace dcload::ui {
namespace {

using test::nestedWaitUntil;
using test::spin;
using test::waitUntil;

constexpr const char* kLoopback = "127.0.0.1";

// Everything the adapter reported, in order.
struct Recorder {
    std::vector<std::string> events;
    std::vector<int> statesSeen;   // state() at the moment each event ran
    std::string data;

    void attach(SocketAdapter& s)
    {
        s.onConnect = [this, &s] { note(s, "connect"); };
        s.onClose = [this, &s] { note(s, "close"); };
        s.onError = [this, &s](const std::string& d) { note(s, "error:" + d); };
        s.onDataArrival = [this, &s] {
            note(s, "data");
            data += s.readAll();
        };
    }
    void note(SocketAdapter& s, const std::string& e)
    {
        events.push_back(e);
        statesSeen.push_back(s.state());
    }
    int count(const std::string& prefix) const
    {
        int n = 0;
        for (const auto& e : events)
            n += e.rfind(prefix, 0) == 0;
        return n;
    }
};

// A server on a free loopback port that keeps the connections it accepts.
struct Peer {
    QTcpServer server;
    std::vector<QTcpSocket*> accepted;
    QByteArray received;

    Peer()
    {
        EXPECT_TRUE(server.listen(QHostAddress(kLoopback), 0));
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* c = server.nextPendingConnection()) {
                accepted.push_back(c);
                QObject::connect(c, &QTcpSocket::readyRead, [this, c] { received += c->readAll(); });
            }
        });
    }
    int port() const { return server.serverPort(); }
    QTcpSocket* last() const { return accepted.empty() ? nullptr : accepted.back(); }
};

// A loopback port with nothing listening on it.
int closedPort()
{
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress(kLoopback), 0));
    const int port = probe.serverPort();
    probe.close();
    return port;
}

// An adapter with its events recorded, and a peer to talk to.
struct Link {
    Peer peer;
    SocketAdapter s;
    Recorder r;
    Link() { r.attach(s); }
    // Connects to the peer and waits until both ends see the connection.
    bool up()
    {
        s.connect(kLoopback, peer.port());
        return waitUntil([&] { return s.state() == 7 && peer.last(); });
    }
};

TEST(SocketAdapterStates, ClosedBeforeAnyConnectAndSendWhileClosedIsIgnored)
{
    SocketAdapter s;
    EXPECT_EQ(s.state(), 0);
    EXPECT_EQ(s.remoteHostIP(), "");
    s.send("?\r");
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterStates, ConnectReachesConnectedAndReportsThePeer)
{
    Link l;
    l.s.connect(kLoopback, l.peer.port());
    const int during = l.s.state();
    EXPECT_TRUE(during == 4 || during == 6 || during == 7) << during;
    EXPECT_TRUE(l.r.events.empty()) << "the Connect event must come from the event loop";
    ASSERT_TRUE(waitUntil([&] { return l.r.count("connect") == 1; }));
    EXPECT_EQ(l.s.state(), 7);
    EXPECT_EQ(l.r.statesSeen.front(), 7);
    EXPECT_EQ(l.s.remoteHostIP(), kLoopback);
}

TEST(SocketAdapterStates, OwnCloseIsStateZeroAtOnceWithNoEvents)
{
    for (bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "connecting");
        Link l;
        l.s.connect(kLoopback, l.peer.port());
        if (connected) {
            ASSERT_TRUE(waitUntil([&] { return l.r.count("connect") == 1; }));
            l.r.events.clear();
        }
        l.s.close();
        EXPECT_EQ(l.s.state(), 0);
        spin(150);
        EXPECT_TRUE(l.r.events.empty()) << l.r.events.front();
        l.s.close();   // closing a closed socket is harmless
        EXPECT_EQ(l.s.state(), 0);
    }
}

TEST(SocketAdapterErrors, RefusedConnectionIsLatchedErrorEndingInRejected)
{
    Link l;
    l.s.connect(kLoopback, closedPort());
    ASSERT_TRUE(waitUntil([&] { return l.r.count("error:") == 1; }));
    const std::string& e = l.r.events.back();
    ASSERT_GE(e.size(), 8u);
    EXPECT_EQ(e.substr(e.size() - 8), "rejected") << e;
    EXPECT_EQ(l.r.statesSeen.back(), 9);
    spin(100);
    EXPECT_EQ(l.s.state(), 9) << "the error state stays until close or connect";
    EXPECT_EQ(l.r.events.size(), 1u);
    // Connect after an error starts afresh.
    l.s.connect(kLoopback, l.peer.port());
    EXPECT_NE(l.s.state(), 9);
    ASSERT_TRUE(waitUntil([&] { return l.s.state() == 7; }));
    EXPECT_EQ(l.r.count("connect"), 1);
    // So does close.
    l.s.connect(kLoopback, closedPort());
    ASSERT_TRUE(waitUntil([&] { return l.s.state() == 9; }));
    l.s.close();
    EXPECT_EQ(l.s.state(), 0);
}

TEST(SocketAdapterErrors, EmptyAddressEndsInAnErrorEvent)
{
    Link l;
    l.s.connect("", closedPort());   // no host: fails before anything is sent
    ASSERT_TRUE(waitUntil([&] { return l.r.count("error:") == 1; }));
    EXPECT_EQ(l.s.state(), 9);
    EXPECT_GT(l.r.events.back().size(), std::string("error:").size());
}

TEST(SocketAdapterErrors, AnErrorQueuedBeforeOurCloseIsNeverDelivered)
{
    Link l;
    auto* inner = l.s.findChild<QTcpSocket*>();
    ASSERT_NE(inner, nullptr);
    // Runs right after the adapter heard the error, before the queued event is delivered.
    QObject::connect(inner, &QTcpSocket::errorOccurred, &l.s, [&l] { l.s.close(); });
    l.s.connect(kLoopback, closedPort());
    ASSERT_TRUE(waitUntil([&] { return l.s.state() == 0; }));
    QCoreApplication::processEvents(); // where the queued error would be delivered
    EXPECT_EQ(l.r.count("error:"), 0) << "a stale error would overwrite the closed state's text";
    EXPECT_EQ(l.s.state(), 0);
}

TEST(SocketAdapterPeer, HangUpIsACloseEventAfterTheDataSentBeforeIt)
{
    for (bool withData : {false, true}) {
        SCOPED_TRACE(withData);
        Link l;
        ASSERT_TRUE(l.up());
        if (withData)
            l.peer.last()->write("0123456789ABCDEF0123456789ABCDEF");
        l.peer.last()->disconnectFromHost();
        ASSERT_TRUE(waitUntil([&] { return l.r.count("close") == 1; }));
        EXPECT_EQ(l.r.statesSeen.back(), 8) << "closing until the logger closes its side";
        EXPECT_EQ(l.r.data, withData ? "0123456789ABCDEF0123456789ABCDEF" : "");
        const std::vector<std::string> expected = withData ? std::vector<std::string>{"connect", "data", "close"}
                                                           : std::vector<std::string>{"connect", "close"};
        spin(100);
        EXPECT_EQ(l.r.events, expected);
        l.s.close();
        EXPECT_EQ(l.s.state(), 0);
    }
}

TEST(SocketAdapterData, EveryByteValueTravelsBothWaysUnchanged)
{
    Link l;
    ASSERT_TRUE(l.up());
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    l.peer.last()->write(all);
    ASSERT_TRUE(waitUntil([&] { return l.r.data.size() >= 256; }));
    EXPECT_EQ(l.r.data, std::string(all.constData(), 256));
    const std::string request = std::string("?\r", 2) + std::string("\0\xA9\xFF", 3);
    l.s.send(request);
    ASSERT_TRUE(waitUntil([&] { return l.peer.received.size() >= 5; }));
    EXPECT_EQ(l.peer.received, QByteArray(request.data(), 5));
}

TEST(SocketAdapterData, ArrivalsKeepComingInsideANestedWaitOfTheHandler)
{
    // A modal window opened from the data handler must not stop further data events.
    Link l;
    int arrivals = 0;
    bool secondInsideFirst = false;
    l.s.onDataArrival = [&] {
        l.s.readAll();
        if (++arrivals == 1) {
            l.peer.last()->write("second");
            secondInsideFirst = nestedWaitUntil([&] { return arrivals >= 2; }, 2000);
        }
    };
    ASSERT_TRUE(l.up());
    l.peer.last()->write("first");
    ASSERT_TRUE(waitUntil([&] { return arrivals >= 2; }));
    EXPECT_TRUE(secondInsideFirst);
}

TEST(SocketAdapterLifetime, DestroyedWhileConnectedReportsNothing)
{
    Peer peer;
    auto s = std::make_unique<SocketAdapter>();
    int events = 0;
    s->connect(kLoopback, peer.port());
    ASSERT_TRUE(waitUntil([&] { return s->state() == 7 && peer.last(); }));
    s->onClose = [&] { ++events; };
    s->onError = [&](const std::string&) { ++events; };
    s->onDataArrival = [&] { ++events; };
    peer.last()->write("late");
    s.reset();
    spin(100);
    EXPECT_EQ(events, 0);
}

} // namespace
} // namespace dcload::ui
