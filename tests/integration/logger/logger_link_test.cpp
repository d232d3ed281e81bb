// Live monitoring end to end over loopback: Connect, readings, Disconnect, and the peers that
// misbehave. Every reply the load bank wrote must be in both files, byte-exact.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "server.h"
#include "unit/loadbank/message_check.h"
#include "ui/logger_app.h"
#include "ui/qt_wait.h"

namespace {

using dcload::ui::LoggerApp;
using dcload::ui::test::waitUntil;

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
        out.push_back(text.substr(start, p - start));
    return out;
}

// The in-process load bank, with every answer it made.
struct Peer {
    explicit Peer(loadbank::Options model = {}) {
        loadbank::ServerOptions o;
        o.port = 0;
        o.model = model;
        o.model.battery.capacityAh = 500;
        o.onAnswer = [this](const loadbank::Answer& a) {
            std::lock_guard<std::mutex> lock(mutex);
            answers.push_back(a);
        };
        server = std::make_unique<loadbank::Server>(o);
        server->start();
    }
    ~Peer() { server->stop(); }
    // The readings sent whole and verifiable, in order: a lone whole reply even with a bad
    // checksum, else each reply of an answer that passes the strict test (a stray count aside).
    std::vector<std::string> readings(size_t length = 32) {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> out;
        for (const auto& a : answers) {
            std::string bytes;
            for (const auto& w : a.writes) bytes += w.bytes == "000012" ? "" : w.bytes;
            for (size_t i = 0; i + 32 <= bytes.size(); i += length)
                if ((a.writes.size() == 1 && bytes.size() == length) || loadbank::test::checksumOk(bytes.substr(i, 32)))
                    out.push_back(bytes.substr(i, 32));
        }
        return out;
    }
    std::unique_ptr<loadbank::Server> server;
    std::mutex mutex;
    std::vector<loadbank::Answer> answers;
};

class LoggerLink : public ::testing::Test {
protected:
    void SetUp() override {
        static int n = 0;
        root = std::filesystem::temp_directory_path() /
               ("dcload-link-" + std::to_string(::getpid()) + "-" + std::to_string(n++));
        std::filesystem::remove_all(root);
        useFolder(root / "Results");
        // Message boxes are answered with their default button.
        boxes.setInterval(50);
        QObject::connect(&boxes, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    boxTexts.push_back(box->text().toStdString());
                    box->done(box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::Ok);
                }
        });
        boxes.start();
    }
    void TearDown() override {
        app.reset();
        std::filesystem::remove_all(root);
    }
    void useFolder(const std::filesystem::path& f) {
        app.reset();
        folder = f;
        std::filesystem::create_directories(folder);
        // The address box holds loopback before anything can dial.
        std::ofstream(folder / "ACIP.txt", std::ios::binary) << "127.0.0.1\r\n";
    }
    // Waits until the files hold the last reading sent (and at least `least`) and disconnects.
    // Then every reading the load bank sent whole and verifiable is on disk once, in order, and
    // nothing else is; only an answer in flight when a connection closed may rightly be missing.
    void disconnectAndCheck(Peer& peer, size_t least, size_t length = 32, bool reconnected = false) {
        const auto settled = [&](auto lines, auto sent) { return lines.size() >= least && !sent.empty() && lines.back().substr(0, 32) == sent.back(); };
        EXPECT_TRUE(waitUntil([&] { return settled(resultLines(2), peer.readings(length)); }, 40000));
        disconnect();
        ASSERT_TRUE(waitUntil([&] { return app->form().ctl.StatusBar1 == "Socket Closed"; }, 5000));
        const auto sent = peer.readings(length);
        const auto result = resultLines(2), csv = csvLines(2);
        ASSERT_EQ(csv.size(), result.size());
        size_t j = 0, missedBefore = 0;
        for (size_t i = 0; i < result.size(); ++i) {
            while (j < sent.size() && sent[j] != result[i].substr(0, 32)) ++j, ++missedBefore;
            ASSERT_LT(j++, sent.size()) << "never sent, or out of order: " << result[i];
            // Nothing from the network changes the lines or items of the files.
            const std::string tail = result[i].size() == 40 ? "\r" : "";
            EXPECT_TRUE(std::regex_match(result[i], std::regex("[0-9A-F]{32}" + tail + "[0-9]{6}\r"))) << result[i];
            EXPECT_EQ(std::count(csv[i].begin(), csv[i].end(), ','), 4) << csv[i];
        }
        EXPECT_LE(missedBefore, reconnected ? 2u : 0u);
        EXPECT_LE(sent.size() - j, 2u); // in flight at Disconnect
    }
    void startLogger(int port) {
        app = std::make_unique<LoggerApp>(folder.string(), port);
        app->start();
    }
    void connect() { app->handle([this] { app->form().cmdConnectClick(); }); }
    void disconnect() { app->handle([this] { app->form().cmdDisconnectClick(); }); }
    std::vector<std::string> resultLines(int n) { return crlfLines(readFile(folder / ("DC_Result_" + std::to_string(n) + ".txt"))); }
    std::vector<std::string> csvLines(int n) { return crlfLines(readFile(folder / ("DC_CSV_" + std::to_string(n) + ".csv"))); }

    std::filesystem::path root, folder;
    std::unique_ptr<LoggerApp> app;
    QTimer boxes;
    std::vector<std::string> boxTexts;
};

