#include <algorithm>
#include <cmath>
#include <ctime>

#include "app/form1.h"
#include "decode/format.h"
#include "results/run_info.h"

namespace dcload {

namespace {

std::string localText(double secondsAgo, const char* format) {
    const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(std::lround(secondsAgo));
    char buf[32] = {};
    if (const std::tm* tm = std::localtime(&t)) std::strftime(buf, sizeof buf, format, tm);
    return buf;
}

} // namespace

double reconnectPause(int failed) {
    if (failed <= 0) return 0;
    return std::min(30.0, std::ldexp(1.0, std::min(failed, 6) - 1)); // 1, 2, 4, 8, 16, 30 ...
}

std::string clockText(long seconds) {
    seconds = std::max(0L, seconds);
    const auto two = [](long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return two(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
}

long missedReadings(double gapSeconds) { return std::max(0L, std::lround(gapSeconds) - 1); }

std::string localTimeOfDay(double secondsAgo) { return localText(secondsAgo, "%H:%M:%S"); }
std::string localDateTime(double secondsAgo) { return localText(secondsAgo, "%Y-%m-%dT%H:%M:%S"); }

std::string lostBanner(const std::string& at, int tryNumber) {
    return "Link lost at " + at + ", reconnecting (try " + std::to_string(tryNumber) + ")";
}

std::string noAnswerBanner(long seconds) { return "No answer from the load bank for " + clockText(seconds); }

std::string backBanner(long seconds, long missed) {
    return "Link back after a gap of " + clockText(seconds) + "; " + std::to_string(missed) +
           (missed == 1 ? " reading" : " readings") + " missed";
}

double Form1::linkNow() const { return platform_.clock.seconds(); }

void Form1::tell(const std::string& event, const std::string& title, const std::string& text) {
    Desktop* d = platform_.desktop;
    if (!d) return;
    d->notify(title, text);
    d->flashTaskBar();
    if (!link.eventCommand.empty()) d->runEventCommand(link.eventCommand, event, text);
}

void Form1::eventCommandProblem(const std::string& what) { linkPanel.notice = what; }

// The operator's Connect: the link is wanted from now until Disconnect or Exit.
void Form1::linkStarted() {
    const bool wasWanted = link.wanted;
    link.wanted = true;
    link.tries = link.quickDrops = 0;
    link.nextTryAt = link.tryStartedAt = link.openedAt = link.lostAt = link.backUntil = -1;
    link.gaveUp = link.stale = link.lostTold = false;
    link.lastReadingAt = linkNow();
    linkPanel.banner.clear();
    linkPanel.stale = false;
    Timer& watch = platform_.timer(TimerId::LinkWatch);
    watch.setInterval(1000);
    watch.setEnabled(true);
    if (!wasWanted && platform_.desktop && !platform_.desktop->keepAwake(true) && !link.awakeNoticeShown) {
        link.awakeNoticeShown = true;
        linkPanel.notice = "This PC may sleep during a test: nothing here keeps it awake";
    }
}

void Form1::linkStopped() {
    const bool wasWanted = link.wanted;
    link.wanted = false;
    link.nextTryAt = link.tryStartedAt = -1;
    platform_.timer(TimerId::LinkWatch).setEnabled(false);
    linkPanel.banner.clear();
    linkPanel.stale = false;
    if (wasWanted && platform_.desktop) platform_.desktop->keepAwake(false);
}

void Form1::linkOpened() {
    if (link.tryStartedAt >= 0) link.openedAt = linkNow();
    link.tryStartedAt = -1;
}

// The connection closed or failed (or a try timed out) while the operator wants it.
void Form1::linkDown() {
    if (!link.wanted || link.gaveUp) return;
    const double now = linkNow();
    if (link.lostAt < 0) {
        link.lostAt = now;
        link.lostAtText = localTimeOfDay();
    }
    if (link.openedAt >= 0) {
        link.quickDrops = now - link.openedAt < kQuickDropSeconds ? link.quickDrops + 1 : 0;
        link.openedAt = -1;
    }
    link.tryStartedAt = -1;
    if (link.quickDrops >= kQuickDropsToGiveUp) {
        link.gaveUp = true;
        link.nextTryAt = -1;
        ctl.StatusBar1 = kTakenOverText;
        linkPanel.banner = kTakenOverText;
        return;
    }
    if (!link.reconnect) return;
    link.nextTryAt = now + reconnectPause(link.tries);
    if (link.nextTryAt <= now) reconnectTry();
}

// Connect's sequence for the link alone: the run, its files, the pause state, connectTime, the
// chart and the message log stay as they are.
void Form1::reconnectTry() {
    ++link.tries;
    link.nextTryAt = -1;
    link.tryStartedAt = linkNow();
    link.openedAt = -1;
    ctl.pBar.value = 0;
    replyReceived = true;
    platform_.timer(TimerId::Timer1).setEnabled(false);
    platform_.timer(TimerId::Timer2).setEnabled(false);
    dropPartialReply();
    platform_.socket.close();
    connectSocket();
    requestMode = modeLive;
    platform_.timer(TimerId::TimerRequest).setEnabled(true);
}

void Form1::linkWatchTick() {
    if (!link.wanted) return;
    const double now = linkNow();
    const int state = platform_.socket.state();
    // A request held back on purpose (pause, memory commands) is not a silent load bank.
    if (state == 7 && (testPaused || requestMode != modeLive)) link.lastReadingAt = std::max(link.lastReadingAt, now - 1);
    if (link.tryStartedAt >= 0 && state != 7 && now - link.tryStartedAt >= kConnectTimeoutSeconds) {
        platform_.socket.close();
        linkDown();
    }
    if (link.nextTryAt >= 0 && now >= link.nextTryAt) reconnectTry();

    const double quiet = now - link.lastReadingAt;
    if (quiet >= kStaleSeconds && !link.gaveUp) {
        link.stale = true;
        linkPanel.stale = true;
        linkPanel.staleAge = clockText(std::lround(quiet));
        const bool down = link.lostAt >= 0 || state != 7;
        if (down && link.reconnect)
            linkPanel.banner = lostBanner(link.lostAtText.empty() ? localTimeOfDay(quiet) : link.lostAtText,
                                          std::max(1, link.tries));
        else
            linkPanel.banner = noAnswerBanner(std::lround(quiet));
        if (quiet >= kLongLossSeconds && !link.lostTold) {
            link.lostTold = true;
            tell("link-lost", "Link lost",
                 "No reading from the load bank since " + localTimeOfDay(quiet) + " (" + clockText(std::lround(quiet)) + ")");
        }
    } else if (link.backUntil >= 0 && now >= link.backUntil) {
        link.backUntil = -1;
        linkPanel.banner.clear();
    }
}

// A reading came in: a gap ends here.
void Form1::linkReading() {
    const double now = linkNow();
    const double gap = now - link.lastReadingAt;
    link.lastReadingAt = now;
    link.tries = 0;
    link.lostAt = -1;
    link.lostAtText.clear();
    if (!link.stale) return;
    link.stale = false;
    linkPanel.stale = false;
    const long missed = missedReadings(gap);
    linkPanel.banner = backBanner(std::lround(gap), missed);
    link.backUntil = now + kBackShownSeconds;
    if (link.lostTold) {
        link.lostTold = false;
        tell("link-back", "Link back", "Readings again since " + localTimeOfDay() + " after a gap of " +
                                           clockText(std::lround(gap)) + "; " + std::to_string(missed) + " missed");
    }
    if (!fileStarted) return; // the gap is before the run's first reading
    const std::string path = runInfoPath(resultsFolder_, currentRunNumber());
    RunInfo info = loadRunInfo(path);
    info.gaps.push_back({localDateTime(gap), localDateTime(), missed});
    saveRunInfo(path, info);
}

void Form1::showRun() {
    const std::int32_t n = currentRunNumber();
    linkPanel.runField = "Run " + std::to_string(n) + " \xC2\xB7 DC_Result_" + std::to_string(n) + ".txt";
}

void Form1::testEnded(float current) {
    if (!link.decodingLive) return;
    tell("test-end", "Test ended",
         "The load bank stopped drawing current (" + std::string(trimBlanks(formatPattern(current, "##0.0"))) +
             " A) at " + localTimeOfDay());
}

} // namespace dcload
