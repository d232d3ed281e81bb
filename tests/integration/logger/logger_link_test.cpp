// The whole logger over loopback against the simulator's server: every reading the load bank
// sent whole and verifiable lands in both files once, in order, whatever the peer does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "report/test_report.h"
#include "server.h"
#include "ui/logger_app.h"
#include "ui/qt_wait.h"
#include "unit/loadbank/message_check.h"

namespace {

namespace fs = std::filesystem;
using dcload::ui::test::waitUntil;
using Faults = loadbank::FaultOptions;

std::vector<std::string> lines(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::string> out;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        out.push_back(text.substr(start, end - start));
    return out;
}

// The in-process load bank with the readings it sent whole and verifiable, in order: a lone
// reply however it was packed, even with a bad checksum, else each reply whose checksum holds.
struct Peer {
    explicit Peer(const Faults& faults = {}, double speed = 1, double capacityAh = 500, double recordEvery = 60,
                  double startAt = 0)
        : length(faults.longFormExtra ? 33 : 32), extra(faults.longFormExtra) {
        loadbank::ServerOptions o;
        o.port = 0, o.model.battery.capacityAh = capacityAh, o.model.faults = faults, o.speed = speed;
        o.model.recordIntervalSeconds = recordEvery, o.model.startSeconds = startAt;
        o.onAnswer = [this](const loadbank::Answer& a) {
            std::string bytes;
            for (const auto& w : a.writes) bytes += w.bytes == "000012" ? "" : w.bytes; // a stray count
            std::lock_guard<std::mutex> lock(mutex);
            for (size_t i = 0; i + 32 <= bytes.size(); i += length)
                if (bytes.size() == length || loadbank::test::checksumOk(bytes.substr(i, 32)))
                    sent.push_back(bytes.substr(i, 32)), onSecond += server->connectionsAccepted() == 2;
        };
        server = std::make_unique<loadbank::Server>(o);
        server->start();
    }
    std::vector<std::string> readings() { std::lock_guard<std::mutex> lock(mutex); return sent; }
    const size_t length;
    const char extra;
    std::mutex mutex;
    std::vector<std::string> sent;
    size_t onSecond = 0; // readings sent on the second connection
    std::unique_ptr<loadbank::Server> server;
};

class LoggerLink : public ::testing::Test {
protected:
    void SetUp() override { // message boxes are answered with their default button
        QObject::connect(&boxes, &QTimer::timeout, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->done(box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::Ok);
        });
        boxes.start(50);
    }
    void TearDown() override { app.reset(), fs::remove_all(root); }
    // The logger in a fresh Results folder with loopback in the address box, connected to peer.
    void start(Peer& peer) {
        app.reset();
        folder = root / std::to_string(runs++) / "Results";
        fs::create_directories(folder);
        std::ofstream(folder / "ACIP.txt", std::ios::binary) << "127.0.0.1\r\n";
        app = std::make_unique<dcload::ui::LoggerApp>(folder.string(), peer.server->port());
        app->start();
        connect();
    }
    void connect() { app->handle([this] { app->form().cmdConnectClick(); }); }
    bool shows(const std::string& text, int ms = 20000) { return waitUntil([&] { return app->form().ctl.StatusBar1 == text; }, ms); }
    std::vector<std::string> result() { return lines(folder / "DC_Result_2.txt"); }
    // Every reading the peer sent is in both files once, in order, and nothing else is; only up
    // to `dropped` lost with a connection the logger closed, and up to `inFlight` at the end,
    // may be missing.
    void checkFiles(Peer& peer, size_t dropped, size_t inFlight) {
        const auto sent = peer.readings(), res = result(), csv = lines(folder / "DC_CSV_2.csv");
        ASSERT_EQ(csv.size(), res.size());
        size_t j = 0, missed = 0;
        for (size_t i = 0; i < res.size(); ++i, ++j) {
            while (j < sent.size() && sent[j] != res[i].substr(0, 32)) ++j, ++missed;
            ASSERT_LT(j, sent.size()) << "never sent, or out of order: " << res[i];
            const bool kept = peer.extra == '\r' || (peer.extra > ' ' && peer.extra < 127 && peer.extra != ',');
            EXPECT_EQ(res[i], res[i].substr(0, 32) + (kept ? std::string(1, peer.extra) : "") + res[i].substr(res[i].size() - 7));
            EXPECT_TRUE(std::regex_match(res[i], std::regex("[0-9A-F]{32}[\rA]?[0-9]{6}\r"))) << res[i];
            EXPECT_EQ(std::count(csv[i].begin(), csv[i].end(), ','), 4) << csv[i];
        }
        EXPECT_LE(missed, dropped);
        EXPECT_LE(sent.size() - j, inFlight);
        EXPECT_FALSE(fs::exists(folder / "DC_Result_3.txt"));
    }

