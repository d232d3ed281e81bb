// Test doubles for the logger's platform: a virtual clock with timers that can run hours in
// milliseconds, a scripted socket, and scripted dialogs that can deliver other events while
// they are "open". VirtualLogger wires them to a Form1 in a temporary Results folder.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "app/platform.h"

namespace dcload::test {

class EventLoop;

class VirtualClock : public Clock {
public:
    double seconds() const override { return ms / 1000.0; }
    std::string wallClock() const override { return wall; }
    long long ms = 0;
    std::string wall;
};

class FakeTimer : public Timer {
public:
    FakeTimer(EventLoop& loop, TimerId id) : loop_(loop), id_(id) {}
    int interval() const override { return interval_; }
    void setInterval(int ms) override {
        interval_ = ms;
        if (enabled_) arm();
    }
    bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override {
        if (on != enabled_) {
            enabled_ = on;
            arm();
        }
    }
    long long due() const { return due_; }   // -1: never
    TimerId id() const { return id_; }
    void fired() { due_ = enabled_ && interval_ > 0 ? due_ + interval_ : -1; } // re-arm after a tick
private:
    void arm();
    EventLoop& loop_;
    TimerId id_;
    int interval_ = 0;
    bool enabled_ = false;
    long long due_ = -1;
};

// Socket double. connect() goes to state 6 and completes after connectDelayMs (state 7 and the
// Connect event), or fails with an Error event when refuse is set.
class FakeSocket : public Socket {
public:
    explicit FakeSocket(EventLoop& loop) : loop_(loop) {}
    int state() const override { return state_; }
    void connect(const std::string& host, int port) override;
    void close() override { ++closes; ++generation; state_ = 0; inbox.clear(); }
    void send(const std::string& text) override {
        sent.push_back(text);
        if (onSend) onSend(text);
    }
    std::string readAll() override { return std::exchange(inbox, {}); }
    std::string remoteHostIP() const override { return "127.0.0.1"; }

    // Peer side, delivered through the event loop after `delayMs`.
    void deliver(const std::string& data, long long delayMs = 0) {
        later(delayMs, true, [this, data] { inbox += data; form->tcpClientDataArrival(); });
    }
    void peerClose(long long delayMs = 0) { later(delayMs, true, [this] { form->tcpClientClose(); }); }
    void fail(const std::string& description, long long delayMs = 0) {
        later(delayMs, false, [this, description] { state_ = 9; form->tcpClientError(description); });
    }

    std::vector<std::string> sent;           // every send, in order
    std::vector<std::pair<std::string, int>> connects; // host, port of every connect
    int closes = 0;
    bool refuse = false;                     // connect fails "... rejected"
    bool silent = false;                     // connect never completes (stays 6)
    long long connectDelayMs = 5;
    std::function<void(const std::string&)> onSend; // the peer, e.g. a load bank model
    std::string inbox;
    int state_ = 0;
    int generation = 0;                      // bumped by close/connect: stale events are dropped
    Form1* form = nullptr;
private:
    // Runs fn after delayMs unless the connection changed meanwhile (or, if open, is not open).
    void later(long long delayMs, bool open, std::function<void()> fn);
    EventLoop& loop_;
};

struct MessageBoxCall { std::string text, title; Icon icon; Buttons buttons; DefaultButton def; };

class ScriptedDialogs : public Dialogs {
public:
    explicit ScriptedDialogs(EventLoop& loop) : loop_(loop) {}
    Answer messageBox(const std::string& text, const std::string& title, Icon icon,
                      Buttons buttons, DefaultButton def) override;
    // Recorded with the boxes; it returns at once, as the real one does.
    void notice(const std::string& text, const std::string& title, Icon icon) override {
        boxes.push_back({text, title, icon, Buttons::OK, DefaultButton::First});
    }
    void updateNotice(const std::string& text, Icon) override { updates.push_back(text); }
    void showPauseDialog() override;
    void closePauseDialog() override { pauseOpen = false; }
    void showFileDialog() override {
        if (form) form->form2Activate();
        if (onFileDialog) onFileDialog();
    }
    void closeFileDialog() override {}
    void showAbout() override { ++aboutShown; }

    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> updates;        // notices replaced once their problem was over
    std::deque<Answer> answers;              // next answers; empty: the default button
    std::function<void()> onPauseDialog;     // runs while the pause dialog is "open"
    std::function<void()> onFileDialog;      // runs while Form2 is "open"
    bool pauseOpen = false;
    int pauseShown = 0;
    int aboutShown = 0;
    Form1* form = nullptr;
private:
    EventLoop& loop_;
};

// Records what the logger asked of the desktop, one line per call ("awake 1", "notify Title|text",
// "flash", "run cmd event|text").
class RecordingDesktop : public Desktop {
public:
    bool keepAwake(bool on) override { calls.push_back(on ? "awake 1" : "awake 0"); return canKeepAwake; }
    void notify(const std::string& title, const std::string& text) override { calls.push_back("notify " + title + "|" + text); }
    void flashTaskBar() override { calls.push_back("flash"); }
    void runEventCommand(const std::string& cmd, const std::string& event, const std::string& text) override {
        calls.push_back("run " + cmd + " " + event + "|" + text);
    }
    std::vector<std::string> calls;
    bool canKeepAwake = true;
};

// The virtual event loop: timers and scheduled socket events in time order, re-entrant so a
// modal wait can run it nested.
class EventLoop {
public:
    VirtualClock clock;
    std::function<void(TimerId)> onTimer;
    void schedule(long long atMs, std::function<void()> fn) { events_.emplace(atMs, std::move(fn)); }
    // Runs every timer tick and event due up to now + ms, then sets the clock there.
    void advance(long long ms);
    void runUntil(const std::function<bool()>& done, long long maxMs);
    std::vector<FakeTimer*> timers;
    long long now() const { return clock.ms; }
private:
    bool runNext(long long limit);
    std::multimap<long long, std::function<void()>> events_;
};

class VirtualLogger {
public:
    // A fresh temporary Results folder unless one is given; formLoad() is called if `load`.
    explicit VirtualLogger(std::filesystem::path folder = {}, bool load = true);
    ~VirtualLogger();

    EventLoop loop;
    std::unique_ptr<FakeTimer> timers[static_cast<int>(TimerId::Count)];
    FakeSocket socket{loop};
    ScriptedDialogs dialogs{loop};
    RecordingDesktop desktop;
    std::filesystem::path folder;
    std::unique_ptr<Form1> form;

    FakeTimer& timer(TimerId id) { return *timers[static_cast<int>(id)]; }
    void advance(long long ms) { loop.advance(ms); }
    // Connect with 127.0.0.1 in the address box; the fake connection opens at once.
    void connect();
    std::string readFile(const std::string& name) const;
    bool fileExists(const std::string& name) const { return std::filesystem::exists(folder / name); }
    void writeFile(const std::string& name, const std::string& content) const;
private:
    bool ownsFolder_ = false;
};

// A data message of 32 hex characters for the given readings, with a correct checksum.
std::string makeDataMessage(int volts100, int amps10, int seconds, int ah, int temp10,
                            int b1 = 1, int b2 = 1, int b3 = 1, int b4 = 0, int b15 = 0);

std::filesystem::path makeTempFolder(const std::string& tag);

} // namespace dcload::test
