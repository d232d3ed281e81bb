// The simulator's TCP server over loopback as a plain client sees it, each test on a free port.
#include <gtest/gtest.h>

#include <chrono>

#include "message_check.h"
#include "net.h"
#include "server.h"

namespace loadbank {
namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<Server> serve(const FaultOptions& faults, double speed = 0) {
    ServerOptions s;
    s.port = 0, s.speed = speed, s.model.faults = faults;
    auto server = std::make_unique<Server>(s);
    server->start();
    return server;
}

// A connection to the server; ask() sends a request and reads until `want` bytes came, the
// server closed the connection (closed is then set) or ten seconds passed in silence.
struct Client {
    explicit Client(const Server& server) {
        sockaddr_in a{};
        a.sin_family = AF_INET, a.sin_port = htons(server.port()), a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) net::closeAndForget(fd);
    }
    ~Client() { net::closeAndForget(fd); }
    std::string ask(const std::string& request, std::size_t want) {
        ::send(fd, request.data(), static_cast<int>(request.size()), net::kSendFlags);
        std::string got(65536, '\0');
        std::size_t n = 0;
        for (net::PollFd p{fd, POLLIN, 0}; n < want && !closed && net::pollSockets(&p, 1, 10000) > 0;) {
            const auto r = ::recv(fd, got.data() + n, static_cast<int>(got.size() - n), 0);
            closed = r <= 0;
            n += closed ? 0 : static_cast<std::size_t>(r);
        }
        return got.substr(0, n);
    }
    net::Startup sockets;
    net::Socket fd = net::openSocket(SOCK_STREAM);
    bool closed = false;
};

TEST(Server, RefusesOrClosesAsAskedAndCountsAfreshOnEachConnection) {
    FaultOptions refusing, closing;
    refusing.refuseConnections = true, closing.closeAfter = 1;
    EXPECT_EQ(Client(*serve(refusing)).fd, net::kNoSocket);
    const auto server = serve(closing);
    for (int connection = 1; connection <= 2; ++connection) {
        Client c(*server);
        EXPECT_TRUE(test::checksumOk(c.ask("?\r", 32))) << connection;
        EXPECT_TRUE(c.ask("", 1).empty() && c.closed) << connection;
    }
}

TEST(Server, KeepsTheReplyDelayAndTheSplitPauseAndRunsAtTheSpeedFactor) {
    FaultOptions f;
    f.replyDelayMs = 300, f.splitEvery = 1, f.splitPauseMs = 300;
    const auto delaying = serve(f), quick = serve({}, 1000);
    Client late(*delaying), fast(*quick);
    const auto sent = Clock::now();
    EXPECT_TRUE(test::checksumOk(late.ask("?\r", 32)));
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(600));
    int seconds = 0; // 1000 test seconds a second: 100 come in a tenth of a second, not in 100
    while (seconds < 100 && Clock::now() < sent + std::chrono::seconds(30))
        if (const auto d = test::decode(fast.ask("?\r", 32))) seconds = d->seconds;
    EXPECT_GE(seconds, 100);
}

}  // namespace
}  // namespace loadbank