    fs::path root = fs::temp_directory_path() / ("dcload-link-" + std::to_string(::getpid())), folder;
    int runs = 0;
    std::unique_ptr<dcload::ui::LoggerApp> app;
    QTimer boxes;
};

TEST_F(LoggerLink, MisbehavingLoadBanksLoseNoVerifiableReadingAndInventNone) {
    const std::pair<const char*, void (*)(Faults&)> cases[] = {
        {"well behaved", [](Faults&) {}},
        {"cut reply, then every reply in 12 + 20", [](Faults& f) { f.cutFirst = 20, f.splitEvery = 1, f.splitAt = 12, f.splitPauseMs = 30; }},
        {"trickled a byte at a time", [](Faults& f) { f.pieceSize = 1, f.piecePauseMs = 10; }},
        {"two replies in one write", [](Faults& f) { f.joinEvery = 2; }},
        {"bad checksums, whole and split", [](Faults& f) { f.corruptEvery = 1, f.splitEvery = 2, f.splitPauseMs = 100; }},
        {"stray count while live", [](Faults& f) { f.strayEvery = 1; }},
        {"33rd 0xFF", [](Faults& f) { f.longFormExtra = '\xFF'; }},
        {"33rd CR", [](Faults& f) { f.longFormExtra = '\r'; }},
        {"33rd A, in pieces of 20 + 13", [](Faults& f) { f.longFormExtra = 'A', f.splitEvery = 1, f.splitAt = 20; }},
        {"33rd CR a moment after the rest", [](Faults& f) { f.longFormExtra = '\r', f.splitEvery = 1, f.splitAt = 32, f.splitPauseMs = 50; }},
        {"300 baud", [](Faults& f) { f.pieceSize = 1, f.piecePauseMs = 33; }},
        {"halves 1.2 s apart", [](Faults& f) { f.splitEvery = 1, f.splitPauseMs = 1200; }},
        {"bad checksums a byte at a time", [](Faults& f) { f.corruptEvery = 1, f.pieceSize = 1; }},
    };
    for (const auto& [name, set] : cases) {
        SCOPED_TRACE(name);
        Faults f;
        set(f);
        Peer peer(f);
        start(peer);
        // Disconnect once three readings are logged; a reply may still be on its way then.
        ASSERT_TRUE(waitUntil([&] {
            const auto s = peer.readings(), r = result();
            return s.size() >= 3 && !r.empty() && r.back().substr(0, 32) == s.back();
        }, 60000));
        app->handle([this] { app->form().cmdDisconnectClick(); });
        ASSERT_TRUE(shows("Socket Closed"));
        checkFiles(peer, 0, 2);
    }
}

// Connect again while connected: the logger drops the old connection (and a reply in flight on
// it) and goes on in the same files. The load bank counts afresh on the new connection and
// closes it after its sixth reply: the logger reports that and does not dial again.
TEST_F(LoggerLink, ReconnectWithoutDisconnectContinuesTheSameFilesUntilThePeerCloses) {
    Faults f;
    f.closeAfter = 6;
    Peer peer(f);
    start(peer);
    app->form().link.reconnect = false;
    ASSERT_TRUE(waitUntil([&] { return peer.readings().size() >= 2; }, 20000));
    connect();
    ASSERT_TRUE(shows("Server closed connection.", 60000));
    ASSERT_TRUE(shows("Socket Closed"));
    const auto ticks = app->form().tickCount;
    ASSERT_TRUE(waitUntil([&] { return app->form().tickCount >= ticks + 2; }, 20000)); // ticks that could redial
    EXPECT_EQ(peer.server->connectionsAccepted(), 2u);
    { std::lock_guard<std::mutex> lock(peer.mutex); EXPECT_EQ(peer.onSecond, 6u); }
    checkFiles(peer, 2, 0);
}

