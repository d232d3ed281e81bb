#include <cmath>

#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

Form1::Form1(Platform platform, std::string resultsFolder, int port)
    : platform_(platform), resultsFolder_(std::move(resultsFolder)), port_(port) {
    messageLog.resize(kMessageLogSize);
    while (resultsFolder_.size() > 1 && resultsFolder_.back() == '/') resultsFolder_.pop_back();
    ctl.lblU[0].caption = "";
    platform_.timer(TimerId::TimerDisconnect).setInterval(60000);
}

std::string Form1::resultsPath(std::string_view name) const {
    return resultsFolder_ + "/" + std::string(name);
}
std::string Form1::resultFileName(int n) const { return resultsPath("DC_Result_" + std::to_string(n) + ".txt"); }
std::string Form1::csvFileName(int n) const { return resultsPath("DC_CSV_" + std::to_string(n) + ".csv"); }
std::string Form1::counterFileName() const { return resultsPath("DCCount.txt"); }
std::string Form1::addressFileName() const { return resultsPath("ACIP.txt"); }

void Form1::formLoad() {
    ctl.lblPauseMessage.caption = "";
    testPaused = false;
    rearmTicks = 0;
    platform_.timer(TimerId::TimerRequest).setInterval(1000);
    ctl.comGraphItems.clear();
    programStartTime = platform_.clock.seconds();
    recordLimit = 60;
    silentTicks = 0;
    ctl.txtIP = readDeviceAddress();
    ctl.comGraphText = "Volts - Time";
    for (const char* item : {"Volts - Time", "Current - Time", "DegC - Time", "kW - Time"})
        ctl.comGraphItems.emplace_back(item);
    fileStarted = false;
    std::int16_t rows = 1;
    CreateChart(0, 1, rows);
    getLastFileNumber();
    setHScrollMin(1);
    // The socket keeps no remote host: nothing is dialled until Connect.
    downloadStarting = true;
    flashRecordCount = 0;
    requestMode = modeLive;
    wrapFlag = false;
}

// Whole second boundaries crossed since start-up, on a monotonic clock: clock adjustments and
// daylight-saving changes do not shift the stamps.
float Form1::elapsedSeconds() const {
    double now = platform_.clock.seconds();
    return static_cast<float>(std::floor(now) - std::floor(programStartTime));
}

void Form1::mnuExitClick() {
    linkStopped();
    exitRequested = true;
}

} // namespace dcload
