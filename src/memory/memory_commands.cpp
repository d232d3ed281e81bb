#include "app/form1.h"
#include "decode/format.h"

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

// The download shows itself: the tiles are marked while they show stored records, a status
// field counts them, and a notice says when it is over and what it brought.
void Form1::downloadCounted() {
    download = {true, wrapFlag, flashRecordCount, 0};
    ctl.statusRecord = "Record 0 of " + std::to_string(flashRecordCount);
    if (!wrapFlag && flashRecordCount == 0) endDownload();
}

void Form1::storedRecordLogged() {
    if (!download.active) return;
    const std::int32_t k = ++download.logged;
    ctl.statusRecord = "Record " + std::to_string(k);
    // A wrapped memory holds more than its count says; how many more only the load bank knows.
    if (!download.wrapped && k <= download.expected) ctl.statusRecord += " of " + std::to_string(download.expected);
    ctl.lblStoredRecord = {"stored record, test time " + std::string(trimBlanks(ctl.lblA[3].caption)), kLightCyan, true};
    if (!download.wrapped && k >= download.expected) endDownload();
}

void Form1::downloadSilent() {
    if (download.active) endDownload();
}

void Form1::endDownload() {
    download.active = false;
    const std::int32_t k = download.logged;
    std::string text = "The download from the load bank's memory is finished: " + std::to_string(k) +
                       (k == 1 ? " record" : " records") + " logged.";
    if (download.wrapped)
        text += " The memory had wrapped: records older than the first one logged were overwritten and are lost.";
    else if (k < download.expected)
        text += " " + std::to_string(download.expected - k) + " of the " + std::to_string(download.expected) +
                " records counted did not arrive.";
    platform_.dialogs.notice(text, "Results Stored in Load Bank", Icon::Information);
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