// Hung up on every 20 replies through five minutes of test: the logger dials again each time and
// goes on in the same run's files; the stamps keep counting from the first Connect.
TEST_F(LoggerLink, HangUpsEveryTwentyRepliesAreBridgedInTheSameRun) {
    Faults f;
    f.closeAfter = 20;
    Peer peer(f, 6);
    start(peer);
    ASSERT_TRUE(waitUntil([&] { return peer.server->withModel([](auto& m) { return m.time(); }) >= 300 && peer.server->connectionsAccepted() >= 3; }, 200000));
    app->handle([this] { app->form().cmdDisconnectClick(); });
    checkFiles(peer, peer.server->connectionsAccepted() - 1, 2);
    const auto res = result();
    for (size_t i = 1; i < res.size(); ++i) EXPECT_LE(res[i - 1].substr(res[i - 1].size() - 7), res[i].substr(res[i].size() - 7)) << i;
    EXPECT_GE(res.size(), 45u);
}

// A test logged live to its end, then the load bank's memory downloaded into the same file
// without Disconnect: the report finds one test and its capacity, PASS, at real speed (the last
// 15 s of a 6-minute test, since the test time counts whole seconds) and at 60 times.
TEST_F(LoggerLink, LiveThenDownloadedReportsOneTestAtAnySpeed) {
    QObject::connect(&boxes, &QTimer::timeout, [] { // the trip's pause question: finish, readings go on
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "DialogDisconnect" && w->isVisible())
                if (auto* finish = w->findChild<QPushButton*>("CancelButton")) finish->click();
    });
    std::vector<double> capacities;
    for (const auto& [speed, capacityAh, recordEvery, startAt] :
         {std::tuple{1.0, 5.0, 5.0, 345.0}, std::tuple{60.0, 5.0, 60.0, 0.0}}) {
        SCOPED_TRACE(speed);
        Peer peer({}, speed, capacityAh, recordEvery, startAt);
        start(peer);
        dcload::report::BatteryTest rating;
        rating.rating = dcload::report::Rating::AmpHours, rating.rated = capacityAh;
        const auto file = folder / "DC_Result_2.txt";
        const auto report = [&] {
            std::ifstream in(file, std::ios::binary);
            return dcload::report::analyseRun(std::string{std::istreambuf_iterator<char>(in), {}}, rating);
        };
        ASSERT_TRUE(waitUntil([&] { return report().stoppedByLoadBank; }, 120000));
        const size_t live = result().size();
        app->handle([this] { app->form().cmdGetClick(); });
        ASSERT_TRUE(waitUntil([&] {
            const auto held = app->form().flashRecordCount;
            return held > 0 && result().size() >= live + static_cast<size_t>(held);
        }, 60000));
        const auto r = report();
        EXPECT_EQ(r.testCount, 1) << [&] { std::ifstream in(file, std::ios::binary); return std::string{std::istreambuf_iterator<char>(in), {}}; }();
        EXPECT_EQ(r.verdict, dcload::report::Verdict::Pass);
        ASSERT_TRUE(r.capacityPercent && r.reachedSeconds);
        capacities.push_back(*r.capacityPercent);
    }
    ASSERT_EQ(capacities.size(), 2u);
    RecordProperty("capacities", std::to_string(capacities[0]) + " " + std::to_string(capacities[1]));
    EXPECT_NEAR(capacities[0], capacities[1], 1.0) << capacities[0] << " against " << capacities[1];
}

} // namespace
