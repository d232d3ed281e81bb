#include "support/virtual_platform.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace dcload::test {

// ---- timers ----

void FakeTimer::arm() {
    due_ = (enabled_ && interval_ > 0) ? loop_.now() + interval_ : -1;
    if (due_ >= 0) ++restarts;
}

void FakeTimer::setInterval(int ms) {
    interval_ = ms;
    if (enabled_) arm();
}

void FakeTimer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) arm();
    else due_ = -1;
}

void FakeTimer::fired() {
    due_ = (enabled_ && interval_ > 0) ? due_ + interval_ : -1;
}

// ---- event loop ----

void EventLoop::schedule(long long atMs, std::function<void()> fn) {
    events_.emplace(atMs, std::move(fn));
}

bool EventLoop::runNext(long long limit) {
    FakeTimer* timer = nullptr;
    long long t = limit + 1;
    for (FakeTimer* f : timers)
        if (f->due() >= 0 && f->due() < t) { t = f->due(); timer = f; }
    auto ev = events_.begin();
    if (ev != events_.end() && ev->first <= limit && ev->first <= t) {
        auto fn = std::move(ev->second);
        if (ev->first > clock.ms) clock.ms = ev->first;
        events_.erase(ev);
        fn();
        return true;
    }
    if (!timer) return false;
    if (t > clock.ms) clock.ms = t;
    timer->fired();
    if (onTimer) onTimer(timer->id());
    return true;
}

void EventLoop::advance(long long ms) {
    const long long target = clock.ms + ms;
    while (runNext(target)) {
    }
    if (clock.ms < target) clock.ms = target;
}

void EventLoop::runUntil(const std::function<bool()>& done, long long maxMs) {
    const long long limit = clock.ms + maxMs;
    while (!done() && clock.ms < limit) {
        if (!runNext(limit)) { clock.ms = limit; break; }
    }
}

// ---- socket ----

void FakeSocket::connect(const std::string& host, int port) {
    connects.emplace_back(host, port);
    const int gen = ++generation;
    state_ = 6;
    if (silent) return;
    loop_.schedule(loop_.now() + connectDelayMs, [this, gen, host] {
        if (gen != generation || !form) return;
        if (refuse) {
            state_ = 9;
            form->tcpClientError("Connection to " + host + " was rejected");
        } else {
            state_ = 7;
            form->tcpClientConnect();
        }
    });
}

void FakeSocket::close() {
    ++closes;
    ++generation;
    state_ = 0;
    inbox.clear();
}

void FakeSocket::send(const std::string& text) {
    sent.push_back(text);
    if (onSend) onSend(text);
}

std::string FakeSocket::readAll() {
    std::string out;
    out.swap(inbox);
    return out;
}

void FakeSocket::deliver(const std::string& data, long long delayMs) {
    const int gen = generation;
    loop_.schedule(loop_.now() + delayMs, [this, gen, data] {
        if (gen != generation || state_ != 7 || !form) return;
        inbox += data;
        form->tcpClientDataArrival();
    });
}

void FakeSocket::peerClose(long long delayMs) {
    const int gen = generation;
    loop_.schedule(loop_.now() + delayMs, [this, gen] {
        if (gen != generation || state_ != 7 || !form) return;
        form->tcpClientClose();
    });
}

void FakeSocket::fail(const std::string& description, long long delayMs) {
    const int gen = generation;
    loop_.schedule(loop_.now() + delayMs, [this, gen, description] {
        if (gen != generation || !form) return;
        state_ = 9;
        form->tcpClientError(description);
    });
}

// ---- dialogs ----

Answer ScriptedDialogs::messageBox(const std::string& text, const std::string& title, Icon icon,
                                   Buttons buttons, DefaultButton def) {
    boxes.push_back({text, title, icon, buttons, def});
    if (onMessageBox) onMessageBox();
    if (!answers.empty()) {
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    switch (buttons) {
    case Buttons::OK: return Answer::OK;
    case Buttons::OKCancel: return def == DefaultButton::First ? Answer::OK : Answer::Cancel;
    case Buttons::YesNo: return def == DefaultButton::First ? Answer::Yes : Answer::No;
    }
    return Answer::OK;
}

void ScriptedDialogs::showPauseDialog() {
    ++pauseShown;
    pauseOpen = true;
    if (onPauseDialog) onPauseDialog();
    // Still open: time goes on (ticks and arrivals nested) until a button or the time-out.
    if (pauseOpen) loop_.runUntil([this] { return !pauseOpen; }, pauseMaxWaitMs);
    pauseOpen = false;
}

void ScriptedDialogs::showFileDialog() {
    fileOpen = true;
    if (form) form->form2Activate();
    if (onFileDialog) onFileDialog();
    fileOpen = false;
}

// ---- the whole logger ----

std::filesystem::path makeTempFolder(const std::string& tag) {
    static std::atomic<int> counter{0};
    std::filesystem::path base = std::filesystem::temp_directory_path() /
        ("dcload-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return base;
}

VirtualLogger::VirtualLogger(std::filesystem::path f, bool load) {
    if (f.empty()) {
        folder = makeTempFolder("vl") / "Results";
        ownsFolder_ = true;
    } else {
        folder = std::move(f);
    }
    Platform p{socket, loop.clock, dialogs, {}};
    for (int i = 0; i < static_cast<int>(TimerId::Count); ++i) {
        timers[i] = std::make_unique<FakeTimer>(loop, static_cast<TimerId>(i));
        loop.timers.push_back(timers[i].get());
        p.timers[i] = timers[i].get();
    }
    form = std::make_unique<Form1>(p, folder.string());
    socket.form = form.get();
    dialogs.form = form.get();
    loop.onTimer = [this](TimerId id) { form->timerTick(id); };
    if (load) form->formLoad();
}

VirtualLogger::~VirtualLogger() {
    socket.form = nullptr;
    dialogs.form = nullptr;
    if (ownsFolder_) {
        std::error_code ec;
        std::filesystem::remove_all(folder.parent_path(), ec);
    }
}

void VirtualLogger::connect() {
    form->ctl.txtIP = "127.0.0.1";
    form->cmdConnectClick();
    loop.advance(socket.connectDelayMs);
}

std::string VirtualLogger::readFile(const std::string& name) const {
    std::ifstream in(folder / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool VirtualLogger::fileExists(const std::string& name) const {
    return std::filesystem::exists(folder / name);
}

void VirtualLogger::writeFile(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string makeDataMessage(int volts100, int amps10, int seconds, int ah, int temp10, int b1, int b2,
                            int b3, int b4, int b15) {
    const int words[5] = {volts100 & 0xFFFF, amps10 & 0xFFFF, seconds & 0xFFFF, ah & 0xFFFF, temp10 & 0xFFFF};
    int bytes[15] = {b1, b2, b3, b4};
    for (int i = 0; i < 5; ++i) {
        bytes[4 + 2 * i] = (words[i] >> 8) & 0xFF;
        bytes[5 + 2 * i] = words[i] & 0xFF;
    }
    bytes[14] = b15;
    int sum = 0;
    char buf[40];
    std::string out;
    for (int b : bytes) {
        sum ^= b;
        std::snprintf(buf, sizeof buf, "%02X", b & 0xFF);
        out += buf;
    }
    std::snprintf(buf, sizeof buf, "%02X", sum & 0xFF);
    return out + buf;
}

} // namespace dcload::test
