#include <algorithm>
#include <cmath>

#include "app/form1.h"
#include "chart/thinning.h"
#include "decode/format.h"

namespace dcload {

namespace {
int clampInto(int v, int a, int b) { return std::clamp(v, std::min(a, b), std::max(a, b)); }
} // namespace

// The scroll bar keeps its value inside its range; a value forced to change reports a change.
void Form1::setHScrollMin(int v) {
    ScrollBar& h = ctl.HScroll;
    h.min = v;
    int old = h.value;
    h.value = clampInto(h.value, h.min, h.max);
    if (h.value != old) hScrollChange();
}

void Form1::setHScrollMax(int v) {
    ScrollBar& h = ctl.HScroll;
    h.max = v;
    int old = h.value;
    h.value = clampInto(h.value, h.min, h.max);
    if (h.value != old) hScrollChange();
}

void Form1::setHScrollValue(int v) {
    ScrollBar& h = ctl.HScroll;
    int old = h.value;
    h.value = clampInto(v, h.min, h.max);
    if (h.value != old) hScrollChange();
}

void Form1::hScrollChange() {
    std::int16_t page = static_cast<std::int16_t>(std::clamp(ctl.HScroll.value, -32768, 32767));
    readLFile(page, false);
}

// Replays the message log into the chart, thinned; a re-count reads the result file first.
// Any failure ends the replay quietly where it happened.
void Form1::readLFile(std::int16_t& page, bool read0) {
    try {
        std::int32_t n = 0;
        if (reloadHistory) {
            n = toInt32(readLastFile(0, -1, read0));
            gTimeCount = n;
        } else {
            n = gTimeCount;
        }
        chartRowCount = n;
        ctl.lblCount.caption = withSignBlank(n);
        const Thinning th = thinningFor(n);
        chart.categoryAutoScale = false;
        chart.divisionsPerLabel = th.labelSpacing;
        chart.divisionsPerTick = th.labelSpacing;
        chart.touch();
        const std::int32_t rowsPerPage = n;
        pageCount = 1;
        if (n <= 0) return;
        if (page == pageCount) page = 0;
        setHScrollMin(1);
        setHScrollMax(pageCount);
        if (page == 0) {
            // A long run is sampled back from its latest reading, so the chart ends on it; the
            // first reading still opens the chart.
            const std::int32_t step = th.replayStep;
            std::int32_t second = 1 + step; // the second message replayed
            std::int32_t points = static_cast<std::int32_t>(roundHalfEven(static_cast<double>(n) / step));
            if (n > 32767) {
                second = 1 + (n - 1) % step;
                if (second == 1) second += step;
                points = 2 + (n - second) / step; // one per message replayed
            }
            for (std::int32_t i = 1; i <= n; i = i == 1 ? second : i + step) {
                std::string m(messageLog[static_cast<size_t>(i)]);
                if (i == 1) {
                    chartRowCount = points;
                    processMessage(std::move(m), -1, -1, 1, 1);
                } else {
                    processMessage(std::move(m), -1, 0, 1, 1);
                }
            }
            ctl.lblPage.caption = "Page " + std::to_string(pageCount) + " of " + std::to_string(pageCount);
            setHScrollValue(pageCount);
        } else {
            // Pages lie past the log; their 16-bit arithmetic ends the call as it always did.
            const std::int64_t first = static_cast<std::int64_t>(page - 1) * rowsPerPage + 1;
            const std::int64_t product = static_cast<std::int64_t>(page) * rowsPerPage;
            if (first < -32768 || first > 32767 || product < -32768 || product > 32767) throw overflowError();
            for (std::int64_t i = first; i <= product; ++i) {
                if (i < 0 || i >= kMessageLogSize) throw subscriptError();
                std::string m(messageLog[static_cast<size_t>(i)]);
                if (i == first) processMessage(std::move(m), -1, -1, static_cast<std::int16_t>(first), 1);
                else processMessage(std::move(m), -1, 0, 1, 1);
            }
            ctl.lblPage.caption = "Page " + std::to_string(page) + " of " + std::to_string(pageCount);
        }
    } catch (const RuntimeError&) {
    }
}

} // namespace dcload
