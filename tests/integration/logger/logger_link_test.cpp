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

std::string unquote(const std::string& q) {
    std::string out;
    for (size_t i = 0; i < q.size(); ++i) {
        if (q[i] != '\\' || i + 1 >= q.size()) { out += q[i]; continue; }
        const char c = q[++i];
        if (c == 'r') out += '\r';
        else if (c == 'n') out += '\n';
        else if (c == 'x' && i + 2 < q.size()) { out += static_cast<char>(std::stoi(q.substr(i + 1, 2), nullptr, 16)); i += 2; }
        else out += c;
    }
    return out;
}

bool verifiable(const std::string& m) {
    if (m.size() < 32 || m.find_first_not_of("0123456789ABCDEFabcdef") < 32) return false;
    unsigned x = 0;
    for (size_t k = 0; k < 30; k += 2) x ^= static_cast<unsigned>(std::stoi(m.substr(k, 2), nullptr, 16));
    return x == static_cast<unsigned>(std::stoi(m.substr(30, 2), nullptr, 16));
}

// The in-process load bank, with every request and write it logged.
struct Peer {
    explicit Peer(loadbank::Options model = {}) {
        loadbank::ServerOptions o;
        o.port = 0;
        o.speed = 1.0;
        o.model = model;
        o.model.battery.capacityAh = 500;
        o.log = [this](const std::string& line) {
            const bool write = line.find("] -> \"") != std::string::npos;
            const auto at = line.find(write ? "] -> \"" : "] <- \"");
            if (at == std::string::npos) return;
            size_t end = at + 6;
            while (end < line.size() && !(line[end] == '"' && line[end - 1] != '\\')) ++end;
            const std::string text = unquote(line.substr(at + 6, end - at - 6));
            std::lock_guard<std::mutex> lock(mutex);
            if (!write) answers.push_back({text, {}});
            if (write) writes.push_back(text);
            if (write && !answers.empty()) answers.back().writes.push_back(text);
        };
        server = std::make_unique<loadbank::Server>(o);
        server->start();
    }
    ~Peer() { server->stop(); }
    std::vector<std::string> written() {
        std::lock_guard<std::mutex> lock(mutex);
        return writes;
    }
    // The readings the load bank sent whole and verifiable, in order: from each answer's bytes
    // (a stray count dropped), a lone whole reply even with a bad checksum, else every reply
    // that passes the strict test.
    std::vector<std::string> readings(size_t replyLength = 32) {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string> out;
        for (const Answer& a : answers) {
            std::string bytes;
            for (const auto& w : a.writes)
                if (w != "000012") bytes += w;
            if (a.writes.size() == 1 && bytes.size() == replyLength) {
                out.push_back(bytes.substr(0, 32));
                continue;
            }
            for (size_t i = 0; i + 32 <= bytes.size(); i += replyLength)
                if (verifiable(bytes.substr(i, 32))) out.push_back(bytes.substr(i, 32));
        }
        return out;
    }
    int requests(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        return static_cast<int>(std::count_if(answers.begin(), answers.end(), [&](const Answer& a) { return a.request == text; }));
    }
    struct Answer {
        std::string request;
        std::vector<std::string> writes;
    };
    std::unique_ptr<loadbank::Server> server;
    std::mutex mutex;
    std::vector<std::string> writes;
    std::vector<Answer> answers;
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
    // Waits until the files hold every reading sent so far (at least `least`), then disconnects.
    void settleThenDisconnect(Peer& peer, size_t least, size_t replyLength = 32) {
        EXPECT_TRUE(waitUntil([&] {
            const size_t n = resultLines(2).size();
            return n >= least && n == peer.readings(replyLength).size();
        }, 40000)) << resultLines(2).size() << " of " << peer.readings(replyLength).size();
        disconnect();
        ASSERT_TRUE(waitUntil([&] { return app->form().ctl.StatusBar1 == "Socket Closed"; }, 5000));
    }
    // Every reading the load bank sent whole and verifiable is on disk once, in order, and
    // nothing else is. Only an answer in flight when the connection closed may rightly be
    // missing: at the end, or where a Connect closed it.
    void expectReadingsOnDisk(Peer& peer, size_t replyLength = 32, bool reconnected = false) {
        const auto sent = peer.readings(replyLength);
        const auto result = resultLines(2);
        EXPECT_EQ(csvLines(2).size(), result.size());
        size_t j = 0, missedBefore = 0;
        for (const auto& line : result) {
            while (j < sent.size() && sent[j] != line.substr(0, 32)) ++j, ++missedBefore;
            ASSERT_LT(j++, sent.size()) << "never sent, or out of order: " << line;
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

TEST_F(LoggerLink, ConnectLogsEveryReplyInBothFilesThenDisconnect) {
    Peer peer;
    startLogger(peer.server->port());
    connect();
    settleThenDisconnect(peer, 4);
    expectReadingsOnDisk(peer);
    const auto result = resultLines(2);
    const auto csv = csvLines(2);
    for (size_t i = 0; i < result.size(); ++i) {
        // The message as written, its seconds since Connect, CR, then the line's CR LF.
        EXPECT_EQ(result[i].size(), 39u);
        EXPECT_EQ(result[i].back(), '\r');
        EXPECT_EQ(csv[i].substr(0, 7), result[i].substr(32, 6) + ",");
        EXPECT_EQ(std::count(csv[i].begin(), csv[i].end(), ','), 4);
    }
    EXPECT_EQ(readFile(folder / "DCCount.txt"), "2\r\n");
    EXPECT_FALSE(app->form().lblFileName.starts_with("Check Sum Error"));
}

TEST_F(LoggerLink, MisbehavingLoadBanksLoseNoVerifiableReadingAndInventNone) {
    using Faults = loadbank::FaultOptions;
    struct Case {
        const char* name;
        std::function<void(Faults&)> set;
    };
    const auto extra = [](char c) { return [c](Faults& f) { f.longFormExtra = c; }; };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useFolder(root / std::to_string(n++) / "Results");
        loadbank::Options o;
        c.set(o.faults);
        const size_t length = o.faults.longFormExtra ? 33 : 32;
        Peer peer(o);
        startLogger(peer.server->port());
        connect();
        settleThenDisconnect(peer, 3, length);
        expectReadingsOnDisk(peer, length);
        // Nothing from the network changes the lines or items of the files.
        const std::string tail = o.faults.longFormExtra == '\r' ? "\r" : "";
        for (const auto& line : resultLines(2))
            EXPECT_TRUE(std::regex_match(line, std::regex("[0-9A-F]{32}" + tail + "[0-9]{6}\r"))) << line;
        for (const auto& line : csvLines(2)) EXPECT_EQ(std::count(line.begin(), line.end(), ','), 4) << line;
        EXPECT_EQ(app->form().flashRecordCount, 0);
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
    EXPECT_EQ(peer.requests("?"), 1);
}

TEST_F(LoggerLink, ReconnectWithoutDisconnectContinuesTheSameFiles) {
    Peer peer;
    startLogger(peer.server->port());
    connect();
    ASSERT_TRUE(waitUntil([&] { return peer.written().size() >= 2; }, 6000));
    connect(); // Connect again, no Disconnect
    settleThenDisconnect(peer, 4);
    EXPECT_EQ(peer.server->connectionsAccepted(), 2u);
    expectReadingsOnDisk(peer, 32, true);
    EXPECT_FALSE(std::filesystem::exists(folder / "DC_Result_3.txt"));
}

} // namespace
