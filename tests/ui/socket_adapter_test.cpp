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

TEST(SocketAdapterStates, ClosedBeforeAnyConnect)
{
    SocketAdapter s;
    EXPECT_EQ(s.state(), 0);
    EXPECT_EQ(s.remoteHostIP(), "");
}

TEST(SocketAdapterStates, ConnectReachesConnectedAndReportsThePeer)
{
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, peer.port());
    const int during = s.state();
    EXPECT_TRUE(during == 4 || during == 6 || during == 7) << during;
    EXPECT_TRUE(r.events.empty()) << "the Connect event must come from the event loop";
    ASSERT_TRUE(waitUntil([&] { return r.count("connect") == 1; }));
    EXPECT_EQ(s.state(), 7);
    EXPECT_EQ(r.statesSeen.front(), 7);
    EXPECT_EQ(s.remoteHostIP(), kLoopback);
}

TEST(SocketAdapterStates, OwnCloseIsStateZeroAtOnceWithNoEvents)
{
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, peer.port());
    ASSERT_TRUE(waitUntil([&] { return s.state() == 7; }));
    spin(30);
    r.events.clear();
    s.close();
    EXPECT_EQ(s.state(), 0);
    spin(100);
    EXPECT_TRUE(r.events.empty()) << r.events.front();
    // Closing a closed socket is harmless.
    s.close();
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterStates, CloseWhileConnectingIsStateZeroAndSilent)
{
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, peer.port());
    s.close();
    EXPECT_EQ(s.state(), 0);
    spin(150);
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterErrors, RefusedConnectionIsLatchedErrorEndingInRejected)
{
    const int port = closedPort();
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, port);
    ASSERT_TRUE(waitUntil([&] { return r.count("error:") == 1; }));
    const std::string& e = r.events.back();
    ASSERT_GE(e.size(), 8u);
    EXPECT_EQ(e.substr(e.size() - 8), "rejected") << e;
    EXPECT_EQ(r.statesSeen.back(), 9);
    EXPECT_EQ(r.count("close"), 0);
    spin(100);
    EXPECT_EQ(s.state(), 9) << "the error state stays until close or connect";
    EXPECT_EQ(r.events.size(), 1u);
    s.close();
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterErrors, ConnectAfterAnErrorStartsAfresh)
{
    const int port = closedPort();
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, port);
    ASSERT_TRUE(waitUntil([&] { return s.state() == 9; }));
    s.connect(kLoopback, peer.port());
    EXPECT_NE(s.state(), 9);
    ASSERT_TRUE(waitUntil([&] { return s.state() == 7; }));
    EXPECT_EQ(r.count("connect"), 1);
}

TEST(SocketAdapterErrors, EmptyAddressEndsInAnErrorEvent)
{
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect("", closedPort());   // no host: fails before anything is sent
    ASSERT_TRUE(waitUntil([&] { return r.count("error:") == 1; }));
    EXPECT_EQ(s.state(), 9);
    EXPECT_GT(r.events.back().size(), std::string("error:").size());
}

TEST(SocketAdapterErrors, AnErrorQueuedBeforeOurCloseIsNeverDelivered)
{
    const int port = closedPort();
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    auto* inner = s.findChild<QTcpSocket*>();
    ASSERT_NE(inner, nullptr);
    // Runs right after the adapter heard the error, before the queued event is delivered.
    QObject::connect(inner, &QTcpSocket::errorOccurred, &s, [&s] { s.close(); });
    s.connect(kLoopback, port);
    spin(300);
    EXPECT_EQ(r.count("error:"), 0) << "a stale error would overwrite the closed state's text";
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterPeer, PeerHangUpIsACloseEventNotAnError)
{
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, peer.port());
    ASSERT_TRUE(waitUntil([&] { return s.state() == 7 && peer.last(); }));
    peer.last()->disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return r.count("close") == 1; }));
    EXPECT_EQ(r.count("error:"), 0);
    EXPECT_EQ(r.statesSeen.back(), 8) << "closing until the logger closes its side";
    spin(100);
    EXPECT_EQ(r.count("close"), 1);
    s.close();
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterPeer, DataSentJustBeforeTheHangUpArrivesFirst)
{
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, peer.port());
    ASSERT_TRUE(waitUntil([&] { return s.state() == 7 && peer.last(); }));
    peer.last()->write("0123456789ABCDEF0123456789ABCDEF");
    peer.last()->disconnectFromHost();
    ASSERT_TRUE(waitUntil([&] { return r.count("close") == 1; }));
    EXPECT_EQ(r.data, "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(r.events, (std::vector<std::string>{"connect", "data", "close"}));
}

TEST(SocketAdapterData, EveryByteValueTravelsBothWaysUnchanged)
{
    Peer peer;
    SocketAdapter s;
    Recorder r;
    r.attach(s);
    s.connect(kLoopback, peer.port());
    ASSERT_TRUE(waitUntil([&] { return s.state() == 7 && peer.last(); }));

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    peer.last()->write(all);
    ASSERT_TRUE(waitUntil([&] { return r.data.size() >= 256; }));
    EXPECT_EQ(r.data, std::string(all.constData(), 256));

    const std::string request = std::string("?\r", 2) + std::string("\0\xA9\xFF", 3);
    s.send(request);
    ASSERT_TRUE(waitUntil([&] { return peer.received.size() >= 5; }));
    EXPECT_EQ(peer.received, QByteArray(request.data(), 5));
}

TEST(SocketAdapterData, SendWhileClosedIsIgnored)
{
    SocketAdapter s;
    s.send("?\r");
    EXPECT_EQ(s.state(), 0);
}

TEST(SocketAdapterData, ArrivalsKeepComingInsideANestedWaitOfTheHandler)
{
    // A modal window opened from the data handler must not stop further data events.
    Peer peer;
    SocketAdapter s;
    int arrivals = 0;
    bool secondInsideFirst = false;
    s.onDataArrival = [&] {
        s.readAll();
        ++arrivals;
        if (arrivals == 1) {
            peer.last()->write("second");
            secondInsideFirst = nestedWaitUntil([&] { return arrivals >= 2; }, 2000);
        }
    };
    s.connect(kLoopback, peer.port());
    ASSERT_TRUE(waitUntil([&] { return s.state() == 7 && peer.last(); }));
    peer.last()->write("first");
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
