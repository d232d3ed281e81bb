#include <cmath>

#include "app/form1.h"
#include "decode/format.h"
#include "decode/message_fields.h"

namespace dcload {

namespace {

// Characters start..start+len-1 (1-based) of what remains of the text.
std::string_view mid(std::string_view s, size_t start, size_t len) {
    if (start - 1 >= s.size()) return {};
    return s.substr(start - 1, len);
}

} // namespace

Checksum messageChecksum(std::string_view msg) {
    Checksum c;
    for (size_t k = 1; k <= 15; ++k) c.computed ^= static_cast<unsigned>(hexField(mid(msg, 2 * k - 1, 2)));
    c.received = static_cast<unsigned>(hexField(mid(msg, 31, 2)));
    return c;
}

void decodeSlots(std::string_view msg, std::array<float, 21>& readings) {
    if (msg.size() <= 16) return;
    for (size_t i = 1; i <= 4; ++i) readings[i] = static_cast<float>(hexField(mid(msg, 2 * i - 1, 2)));
    for (size_t i = 5; i <= 9; ++i)
        readings[i] = static_cast<float>(hexField(mid(msg, 9 + 4 * (i - 5), 4), i == 9));
}

void Form1::stepForm2Progress(std::int16_t& ticks) {
    ProgressBar& bar = form2.pB2;
    if (bar.max > bar.value) {
        if (ticks > 1000) {
            ++bar.value;
            ticks = 0;
        } else {
            ++ticks;
        }
    } else {
        bar.value = 1;
    }
}

// The one decoder. Live (noSave 0): decode, show, save. Replay (noSave -1): decode, show, plot.
// The message is taken by value: a modal dialog can run other handlers before this returns.
void Form1::processMessage(std::string msg, std::int16_t noSave, std::int16_t reset,
                           std::int16_t startTime, std::int16_t startRow) {
    stepForm2Progress(fileProgressTicks);
    ctl.pB2.step();

    const size_t n = msg.size();
    if (n == 6) return;

    const Checksum sum = n == 39 ? messageChecksum(msg) : Checksum{};
    if (sum.computed != sum.received)
        lblFileName = "Check Sum Error (" + hexUpper(sum.computed) + " <> " + hexUpper(sum.received) + ")";

    decodeSlots(msg, readings);

    const float volts = readings[5] / 100.0f;
    const float current = readings[6] / 10.0f;
    const float temperature = readings[9] / 10.0f;
    const float ampHours = readings[8] / 1.0f;
    // A replay shows thousands of readings in a row; a label that already shows this value's
    // text keeps it instead of formatting it again.
    auto show = [this](Label& label, int slot, auto&& text) {
        auto& cached = shownText_[static_cast<size_t>(slot)];
        if (shownValid_[static_cast<size_t>(slot)] && shownSlots_[static_cast<size_t>(slot)] == readings[static_cast<size_t>(slot)] &&
            label.caption == cached)
            return;
        label.caption = text();
        cached = label.caption;
        shownSlots_[static_cast<size_t>(slot)] = readings[static_cast<size_t>(slot)];
        shownValid_[static_cast<size_t>(slot)] = true;
    };
    show(ctl.lblU[0], 5, [&] { return formatPattern(volts, "##0.00"); });
    show(ctl.lblA[0], 6, [&] { return formatPattern(current, "##0.0"); });
    show(ctl.lblT, 9, [&] { return formatPattern(temperature, "##0.0"); });
    show(ctl.lblAh, 8, [&] { return formatPattern(ampHours, "0000.0"); });
    show(ctl.lblA[3], 7, [&] { return testTimeText(static_cast<std::int32_t>(readings[7])); });

    if (noSave == -1) addChartPoint(msg, graphType, reset == -1, startTime, startRow, chartRowCount);

    if (noSave == 0) {
        Timer& poll = platform_.timer(TimerId::TimerRequest);
        poll.setEnabled(false);
        const std::string csvBody = ctl.lblU[0].caption + "," + ctl.lblA[0].caption + "," +
                                    ctl.lblAh.caption + "," + ctl.lblA[3].caption;
        saveRecord(msg);
        const double stamp = std::floor(static_cast<double>(elapsedSeconds()) - connectTime);
        saveCsvRecord(formatPattern(stamp, "000000") + "," + csvBody);
        poll.setEnabled(true);
    }

    // Asked last, once the reading is shown and on disk: the question can stay open for
    // minutes while later readings arrive, and they must land after this one.
    checkCurrent(current);
}

} // namespace dcload
