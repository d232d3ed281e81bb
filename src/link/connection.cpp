#include "app/form1.h"
#include "decode/format.h"
#include "link/state_text.h"

namespace dcload {

void Form1::connectSocket() {
    Socket& s = platform_.socket;
    if (s.state() == 0) s.connect(std::string(trimBlanks(ctl.txtIP)), port_);
}

void Form1::cmdConnectClick() {
    ctl.lblPauseMessage.caption = "";
    download.active = false;
    ctl.statusRecord.clear();
    Connecting(false);
    testPaused = false;
    pauseAsked = false;
    rearmTicks = 0;
    messageLogLoaded = false;
    ctl.pBar.value = 0;
    connectTime = elapsedSeconds();
    gTimeCount = 0;
    checksumErrors = readingsTaken = 0;
    ctl.StatusBarChecksum.clear();
    ticksSinceStored = 0;
    tickCount = 0;
    reloadHistory = false;
    replyReceived = true;
    platform_.timer(TimerId::Timer1).setEnabled(false);
    platform_.timer(TimerId::Timer2).setEnabled(false);
    std::int16_t rows = 10;
    CreateChart(2, 1, rows);
    rows = 10;
    CreateChart(0, 1, rows);
    dropPartialReply();
    platform_.socket.close();
    connectSocket();
    requestMode = modeLive;
    platform_.timer(TimerId::TimerRequest).setEnabled(true);
    linkStarted();
}

void Form1::cmdDisconnectClick() { disconnect(); }

void Form1::disconnect() {
    saveLastReading();
    fileStarted = false;
    platform_.timer(TimerId::TimerRequest).setEnabled(false);
    linkStopped();
    Connecting(false);
    reloadHistory = false;
    platform_.socket.close();
    dropPartialReply();
    ticksSinceStored = 0;
    tickCount = 0;
    fileStarted = false;
    ctl.pBar.value = 0;
    ctl.StatusBar1 = "Socket Disconnected";
    ctl.StatusBar1 = disconnectStateText(platform_.socket.state());
}

void Form1::Connecting(bool onOff) {
    const Rgb back = onOff ? kDarkGrey : kWhite;
    ctl.lblU[0].back = back;
    ctl.lblT.back = back;
    ctl.lblA[0].back = back;
    ctl.lblA[3].back = back;
    ctl.lblAh.back = back;
    ctl.FrameData.visible = onOff;
}

void Form1::requestFlashReset() {
    platform_.socket.close();
    dropPartialReply();
    connectSocket();
    requestMode = modeReset;
    platform_.timer(TimerId::TimerRequest).setEnabled(true);
}

void Form1::tcpClientConnect() {
    ctl.StatusBar1 = "Connected to IP Address: " + platform_.socket.remoteHostIP();
    linkOpened();
}

void Form1::tcpClientClose() {
    platform_.socket.close();
    dropPartialReply();
    ctl.StatusBar1 = "Server closed connection.";
    linkDown();
}

void Form1::tcpClientError(const std::string& description) {
    ctl.StatusBar1 = "Error " + description;
    if (description.size() >= 8 && description.compare(description.size() - 8, 8, "rejected") == 0)
        ctl.StatusBar1 = "Socket may be in use by another user or busy. Please disconnect and try again later .....";
    linkDown();
}

} // namespace dcload
