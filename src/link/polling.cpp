#include "app/form1.h"
#include "link/state_text.h"

namespace dcload {

namespace {
const char* const kStateTexts[] = {"Socket Closed",     "Socket Open",     "Socket Listening",
                                   "Connection Pending", "Resolving Host", "Host Resolved",
                                   "Socket Connecting....", "Socket Connected", "Socket Closing",
                                   "Socket Error"};
} // namespace

std::string disconnectStateText(int state) {
    return (state >= 0 && state <= 9) ? kStateTexts[state] : "";
}

std::string pollStateText(int state) {
    if (state == 6) return "Socket Connecting..Showing stored last reading";
    if (state == 9) return "";
    return disconnectStateText(state);
}

std::int32_t storedReadingPeriodFor(std::int32_t ticks) {
    if (ticks >= 0 && ticks <= 9) return 1;
    if (ticks >= 10 && ticks <= 50) return 2;
    if (ticks >= 51 && ticks <= 500) return 10;
    return 20;
}

void Form1::timerTick(TimerId id) {
    switch (id) {
    case TimerId::TimerRequest: timerRequestTick(); break;
    case TimerId::Timer1: timer1Tick(); break;
    case TimerId::Timer2: timer2Tick(); break;
    case TimerId::TimerDisconnect: timerDisconnectTick(); break;
    case TimerId::PauseTimer1: dialogTimer1Tick(); break;
    case TimerId::LinkWatch: linkWatchTick(); break;
    default: break;
    }
}

void Form1::timerRequestTick() {
    Timer& poll = platform_.timer(TimerId::TimerRequest);
    Socket& sock = platform_.socket;

    if (!unsaved_.empty()) flushUnsaved(); // the folder may take the kept readings again
    // A reply complete since the last tick is taken first; one still arriving holds the next
    // request back, as an answer not yet come would.
    const bool arriving = sock.state() == 7 && settleReply();
    storedReadingPeriod = storedReadingPeriodFor(tickCount);
    if (ticksSinceStored >= storedReadingPeriod) {
        importLastData();
        ticksSinceStored = 0;
    }
    // 32-bit counters that would take a century of ticks to wrap; wrap rather than fail.
    ticksSinceStored = static_cast<std::int32_t>(static_cast<std::uint32_t>(ticksSinceStored) + 1u);
    tickCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(tickCount) + 1u);

    const int state = sock.state();
    const std::string text = pollStateText(state);
    if (state == 6 || state == 9) Connecting(true);
    if (state == 7) Connecting(false);
    if (state != 9) ctl.StatusBar1 = text;
    if (state != 7) return;

    if (requestMode == modeLive) {
        if (arriving || (!replyReceived && silentTicks <= 10)) {
            ++silentTicks;
        } else {
            if (!testPaused) sendRequest("?\r");
            silentTicks = 0;
        }
    }
    if (requestMode == modeRecordCount) {
        if (!arriving) sendRequest("#P\r");
        poll.setEnabled(true);
    }
    if (requestMode == modeClear) {
        sendRequest("#C\r");
        poll.setEnabled(false);
    }
    if (requestMode == modeStart) {
        sendRequest("#G\r");
        poll.setEnabled(false);
    }
    if (requestMode == modeReset) {
        sendRequest("#X\r");
        poll.setInterval(2000);
        poll.setEnabled(true);
        requestMode = modeStart;
    }
    if (requestMode == modeDownload) {
        poll.setInterval(500);
        if (arriving || (!replyReceived && silentTicks <= 3)) {
            ++silentTicks;
        } else {
            if (!replyReceived) downloadSilent();
            sendRequest("Rf\r");
            silentTicks = 0;
        }
        if (!wrapFlag) {
            if (recordCounter > flashRecordCount) {
                recordCounter = flashRecordCount;
                poll.setInterval(1000);
            }
        } else {
            if (downloadStarting) {
                recordCounter = flashRecordCount + 1;
                downloadStarting = false;
            }
            ++recordCounter;
            if (recordCounter > recordLimit) {
                recordCounter = 0;
                wrapFlag = false;
                poll.setInterval(1000);
            }
        }
        poll.setEnabled(true);
    }
    replyReceived = false;
}

void Form1::timer1Tick() {
    requestFlashReset();
    platform_.timer(TimerId::Timer1).setEnabled(false);
    platform_.timer(TimerId::Timer2).setInterval(2000);
    platform_.timer(TimerId::Timer2).setEnabled(true);
}

void Form1::timer2Tick() {
    downloadStarting = true;
    requestMode = modeRecordCount;
    platform_.timer(TimerId::Timer2).setEnabled(false);
    platform_.timer(TimerId::TimerRequest).setEnabled(true);
}

} // namespace dcload
