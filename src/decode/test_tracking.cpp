#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

void Form1::checkCurrent(float I) {
    if (!(I < kLowCurrent)) return;
    platform_.timer(TimerId::TimerDisconnect).setEnabled(true);
    if (pauseAsked) return;
    // Paused: the operator has answered and the question waits for the next Connect. Without
    // this the periodic replay of the low reading would ask again every five minutes.
    if (testPaused) return;
    // A low reading that comes in while the question is open is shown and logged; one question.
    if (pauseDialog.open) return;

    pauseDialog.reason = "current " + std::string(trimBlanks(formatPattern(I, "##0.0"))) + " A below 5 A at " +
                         std::string(trimBlanks(ctl.lblA[3].caption)) + ", " +
                         std::string(trimBlanks(ctl.lblU[0].caption)) + " V";
    testEnded(I);
    dialogDisconnectLoad();
    pauseDialog.open = true;
    platform_.dialogs.showPauseDialog();
    pauseDialog.open = false;
    platform_.timer(TimerId::PauseTimer1).setEnabled(false);

    const std::int16_t r = dialogResult.value_or(2);
    pauseAsked = true;
    if (r == 6) {
        testPaused = true;
        ctl.lblPauseMessage.caption = "TEST RESUMED";
    } else {
        ctl.lblPauseMessage.caption = "TEST RECORDING FINISHED";
    }
}

void Form1::timerDisconnectTick() {
    rearmTicks = add16(rearmTicks, 1);
    if (rearmTicks >= 5) {
        rearmTicks = 0;
        pauseAsked = false;
        platform_.timer(TimerId::TimerDisconnect).setEnabled(false);
    }
}

void Form1::dialogDisconnectLoad() {
    dialogResult = 2;
    pauseDialog.closeTicks = 0;
    Timer& t = platform_.timer(TimerId::PauseTimer1);
    t.setInterval(60000);
    t.setEnabled(true);
}

namespace {
void closePause(Form1& f) {
    f.platform().timer(TimerId::PauseTimer1).setEnabled(false);
    if (f.pauseDialog.open) f.platform().dialogs.closePauseDialog();
}
} // namespace

void Form1::dialogOkClick() {
    dialogResult = 6;
    closePause(*this);
}

void Form1::dialogCancelClick() {
    dialogResult = 7;
    closePause(*this);
}

void Form1::dialogClosedByUser() { closePause(*this); }

void Form1::dialogTimer1Tick() {
    if (!pauseDialog.open) return; // a tick left over from a dialog already closed
    pauseDialog.closeTicks = add16(pauseDialog.closeTicks, 1);
    if (pauseDialog.closeTicks >= 5) {
        dialogResult = 6;
        pauseDialog.closeTicks = 0;
        closePause(*this);
    }
}

} // namespace dcload