TEST_F(LoggerLink, MisbehavingLoadBanksLoseNoVerifiableReadingAndInventNone) {
    using Faults = loadbank::FaultOptions;
    const auto extra = [](char c) { return [c](Faults& f) { f.longFormExtra = c; }; };
    const std::pair<const char*, std::function<void(Faults&)>> cases[] = {
        {"well behaved", [](Faults&) {}},
        {"cut reply, then every reply in 12 + 20", [](Faults& f) { f.cutFirst = 20, f.splitEvery = 1, f.splitAt = 12, f.splitPauseMs = 30; }},
        {"one byte at a time", [](Faults& f) { f.pieceSize = 1; }},
        {"trickled over 300 ms", [](Faults& f) { f.pieceSize = 1, f.piecePauseMs = 10; }},
        {"two replies in one write", [](Faults& f) { f.joinEvery = 2; }},
        {"bad checksums, whole and split", [](Faults& f) { f.corruptEvery = 1, f.splitEvery = 2, f.splitPauseMs = 100; }},
        {"stray count while live", [](Faults& f) { f.strayEvery = 1; }},
        {"33rd LF", extra('\n')}, {"33rd NUL", extra('\0')}, {"33rd comma", extra(',')},
        {"33rd quote", extra('"')}, {"33rd 0xFF", extra('\xFF')}, {"33rd CR", extra('\r')},
    };
    int n = 0;
    for (const auto& [name, set] : cases) {
        SCOPED_TRACE(name);
        useFolder(root / std::to_string(n++) / "Results");
        loadbank::Options o;
        set(o.faults);
        Peer peer(o);
        startLogger(peer.server->port());
        connect();
        disconnectAndCheck(peer, 3, o.faults.longFormExtra ? 33 : 32);
        EXPECT_EQ(app->form().flashRecordCount, 0);
        EXPECT_EQ(readFile(folder / "DCCount.txt"), "2\r\n");
    }
}

TEST_F(LoggerLink, PeerThatClosesIsReportedAndNotRedialled) {
    loadbank::Options o;
    o.faults.closeAfter = 2;
    Peer peer(o);
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return app->form().ctl.StatusBar1 == "Server closed connection."; }, 8000));
    ASSERT_TRUE(waitUntil([&] { return app->form().ctl.StatusBar1 == "Socket Closed"; }, 3000));
    const auto ticks = app->form().tickCount;
    ASSERT_TRUE(waitUntil([&] { return app->form().tickCount >= ticks + 2; }, 10000)); // ticks that could redial
    EXPECT_EQ(peer.server->connectionsAccepted(), 1u);
    EXPECT_EQ(resultLines(2).size(), 2u);
}

TEST_F(LoggerLink, RefusingPeerShowsTheBusyText) {
    loadbank::Options o;
    o.faults.refuseConnections = true;
    Peer peer(o);
    startLogger(peer.server->port());
    connect();
    EXPECT_TRUE(waitUntil([&] {
        return app->form().ctl.StatusBar1 ==
               "Socket may be in use by another user or busy. Please disconnect and try again later .....";
    }, 5000)) << app->form().ctl.StatusBar1;
    const auto ticks = app->form().tickCount;
    // The poll ticks leave the error text and show the waiting display.
    ASSERT_TRUE(waitUntil([&] { return app->form().tickCount >= ticks + 1; }, 10000));
    EXPECT_EQ(app->form().ctl.StatusBar1,
              "Socket may be in use by another user or busy. Please disconnect and try again later .....");
    EXPECT_TRUE(app->form().ctl.FrameData.visible);
}

TEST_F(LoggerLink, SilentPeerGetsOneRequestAndNoFiles) {
    loadbank::Options o;
    o.faults.silent = true;
    Peer peer(o);
    startLogger(peer.server->port());
    connect();
    // One "?" on the first connected tick; the ticks after it only count the silence.
    ASSERT_TRUE(waitUntil([&] { return app->form().silentTicks >= 2; }, 10000));
    EXPECT_EQ(app->form().ctl.StatusBar1, "Socket Connected");
    EXPECT_FALSE(std::filesystem::exists(folder / "DC_Result_2.txt"));
    { std::lock_guard<std::mutex> lock(peer.mutex); EXPECT_EQ(peer.answers.size(), 1u); }
}

TEST_F(LoggerLink, ReconnectWithoutDisconnectContinuesTheSameFiles) {
    Peer peer;
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return peer.readings().size() >= 2; }, 6000));
    connect(); // Connect again, no Disconnect
    disconnectAndCheck(peer, 4, 32, true);
    EXPECT_EQ(peer.server->connectionsAccepted(), 2u);
    EXPECT_FALSE(std::filesystem::exists(folder / "DC_Result_3.txt"));
}

} // namespace
