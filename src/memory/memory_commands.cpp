#include "app/form1.h"

namespace dcload {

namespace {
// Every memory command restarts the link in its own request mode; the poll tick sends it.
void restartLink(Form1& f, std::int16_t mode) {
    f.platform().socket.close();
    f.dropPartialReply();
    f.connectSocket();
    f.requestMode = mode;
    f.platform().timer(TimerId::TimerRequest).setEnabled(true);
}
} // namespace

void Form1::cmdGetClick() {
    platform_.socket.close();
    dropPartialReply();
    connectSocket();
    downloadStarting = true;
    requestMode = modeRecordCount;
    platform_.timer(TimerId::TimerRequest).setEnabled(true);
}

void Form1::mnuStartFlashClick() { startFlash(); }

void Form1::mnuStopFlashClick() {
    requestFlashReset();
    Timer& t1 = platform_.timer(TimerId::Timer1);
    t1.setInterval(3000);
    t1.setEnabled(true);
}

void Form1::mnuClearFlashClick() { clearFlash(); }

void Form1::startFlash() { restartLink(*this, modeStart); }

void Form1::clearFlash() {
    Answer a = platform_.dialogs.messageBox(
        "This will clear ALL previous data stored in the AC Load Bank Memory.  Are you sure?", "Flash Delete",
        Icon::Exclamation, Buttons::OKCancel, DefaultButton::Second);
    if (a != Answer::OK) return;
    platform_.dialogs.messageBox("This will take about 2 minutes.  Please press OK and wait.", "Clearing Memory",
                                 Icon::Information, Buttons::OK, DefaultButton::First);
    restartLink(*this, modeClear);
}

} // namespace dcload
