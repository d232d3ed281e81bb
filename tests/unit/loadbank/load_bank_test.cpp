#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>

#include "loadbank/load_bank.h"
#include "message_check.h"

namespace loadbank {
namespace {

std::string wire(const std::vector<Answer>& answers) {
    std::string out;
    for (const Answer& a : answers)
        for (const Write& w : a.writes) out += w.bytes;
    return out;
}

std::string ask(LoadBank& lb, const std::string& request) { return wire(lb.receive(request + "\r")); }

Options quiet(void (*change)(Options&) = nullptr) {
    Options o;
    o.recording = false;
    if (change) change(o);
    return o;
}

// --- Requests --------------------------------------------------------------------

TEST(Requests, FoundWhateverTheLineEndsAndChunking) {
    const std::vector<std::pair<std::vector<std::string>, int>> table = {
        {{"?\r"}, 1}, {{"?\n"}, 1}, {{"?\r\n"}, 1}, {{"?\r?\r"}, 2}, {{"?\r\n?\r\n"}, 2}, {{"?", "\r"}, 1},
        {{"?\r", "\n", "?", "\r\n"}, 2}, {{"?"}, 0}, {{"\r\n\r\n\r"}, 0}, {{"?", "?\r"}, 0}};
    for (const auto& [chunks, replies] : table) {
        LoadBank lb(quiet());
        std::string got;
        for (const std::string& c : chunks) got += wire(lb.receive(c));
        EXPECT_EQ(got.size(), 32u * static_cast<unsigned>(replies)) << ::testing::PrintToString(chunks);
    }
}

TEST(Requests, PresentReadingIsOneDataMessageWithoutLineEnd) {
    LoadBank lb(quiet([](Options& o) { o.startSeconds = 420; }));
    const std::string reply = ask(lb, "?");
    ASSERT_TRUE(test::checksumOk(reply)) << reply;
    const auto d = test::decode(reply);
    EXPECT_EQ(d->seconds, 420);
    EXPECT_EQ(d->amps10, 500);
    EXPECT_EQ(d->ampHours, 5);  // 50 A for 7 minutes
    EXPECT_GT(d->temp10, 210);  // warming from 21.0, slowly
    EXPECT_LT(d->temp10, 220);
    EXPECT_EQ(reply.substr(0, 8), "01010100");
}

TEST(Requests, UnknownOnesGetNoAnswer) {
    LoadBank lb(quiet([](Options& o) { o.preloadRecords = 1; }));
    for (const char* r : {"??", "x", "#p", "rf", "RF", "? ", " ?", "#PX", "#", "Rf1", "\x01", "?\t"})
        EXPECT_EQ(ask(lb, r), "") << r;
    EXPECT_EQ(lb.memory().count(), 1u);
}

TEST(Requests, RandomBytesNeverCrashAndOnlyGoodRepliesComeBack) {
    LoadBank lb(Options{});
    std::mt19937 rng(7);
    const char alphabet[] = "?#PCXGRf\r\n\x00\xFF";
    for (int i = 0; i < 20000; ++i) {
        std::string chunk;
        for (int n = static_cast<int>(rng() % (i % 100 == 0 ? 500 : 8)); n > 0; --n)
            chunk.push_back(alphabet[rng() % 12]);
        for (const Answer& a : lb.receive(chunk)) {
            if (a.reply.size() == 32) ASSERT_TRUE(test::checksumOk(a.reply)) << a.reply;
            else ASSERT_TRUE(a.reply.empty() || a.reply.size() == 6) << a.reply;
        }
        lb.advance(rng() % 100);
    }
    EXPECT_EQ(wire(lb.receive("\r?\r")).size(), 32u);  // overlong lines were thrown away, not kept
}

// --- Memory ------------------------------------------------------------------------

std::vector<int> downloadTimes(LoadBank& lb) {
    std::vector<int> times;
    for (std::string r; times.size() < 100000 && !(r = ask(lb, "Rf")).empty();) {
        EXPECT_TRUE(test::checksumOk(r)) << r;
        times.push_back(test::decode(r)->seconds);
    }
    return times;
}

TEST(Memory, RecordsEveryIntervalOldestFirstAndNothingAfterTheNewest) {
    LoadBank lb(Options{});
    lb.advance(599);
    EXPECT_EQ(ask(lb, "#P"), "000009");
    lb.advance(1);
    EXPECT_EQ(ask(lb, "#P"), "000010");
    EXPECT_EQ(downloadTimes(lb), (std::vector<int>{60, 120, 180, 240, 300, 360, 420, 480, 540, 600}));
    EXPECT_EQ(ask(lb, "Rf"), "");
    EXPECT_EQ(ask(lb, "#P"), "000010");  // and the download starts again
    EXPECT_EQ(downloadTimes(lb).size(), 10u);
}

TEST(Memory, CountWrapAndOrderAfterAnEarlierTest) {
    // size, records left by an earlier test (one per 10 s), count reply, first and last test time
    const std::tuple<unsigned, unsigned, const char*, int, int> table[] = {
        {60, 0, "000000", 0, 0},        {60, 12, "000012", 10, 120},    {60, 60, "000060", 10, 600},
        {60, 72, "032780", 130, 720},   {60, 65, "032773", 60, 650},    {60, 120, "032768", 610, 1200},
        {500, 501, "032769", 20, 5010}, {1, 3, "032768", 30, 30}};
    for (auto [size, preload, count, first, last] : table) {
        Options o = quiet();
        o.recordIntervalSeconds = 10, o.memorySize = size, o.preloadRecords = preload;
        LoadBank lb(o);
        SCOPED_TRACE(preload);
        EXPECT_EQ(ask(lb, "#P"), count);
        const auto times = downloadTimes(lb);
        EXPECT_EQ(times.size(), std::min(size, preload));
        if (times.empty()) continue;
        EXPECT_EQ(times.front(), first);
        EXPECT_EQ(times.back(), last);
        for (std::size_t i = 1; i < times.size(); ++i) ASSERT_EQ(times[i] - times[i - 1], 10);
    }
}

TEST(Memory, RecordsOverwrittenDuringADownloadAreSkipped) {
    Options o;
    o.memorySize = 3, o.preloadRecords = 3, o.recordIntervalSeconds = 10, o.startSeconds = 1000;
    LoadBank lb(o);
    EXPECT_EQ(test::decode(ask(lb, "Rf"))->seconds, 10);
    lb.advance(30);  // the earlier test's 20 and 30 are overwritten
    EXPECT_EQ(downloadTimes(lb), (std::vector<int>{1010, 1020, 1030}));
    lb.advance(10);  // stored after the download ended: the next request picks it up
    EXPECT_EQ(test::decode(ask(lb, "Rf"))->seconds, 1040);
}

TEST(Memory, ClearStopAndStart) {
    LoadBank lb(Options{});
    lb.advance(180);
    EXPECT_EQ(ask(lb, "#X"), "");  // stop: no answer, download rewound
    lb.advance(600);
    EXPECT_EQ(ask(lb, "#P"), "000003");
    EXPECT_EQ(ask(lb, "#G"), "");
    lb.advance(59);
    EXPECT_EQ(ask(lb, "#P"), "000003");
    lb.advance(1);  // the first record one interval after the start
    EXPECT_EQ(downloadTimes(lb), (std::vector<int>{60, 120, 180, 840}));
    EXPECT_EQ(ask(lb, "#C"), "");
    EXPECT_EQ(ask(lb, "#P"), "000000");
    EXPECT_EQ(ask(lb, "Rf"), "");
    lb.advance(60);
    EXPECT_EQ(ask(lb, "#P"), "000001");  // clearing does not stop recording
}

TEST(Memory, RecordingEndsWithOneRecordAtTheTrip) {
    Options o;
    o.memorySize = 1000;
    LoadBank lb(o);
    lb.advance(7200 + 3600);
    EXPECT_EQ(ask(lb, "#P"), "000120");  // 60 ... 7140, then the trip at 7200
    std::string last;
    for (std::string r; !(r = ask(lb, "Rf")).empty();) last = r;
    const auto d = test::decode(last);
    EXPECT_EQ(d->seconds, 7200);
    EXPECT_EQ(d->amps10, 0);
    EXPECT_EQ(d->volts100, 4200);
    EXPECT_EQ(d->ampHours, 100);
}

TEST(Memory, AHugeJumpInTimeIsQuickAndConsistent) {
    Options o;
    o.recordIntervalSeconds = 1;
    o.battery.capacityAh = 10000;  // 200 hours: 720000 records
    LoadBank lb(o);
    const auto t0 = std::chrono::steady_clock::now();
    lb.advanceTo(1e9);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(200));
    EXPECT_EQ(ask(lb, "#P"), "032768");  // 720000 is a whole number of laps of 60
    const auto times = downloadTimes(lb);
    ASSERT_EQ(times.size(), 60u);
    EXPECT_EQ(times.back(), 65535);  // the trip at 720000 s, as far as 16 bits reach
}

// --- Faults on purpose ---------------------------------------------------------------

// One token per request: "-" nothing written, "x" not even read (connection closing);
// otherwise each write's size, "@ms" for a pause before it, "!" when the connection closes
// after it, joined by "+", then "b" if a data message came out with a bad checksum.
// "|" in a script is a new connection.
std::string shape(LoadBank& lb, const std::string& script) {
    std::istringstream in(script);
    std::string out, req;
    while (in >> req) {
        if (req == "|") {
            lb.connected();
            out += "| ";
            continue;
        }
        const auto answers = lb.receive(req + "\r");
        if (answers.empty()) out += "x";
        for (const Answer& a : answers) {
            if (a.writes.empty()) out += "-";
            std::string all;
            for (std::size_t i = 0; i < a.writes.size(); ++i) {
                const Write& w = a.writes[i];
                out += (i ? "+" : "") + std::to_string(w.bytes.size());
                if (w.delayMs) out += "@" + std::to_string(w.delayMs);
                if (w.close) out += "!";
                all += w.bytes;
            }
            if (all.size() % 32 == 1) all.pop_back();  // the 33-character form
            if (all.size() >= 32 && all.size() % 32 == 0 && !test::checksumOk(all.substr(all.size() - 32))) out += "b";
        }
        out += " ";
    }
    out.pop_back();
    return out;
}

struct FaultCase {
    const char* name;
    void (*set)(FaultOptions&);
    const char* script;
    const char* expected;
};

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, ShapeOfWhatGoesOnTheWire) {
    Options o = quiet();
    o.preloadRecords = 2;
    GetParam().set(o.faults);
    LoadBank lb(o);
    EXPECT_EQ(shape(lb, GetParam().script), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Faults, ::testing::Values(
    FaultCase{"None", [](FaultOptions&) {}, "? #P Rf Rf Rf #C", "32 6 32 32 - -"},
    FaultCase{"Silent", [](FaultOptions& f) { f.silent = true; }, "? #P Rf", "- - -"},
    FaultCase{"DropEvery3", [](FaultOptions& f) { f.dropEvery = 3; }, "? ? #P ? ? ?", "32 32 - 32 32 -"},
    FaultCase{"DropCertain", [](FaultOptions& f) { f.dropChance = 1; }, "? #P", "- -"},
    FaultCase{"CorruptEvery2DataOnly", [](FaultOptions& f) { f.corruptEvery = 2; }, "? #P ? Rf ? #P",
              "32 6 32b 32 32b 6"},
    FaultCase{"CorruptCertain", [](FaultOptions& f) { f.corruptChance = 1; }, "? Rf #P", "32b 32b 6"},
    FaultCase{"SplitEvery2", [](FaultOptions& f) { f.splitEvery = 2, f.splitPauseMs = 250; }, "? ? #P #P",
              "32 16+16@250 6 5+1@250"},
    FaultCase{"JoinEvery2", [](FaultOptions& f) { f.joinEvery = 2; }, "? ? ? #P ? #C", "32 - 64 - 38 -"},
    FaultCase{"CloseAfter2", [](FaultOptions& f) { f.closeAfter = 2; }, "? #C ? ? | ? ?", "32 - 32! x | 32 32!"},
    FaultCase{"CloseOnDropped", [](FaultOptions& f) { f.closeAfter = 1, f.dropEvery = 1; }, "?", "0!"},
    FaultCase{"CloseFlushesHeld", [](FaultOptions& f) { f.closeAfter = 1, f.joinEvery = 1; }, "?", "32!"},
    FaultCase{"Delay", [](FaultOptions& f) { f.replyDelayMs = 700; }, "? #P #C", "32@700 6@700 -"},
    FaultCase{"LongForm", [](FaultOptions& f) { f.longFormExtra = '\r'; }, "? #P Rf", "33 6 33"},
    FaultCase{"CountsRestartPerConnection", [](FaultOptions& f) { f.dropEvery = 2; }, "? ? ? | ? ? ?",
              "32 - 32 | 32 - 32"},
    FaultCase{"Combined", [](FaultOptions& f) {
                  f.corruptEvery = 1, f.longFormExtra = ' ', f.splitEvery = 1, f.splitAt = 30, f.replyDelayMs = 5;
              }, "?", "30@5+3@200b"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FaultBytes, SplitJoinAndLongFormKeepTheReplyIntact) {
    LoadBank lb(quiet([](Options& o) { o.faults.splitEvery = 1, o.faults.longFormExtra = '\r'; }));
    const Answer split = lb.receive("?\r")[0];
    EXPECT_EQ(split.writes[0].bytes + split.writes[1].bytes, lb.presentMessage() + "\r");

    LoadBank joining(quiet([](Options& o) { o.faults.joinEvery = 1; }));
    const std::string first = joining.receive("?\r")[0].reply;
    joining.advance(100);
    EXPECT_EQ(ask(joining, "?"), first + joining.presentMessage());
}

TEST(FaultBytes, ChanceFaultsRepeatWithTheSeed) {
    auto run = [](std::uint32_t seed) {
        Options o = quiet();
        o.faults.dropChance = 0.5, o.faults.corruptChance = 0.3, o.faults.seed = seed;
        LoadBank lb(o);
        std::string script;
        for (int i = 0; i < 1000; ++i) script += "? ";
        return shape(lb, script);
    };
    const std::string a = run(7);
    EXPECT_EQ(a, run(7));
    EXPECT_NE(a, run(8));
    const auto dropped = std::count(a.begin(), a.end(), '-');
    EXPECT_GT(dropped, 400);
    EXPECT_LT(dropped, 600);
    EXPECT_GT(std::count(a.begin(), a.end(), 'b'), 100);
}

TEST(FaultBytes, RefuseConnectionsAndBadOptions) {
    EXPECT_TRUE(LoadBank(quiet()).acceptsConnections());
    EXPECT_FALSE(LoadBank(quiet([](Options& o) { o.faults.refuseConnections = true; })).acceptsConnections());
    for (auto change : std::vector<void (*)(Options&)>{
             [](Options& o) { o.recordIntervalSeconds = 0; }, [](Options& o) { o.memorySize = 40000; },
             [](Options& o) { o.startSeconds = -1; }, [](Options& o) { o.faults.dropChance = 1.5; },
             [](Options& o) { o.faults.splitEvery = -1; }, [](Options& o) { o.faults.splitAt = 0; }}) {
        EXPECT_THROW(LoadBank{quiet(change)}, std::invalid_argument);
    }
}

}  // namespace
}  // namespace loadbank
