// A VirtualLogger that also records when the poll timer ticks and what is sent on which tick,
// with an optional scripted peer that answers requests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/virtual_platform.h"

namespace dcload::test {

struct Rig : VirtualLogger {
    struct Sent {
        int tick;        // number of poll ticks seen when it was sent
        long long at;    // virtual ms
        std::string text;
    };
    std::vector<long long> pollTicks;                  // times of TimerRequest ticks
    std::vector<Sent> sends;
    std::function<void(const std::string&)> peer;     // the load bank's side

    Rig() {
        loop.onTimer = [this](TimerId id) {
            if (id == TimerId::TimerRequest) pollTicks.push_back(loop.now());
            form->timerTick(id);
        };
        socket.onSend = [this](const std::string& t) {
            sends.push_back({static_cast<int>(pollTicks.size()), loop.now(), t});
            if (peer) peer(t);
        };
    }

    Timer& poll() { return timer(TimerId::TimerRequest); }
    void deliverNow(const std::string& data) {
        socket.deliver(data, 0);
        advance(0);
    }
    // Runs until the next poll tick (inclusive).
    void nextTick() {
        const size_t before = pollTicks.size();
        loop.runUntil([&] { return pollTicks.size() > before; }, 60000);
    }
    std::vector<std::string> sentTexts(size_t from = 0) const {
        std::vector<std::string> out;
        for (size_t i = from; i < sends.size(); ++i) out.push_back(sends[i].text);
        return out;
    }
};

// A data message with a current well above the pause threshold.
inline std::string reading(int seconds, int volts100 = 1250) {
    return makeDataMessage(volts100, 100, seconds, 10, 250);
}

// Points that carry a label: the points a replay plotted.
inline int plottedPoints(const ChartModel& c) {
    int n = 0;
    for (int p = 1; p <= c.pointCount(); ++p) n += !c.pointLabel(p).empty();
    return n;
}

// A Results folder path of our own, for loggers that need something in place before start-up.
struct OwnFolder {
    std::filesystem::path root = makeTempFolder("own");
    std::filesystem::path folder = root / "Results";
    ~OwnFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

inline int linesOf(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace dcload::test
