// The simulator's TCP server over real loopback sockets, each test on a free port of its own.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "loopback.h"
#include "message_check.h"
#include "server.h"

namespace loadbank {
namespace {

using test::LoopbackClient;
using test::msSince;

ServerOptions frozen(void (*change)(Options&) = nullptr) {
    ServerOptions s;
    s.port = 0;   // any free port
    s.speed = 0;  // test clock held, so a twin model knows what must arrive
    s.model.startSeconds = 420;
    s.model.preloadRecords = 3;
    if (change) change(s.model);
    return s;
}

std::unique_ptr<Server> running(const ServerOptions& s) {
    auto server = std::make_unique<Server>(s);
    server->start();
    return server;
}

TEST(Server, AnswersByteForByteWhatTheModelSays) {
    const ServerOptions s = frozen();
    auto server = running(s);
    LoadBank twin(s.model);
    const std::string script = "?\r#P\rRf\r\nRf\nRf\rRf\r#X\r#P\r?\r#C\r#P\rRf\rbogus\r";
    std::string expected;
    for (const Answer& a : twin.receive(script))
        for (const Write& w : a.writes) expected += w.bytes;
    ASSERT_EQ(expected.size(), 32u + 6 + 3 * 32 + 6 + 32 + 6);

    LoopbackClient c(server->port());
    ASSERT_TRUE(c.send(script));
    EXPECT_EQ(c.read(300), expected);
}

TEST(Server, SplitRepliesArriveAsTwoWritesWithThePauseBetween) {
    auto server = running(frozen([](Options& o) { o.faults.splitEvery = 1, o.faults.splitPauseMs = 300; }));
    LoopbackClient c(server->port());
    c.send("?\r");
    const auto first = c.readChunk(1000);
    const auto t = test::Clock::now();
    const auto second = c.readChunk(1000);
    ASSERT_TRUE(first && second);
    EXPECT_GE(msSince(t), 200);
    EXPECT_EQ(first->size(), 16u);
    EXPECT_TRUE(test::checksumOk(*first + *second));
}

TEST(Server, JoinedRepliesArriveInOneWrite) {
    auto server = running(frozen([](Options& o) { o.faults.joinEvery = 1; }));
    LoopbackClient c(server->port());
    c.send("?\r");
    EXPECT_FALSE(c.readChunk(300).has_value());  // held back
    c.send("#P\r");
    const auto joined = c.readChunk(1000);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->size(), 38u);
    EXPECT_EQ(joined->substr(32), "000003");
}

TEST(Server, DelaysReplies) {
    auto server = running(frozen([](Options& o) { o.faults.replyDelayMs = 300; }));
    LoopbackClient c(server->port());
    const auto sent = test::Clock::now();
    c.send("?\r");
    EXPECT_EQ(c.read(2000, 32).size(), 32u);
    EXPECT_GE(msSince(sent), 280);
}

TEST(Server, RefusesConnectionsWhenAsked) {
    auto server = running(frozen([](Options& o) { o.faults.refuseConnections = true; }));
    ASSERT_NE(server->port(), 0);
    LoopbackClient c(server->port());
    EXPECT_EQ(c.error(), net::kConnectionRefused);
}

TEST(Server, ClosesAfterNRepliesAndTakesTheNextConnection) {
    auto server = running(frozen([](Options& o) { o.faults.closeAfter = 2; }));
    {
        LoopbackClient c(server->port());
        c.send("?\r");
        EXPECT_EQ(c.read(1000, 32).size(), 32u);
        c.send("?\r");
        EXPECT_EQ(c.read(1000, 32).size(), 32u);
        EXPECT_EQ(c.readChunk(1000), "");  // closed by the load bank
    }
    LoopbackClient again(server->port());
    again.send("#P\r");
    EXPECT_EQ(again.read(1000, 6), "000003");
}

TEST(Server, ANewConnectionReplacesTheOldOne) {
    auto server = running(frozen());
    LoopbackClient first(server->port());
    first.send("?\r");
    ASSERT_EQ(first.read(1000, 32).size(), 32u);
    LoopbackClient second(server->port());
    second.send("#P\r");
    EXPECT_EQ(second.read(1000, 6), "000003");
    EXPECT_EQ(first.readChunk(1000), "");
}

TEST(Server, GarbageAndHangUpsWithRepliesPendingDoNotStopIt) {
    auto server = running(frozen([](Options& o) { o.faults.replyDelayMs = 200; }));
    LoopbackClient(server->port()).send("?\r?\r?\r");  // gone before the replies are due
    LoopbackClient c(server->port());
    std::mt19937 rng(3);
    std::string junk(200000, '\0');
    for (char& ch : junk) ch = static_cast<char>(rng() & 0xFF);
    c.send(junk + "\r#C\r#P\r");
    const std::string tail = c.read(600);
    ASSERT_GE(tail.size(), 6u);
    EXPECT_EQ(tail.substr(tail.size() - 6), "000000");
}

TEST(Server, RepliesPilingUpUnsentDropTheConnectionInsteadOfGrowing) {
    auto server = running(frozen([](Options& o) { o.faults.replyDelayMs = 60000; }));
    LoopbackClient flood(server->port());
    std::string requests;
    for (int i = 0; i < 200'000; ++i) requests += "?\r";  // 6.4 MB of replies held back
    std::thread writer([&] { flood.send(requests); });
    const auto t = test::Clock::now();
    EXPECT_EQ(flood.readChunk(5000), "");
    writer.join();
    EXPECT_LT(msSince(t), 5000);
    LoopbackClient next(server->port());
    while (server->connectionsAccepted() < 2 && msSince(t) < 7000)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(server->connectionsAccepted(), 2u);
}

TEST(Server, TestTimeRunsAtTheSpeedFactor) {
    ServerOptions s = frozen();
    s.speed = 1000, s.model.startSeconds = 0;
    auto server = running(s);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    LoopbackClient c(server->port());
    c.send("?\r");
    const auto d = test::decode(c.read(1000, 32));
    ASSERT_TRUE(d);
    EXPECT_GE(d->seconds, 200);  // about 300 s of test time
    EXPECT_LT(d->seconds, 5000);
    EXPECT_GE(server->withModel([](LoadBank& m) { return m.memory().count(); }), 3u + 3);  // one per 60 s
}

TEST(Server, LogsOneLinePerRequestAndReplyAndStopsPromptly) {
    ServerOptions s = frozen();
    auto lines = std::make_shared<std::vector<std::string>>();
    auto mu = std::make_shared<std::mutex>();
    s.log = [lines, mu](const std::string& l) {
        std::lock_guard<std::mutex> g(*mu);
        lines->push_back(l);
    };
    auto server = running(s);
    LoopbackClient c(server->port());
    c.send("?\r#C\r");
    const std::string reply = c.read(300);
    const auto t = test::Clock::now();
    server->stop();
    EXPECT_LT(msSince(t), 1000);
    EXPECT_EQ(c.readChunk(1000), "");
    std::lock_guard<std::mutex> g(*mu);
    std::string all;
    for (const auto& l : *lines) all += l + "\n";
    for (const std::string& needle : {std::string("connected from 127.0.0.1:"), std::string("<- \"?\"\n"),
                                      "-> \"" + reply + "\"\n", std::string("<- \"#C\"  (no answer)\n")})
        EXPECT_NE(all.find(needle), std::string::npos) << needle << " in\n" << all;
    EXPECT_EQ(lines->size(), 4u);
}

}  // namespace
}  // namespace loadbank
