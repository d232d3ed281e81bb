#include <cmath>

#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

// Keeps the reading rate at one a second: compares readings since Connect with real seconds.
void Form1::adjustTimer() {
    const float real = elapsedSeconds() - connectTime;
    gTimeCount = add32(gTimeCount, 1);
    // Within the first second of a connection there is nothing to compare yet.
    if (real == 0.0f) throw divisionByZero();
    const double ratio = static_cast<double>(gTimeCount) / static_cast<double>(real);
    ctl.lblTime.caption = "Graph:" + std::to_string(gTimeCount) + " Real:" +
                          std::to_string(static_cast<long long>(std::floor(real))) + " Err:" +
                          formatPattern(ratio, "##0.00");
    Timer& poll = platform_.timer(TimerId::TimerRequest);
    if (ratio < 0.9) {
        ctl.lblTime.back = kGreen;
        poll.setInterval(800);
    } else if (ratio < 0.99) {
        ctl.lblTime.back = kWhite;
        poll.setInterval(950);
    } else if (ratio > 1.01) {
        poll.setInterval(1050);
        ctl.lblTime.back = kLightCyan;
    } else {
        poll.setInterval(1000);
        ctl.lblTime.back = kOnTime;
    }
}

} // namespace dcload
