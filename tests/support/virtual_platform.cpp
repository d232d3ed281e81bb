#include "support/virtual_platform.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "loadbank/data_message.h"

namespace dcload::test {

void FakeTimer::arm() { due_ = enabled_ && interval_ > 0 ? loop_.now() + interval_ : -1; }

bool EventLoop::runNext(long long limit) {
    FakeTimer* timer = nullptr;
    long long t = limit + 1;
    for (FakeTimer* f : timers)
        if (f->due() >= 0 && f->due() < t) { t = f->due(); timer = f; }
    auto ev = events_.begin();
    if (ev != events_.end() && ev->first <= limit && ev->first <= t) {
        auto fn = std::move(ev->second);
        clock.ms = std::max(clock.ms, ev->first);
        events_.erase(ev);
        fn();
        return true;
    }
    if (!timer) return false;
    clock.ms = std::max(clock.ms, t);
    timer->fired();
    if (onTimer) onTimer(timer->id());
    return true;
}

void EventLoop::advance(long long ms) {
    const long long target = clock.ms + ms;
    while (runNext(target)) {
    }
    clock.ms = std::max(clock.ms, target);
}

void EventLoop::runUntil(const std::function<bool()>& done, long long maxMs) {
    const long long limit = clock.ms + maxMs;
    while (!done() && clock.ms < limit)
        if (!runNext(limit)) clock.ms = limit;
}

void FakeSocket::later(long long delayMs, bool open, std::function<void()> fn) {
    const int gen = generation;
    loop_.schedule(loop_.now() + delayMs, [this, gen, open, fn = std::move(fn)] {
        if (gen == generation && form && (!open || state_ == 7)) fn();
    });
}

void FakeSocket::connect(const std::string& host, int port) {
    connects.emplace_back(host, port);
    ++generation;
    state_ = 6;
    if (silent) return;
    later(connectDelayMs, false, [this, host] {
        state_ = refuse ? 9 : 7;
        if (refuse) form->tcpClientError("Connection to " + host + " was rejected");
        else form->tcpClientConnect();
    });
}

Answer ScriptedDialogs::messageBox(const std::string& text, const std::string& title, Icon icon,
                                   Buttons buttons, DefaultButton def) {
    boxes.push_back({text, title, icon, buttons, def});
    if (!answers.empty()) {
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    const bool first = def == DefaultButton::First;
    if (buttons == Buttons::YesNo) return first ? Answer::Yes : Answer::No;
    return buttons == Buttons::OKCancel && !first ? Answer::Cancel : Answer::OK;
}

void ScriptedDialogs::showPauseDialog() {
    ++pauseShown;
    pauseOpen = true;
    if (onPauseDialog) onPauseDialog();
    // Still open: time goes on (ticks and arrivals nested) until a button or ten minutes.
    if (pauseOpen) loop_.runUntil([this] { return !pauseOpen; }, 10 * 60 * 1000);
    pauseOpen = false;
}

std::filesystem::path makeTempFolder(const std::string& tag) {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path() /
                      ("dcload-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return base;
}

VirtualLogger::VirtualLogger(std::filesystem::path f, bool load)
    : folder(f.empty() ? makeTempFolder("vl") / "Results" : f), ownsFolder_(f.empty()) {
    Platform p{socket, loop.clock, dialogs, {}, &desktop};
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
    std::error_code ec;
    if (ownsFolder_) std::filesystem::remove_all(folder.parent_path(), ec);
}

void VirtualLogger::connect() {
    form->ctl.txtIP = "127.0.0.1";
    form->cmdConnectClick();
    loop.advance(socket.connectDelayMs);
}

std::string VirtualLogger::readFile(const std::string& name) const {
    std::ifstream in(folder / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void VirtualLogger::writeFile(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << content;
}

std::string makeDataMessage(int volts100, int amps10, int seconds, int ah, int temp10, int b1, int b2,
                            int b3, int b4, int b15) {
    using B = std::uint8_t;
    using W = std::uint16_t;
    const loadbank::MessageFrame frame{{B(b1), B(b2), B(b3), B(b4)}, B(b15)};
    return loadbank::encodeDataMessage({W(volts100), W(amps10), W(seconds), W(ah), std::int16_t(temp10)}, frame);
}

} // namespace dcload::test
