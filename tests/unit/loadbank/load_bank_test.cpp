// The load bank model: its data message, its discharge curve, the requests it answers, its
// record memory and the faults it makes on purpose.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "loadbank/load_bank.h"
#include "message_check.h"

namespace loadbank {
namespace {

std::string ask(LoadBank& lb, const std::string& request) {
    std::string out;
    for (const Answer& a : lb.receive(request))
        for (const Write& w : a.writes) out += w.bytes;
    return out;
}

Options quiet(void (*change)(Options&)) {
    Options o;
    o.recording = false;
    change(o);
    return o;
}

std::vector<int> downloadTimes(LoadBank& lb) {
    std::vector<int> times;
    for (std::string r; times.size() < 100000 && !(r = ask(lb, "Rf\r")).empty();) {
        EXPECT_TRUE(test::checksumOk(r)) << r;
        times.push_back(test::decode(r)->seconds);
    }
    return times;
}

TEST(Encode, ExactBytesAndChecksum) {
    const std::pair<std::array<double, 5>, const char*> table[] = {  // checksums worked out by hand
        {{4.00, 41.0, 420, 200, 21.0}, "010101000190019A01A400C800D200B4"},
        {{50.88, 50.0, 1, 0, -5.0}, "0101010013E001F400010000FFCE0037"},         // two's complement
        {{42.004, 49.96, 59.9, 99.99, 21.04}, "01010100106801F4003B006300D20006"},  // time, Ah truncate
        {{1000, 7000, 1e5, 7e4, -4000}, "01010100FFFFFFFFFFFFFFFF80000081"},        // held in range
        {{NAN, NAN, NAN, NAN, NAN}, "01010100000000000000000000000001"}};
    for (const auto& [v, text] : table)
        EXPECT_EQ(encodeDataMessage(quantize(v[0], v[1], v[2], v[3], v[4]), {{1, 1, 1, 0}, 0}), text);
    EXPECT_EQ(encodeDataMessage(quantize(48, 50, 3600, 50, 25.5), {{0xAB, 0xCD, 0xEF, 0x12}, 0x34}),
              "ABCDEF1212C001F40E10003200FF345B");
    const std::string bad = corruptChecksum(std::string(table[0].second) + "\r");
    EXPECT_FALSE(test::checksumOk(bad.substr(0, 32)));
    EXPECT_EQ(bad.substr(0, 30) + bad.substr(32), std::string(table[0].second).substr(0, 30) + "\r");
}

// Falls with a knee to the end voltage at the rated time and trips; then the voltage recovers a
// little while test time and amp-hours hold. The temperature creeps up and settles back.
TEST(Curve, KneeTripAndRecovery) {
    for (const BatteryOptions& b : {BatteryOptions{}, BatteryOptions{240, 120, 40, 2.1, 1.67, 0.1, 30},
                                    BatteryOptions{6, 2.5, 7, 2.15, 1.8, 0.15, -10}}) {
        const Discharge d(b);
        const double T = b.capacityAh / b.current * 3600.0, endVolts = b.cells * b.endCellVolts;
        ASSERT_NEAR(d.tripSeconds(), T, 1e-6);
        for (double t = T / 1000; t < T; t += T / 1000) {
            ASSERT_LE(d.at(t).volts, d.at(t - T / 1000).volts) << t;
            ASSERT_GT(d.at(t).celsius, d.at(t - T / 1000).celsius) << t;
        }
        const double middleDrop = d.at(0.45 * T).volts - d.at(0.55 * T).volts;
        EXPECT_GT(d.at(0.9 * T).volts - d.at(0.9999 * T).volts, 4 * middleDrop);  // the knee
        double last = endVolts;
        for (double off : {0.0, 60.0, 600.0, 86400.0}) {
            const Reading r = d.at(T + off);
            EXPECT_TRUE(!r.loadOn && r.amps == 0.0 && r.testSeconds == T) << off;
            EXPECT_GE(r.volts, last) << off;
            EXPECT_LE(r.volts, endVolts + b.cells * b.recoveryCellVolts + 1e-9);
            EXPECT_NEAR(r.ampHours, b.capacityAh, 1e-6);
            last = r.volts;
        }
        EXPECT_GT(last, endVolts + 0.5 * b.cells * b.recoveryCellVolts);
        EXPECT_LT(d.at(T + 7200).celsius, d.at(T).celsius);
    }
}

TEST(Memory, CountWrapAndOrderAfterAnEarlierTest) {
    // size, records left by an earlier test (one per 10 s), count reply, first and last test time
    const std::tuple<unsigned, unsigned, const char*, int, int> table[] = {
        {60, 0, "000000", 0, 0}, {60, 60, "000060", 10, 600}, {60, 72, "032780", 130, 720},
        {60, 120, "032768", 610, 1200}, {500, 501, "032769", 20, 5010}};
    for (auto [size, preload, count, first, last] : table) {
        Options o = quiet([](Options& p) { p.recordIntervalSeconds = 10; });
        o.memorySize = size, o.preloadRecords = preload;
        LoadBank lb(o);
        EXPECT_EQ(ask(lb, "#P\r"), count) << preload;
        const auto times = downloadTimes(lb);
        ASSERT_EQ(times.size(), std::min(size, preload));
        for (std::size_t i = 1; i < times.size(); ++i) ASSERT_EQ(times[i] - times[i - 1], 10);
        if (!times.empty()) { EXPECT_EQ(times.front() * 10000 + times.back(), first * 10000 + last) << preload; }
    }
}

// Requests end in CR, LF or both and may come in pieces; unknown ones get no answer.
TEST(Memory, StopRewindsStartWaitsAnIntervalClearKeepsRecording) {
    LoadBank lb(Options{});
    lb.advance(599);
    EXPECT_EQ(ask(lb, "#P\n"), "000009");
    lb.advance(1);
    EXPECT_EQ(ask(lb, "R"), "");
    EXPECT_EQ(test::decode(ask(lb, "f\r\n"))->seconds, 60);
    EXPECT_EQ(ask(lb, "#X\r"), "");  // stop: no answer, the download starts again
    lb.advance(600);
    EXPECT_EQ(ask(lb, "#G\r??\r#PX\rRF\r ?\r#\r\r\n\r"), "");
    lb.advance(59);
    EXPECT_EQ(downloadTimes(lb), (std::vector<int>{60, 120, 180, 240, 300, 360, 420, 480, 540, 600}));
    lb.advance(1);  // the first record one interval after the start
    EXPECT_EQ(ask(lb, "#P\r"), "000011");
    EXPECT_EQ(ask(lb, "#C\r#P\r"), "000000");
    lb.advance(60);
    EXPECT_EQ(ask(lb, "#P\r"), "000001");
}

TEST(Memory, OverwrittenRecordsAreSkippedAndTheLastRecordIsTheTrip) {
    Options o;
    o.memorySize = 3, o.preloadRecords = 3, o.recordIntervalSeconds = 10, o.startSeconds = 1000;
    LoadBank lb(o);
    EXPECT_EQ(test::decode(ask(lb, "Rf\r"))->seconds, 10);
    lb.advance(30);  // the earlier test's 20 and 30 are overwritten
    EXPECT_EQ(downloadTimes(lb), (std::vector<int>{1010, 1020, 1030}));
    o = Options{};
    o.recordIntervalSeconds = 1, o.battery.capacityAh = 10000;  // 200 hours
    LoadBank week(o);
    week.advanceTo(1e9);
    EXPECT_EQ(ask(week, "#P\r"), "032768");  // 720000 records are a whole number of laps of 60
    EXPECT_EQ(downloadTimes(week).back(), 65535);  // the trip at 720000 s, as far as 16 bits reach
}

// Per request: each write's size, "@ms" for a pause before it, "!" when the connection closes
// after it, joined by "+", then "b" for a bad checksum; "-" nothing written, "x" not even read.
std::string shape(LoadBank& lb, const std::string& script) {
    std::istringstream in(script);
    std::string out;
    for (std::string req; in >> req; out += " ") {
        if (req == "|") lb.connected();
        const auto answers = req == "|" ? std::vector<Answer>{} : lb.receive(req + "\r");
        out += req == "|" ? "|" : answers.empty() ? "x" : "";
        for (const Answer& a : answers) {
            std::string all;
            for (const Write& w : a.writes) {
                out += (all.empty() ? "" : "+") + std::to_string(w.bytes.size());
                out += (w.delayMs ? "@" + std::to_string(w.delayMs) : "") + (w.close ? "!" : "");
                all += w.bytes;
            }
            if (all.size() % 32 == 1) all.pop_back();  // the 33-character form
            const bool bad = all.size() >= 32 && all.size() % 32 == 0 && !test::checksumOk(all.substr(all.size() - 32));
            out += a.writes.empty() ? "-" : bad ? "b" : "";
        }
    }
    return out.substr(0, out.size() - 1);
}

TEST(Faults, ShapeOfWhatGoesOnTheWire) {
    const std::tuple<void (*)(FaultOptions&), const char*, const char*> table[] = {
        {[](FaultOptions&) {}, "? #P Rf Rf Rf #C", "32 6 32 32 - -"},
        {[](FaultOptions& f) { f.dropEvery = 3; }, "? ? #P ? ? ? | ? ? ?", "32 32 - 32 32 - | 32 32 -"},
        {[](FaultOptions& f) { f.corruptEvery = 2; }, "? #P ? Rf ? #P", "32 6 32b 32 32b 6"},
        {[](FaultOptions& f) { f.splitEvery = 2, f.splitPauseMs = 250; }, "? ? #P #P", "32 16+16@250 6 5+1@250"},
        {[](FaultOptions& f) { f.joinEvery = 2; }, "? ? ? #P ? #C", "32 - 64 - 38 -"},
        {[](FaultOptions& f) { f.closeAfter = 2; }, "? #C ? ? | ? ?", "32 - 32! x | 32 32!"},
        {[](FaultOptions& f) { f.replyDelayMs = 700, f.longFormExtra = '\r'; }, "? #P Rf", "33@700 6@700 33@700"},
        {[](FaultOptions& f) { f.corruptEvery = 1, f.longFormExtra = ' ', f.splitEvery = 1, f.splitAt = 30; }, "?", "30+3@200b"}};
    for (const auto& [set, script, expected] : table) {
        Options o = quiet([](Options& p) { p.preloadRecords = 2; });
        set(o.faults);
        LoadBank lb(o);
        EXPECT_EQ(shape(lb, script), expected) << script;
    }
}

}  // namespace
}  // namespace loadbank
