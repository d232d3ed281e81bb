// Live monitoring end to end over loopback: Connect, readings, Disconnect, and the peers that
// misbehave. Every reply the load bank wrote must be in both files, byte-exact.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "server.h"
#include "ui/logger_app.h"
#include "ui/qt_wait.h"

namespace {

using dcload::ui::LoggerApp;
using dcload::ui::test::spin;
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

// The in-process load bank, with every write it put on the wire.
struct Peer {
    explicit Peer(loadbank::Options model = {}) {
        loadbank::ServerOptions o;
        o.port = 0;
        o.speed = 1.0;
        o.model = model;
        o.model.battery.capacityAh = 500;
        o.log = [this](const std::string& line) {
            const auto at = line.find("] -> \"");
            if (at == std::string::npos) return;
            const auto start = at + 6, end = line.find('"', start);
            std::lock_guard<std::mutex> lock(mutex);
            writes.push_back(line.substr(start, end - start));
        };
        server = std::make_unique<loadbank::Server>(o);
        server->start();
    }
    ~Peer() { server->stop(); }
    std::vector<std::string> written() {
        std::lock_guard<std::mutex> lock(mutex);
        return writes;
    }
    std::unique_ptr<loadbank::Server> server;
    std::mutex mutex;
    std::vector<std::string> writes;
};

class LoggerLink : public ::testing::Test {
protected:
    void SetUp() override {
        static int n = 0;
        folder = std::filesystem::temp_directory_path() /
                 ("dcload-link-" + std::to_string(::getpid()) + "-" + std::to_string(n++)) / "Results";
        std::filesystem::remove_all(folder.parent_path());
        std::filesystem::create_directories(folder);
        // The address box holds loopback before anything can dial.
        std::ofstream(folder / "ACIP.txt", std::ios::binary) << "127.0.0.1\r\n";
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
        std::filesystem::remove_all(folder.parent_path());
    }
    void startLogger(int port) {
        app = std::make_unique<LoggerApp>(folder.string(), port);
        app->start();
    }
    void connect() { app->handle([this] { app->form().cmdConnectClick(); }); }
    void disconnect() { app->handle([this] { app->form().cmdDisconnectClick(); }); }
    std::vector<std::string> resultLines(int n) { return crlfLines(readFile(folder / ("DC_Result_" + std::to_string(n) + ".txt"))); }
    std::vector<std::string> csvLines(int n) { return crlfLines(readFile(folder / ("DC_CSV_" + std::to_string(n) + ".csv"))); }

    std::filesystem::path folder;
    std::unique_ptr<LoggerApp> app;
    QTimer boxes;
    std::vector<std::string> boxTexts;
};

TEST_F(LoggerLink, ConnectLogsEveryReplyInBothFilesThenDisconnect) {
    Peer peer;
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return peer.written().size() >= 4; }, 8000));
    disconnect();
    spin(300);
    EXPECT_EQ(app->form().ctl.StatusBar1, "Socket Closed");

    const auto sent = peer.written();
    const auto result = resultLines(2);
    const auto csv = csvLines(2);
    ASSERT_EQ(result.size(), sent.size());
    ASSERT_EQ(csv.size(), sent.size());
    for (size_t i = 0; i < sent.size(); ++i) {
        ASSERT_EQ(sent[i].size(), 32u);
        // The message as written, its seconds since Connect, CR, then the line's CR LF.
        EXPECT_EQ(result[i].substr(0, 32), sent[i]);
        EXPECT_EQ(result[i].size(), 39u);
        EXPECT_EQ(result[i].back(), '\r');
        EXPECT_EQ(csv[i].substr(0, 7), result[i].substr(32, 6) + ",");
        EXPECT_EQ(std::count(csv[i].begin(), csv[i].end(), ','), 4);
    }
    EXPECT_EQ(readFile(folder / "DCCount.txt"), "2\r\n");
    EXPECT_FALSE(app->form().lblFileName.starts_with("Check Sum Error"));
}

TEST_F(LoggerLink, SplitRepliesAndCorruptChecksumsAreStillLogged) {
    loadbank::Options o;
    o.faults.splitEvery = 2;
    o.faults.splitPauseMs = 150;
    o.faults.corruptEvery = 3;
    Peer peer(o);
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return peer.written().size() >= 8; }, 10000));
    spin(400);
    disconnect();
    // Pieces of a split reply arrive as separate writes; the logger puts them back together.
    std::vector<std::string> replies;
    const auto sent = peer.written();
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i].size() < 32 && i + 1 < sent.size()) { replies.push_back(sent[i] + sent[i + 1]); ++i; }
        else if (sent[i].size() == 32) replies.push_back(sent[i]);
    }
    const auto result = resultLines(2);
    ASSERT_EQ(result.size(), replies.size());
    for (size_t i = 0; i < replies.size(); ++i) EXPECT_EQ(result[i].substr(0, 32), replies[i]);
}

TEST_F(LoggerLink, PeerThatClosesIsReportedAndNotRedialled) {
    loadbank::Options o;
    o.faults.closeAfter = 2;
    Peer peer(o);
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return app->form().ctl.StatusBar1 == "Server closed connection."; }, 8000));
    ASSERT_TRUE(waitUntil([&] { return app->form().ctl.StatusBar1 == "Socket Closed"; }, 3000));
    spin(1500);
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
    spin(1200); // the poll ticks leave the error text and show the waiting display
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
    spin(3500);
    EXPECT_EQ(app->form().ctl.StatusBar1, "Socket Connected");
    EXPECT_FALSE(std::filesystem::exists(folder / "DC_Result_2.txt"));
    // One "?" on the first connected tick; the ticks after it only count the silence.
    EXPECT_GE(app->form().silentTicks, 1);
    EXPECT_LE(app->form().silentTicks, 3);
}

TEST_F(LoggerLink, ReconnectWithoutDisconnectContinuesTheSameFiles) {
    Peer peer;
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return peer.written().size() >= 2; }, 6000));
    connect(); // Connect again, no Disconnect
    ASSERT_TRUE(waitUntil([&] { return peer.written().size() >= 4; }, 6000));
    disconnect();
    spin(200);
    EXPECT_EQ(peer.server->connectionsAccepted(), 2u);
    EXPECT_EQ(resultLines(2).size(), peer.written().size());
    EXPECT_FALSE(std::filesystem::exists(folder / "DC_Result_3.txt"));
}

} // namespace
