#include "report/test_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/form1.h"
#include "decode/format.h"
#include "decode/message_fields.h"
#include "results/item_reader.h"

namespace dcload::report {

namespace {

// The load bank trips at its own end voltage setting, between two polls: the last reading on
// load can stand this fraction above the end voltage and the end still counts as reached.
constexpr double kTripMargin = 0.01;
// The reading after the last one on load carries the test timer at the trip when it comes at
// most this long after it (the memory download's records are 60 s apart).
constexpr double kStopWindowSeconds = 120.0;

// A whole, intact reading, or nothing. Lines of 38 or 39 characters are stored messages (read
// back with or without their CR): their checksum is checked, since one corrupt voltage would
// decide the verdict.
std::optional<Sample> decodeItem(std::string_view item) {
    if (item.size() < 28) return std::nullopt; // the temperature field would be cut short
    std::array<float, 21> slots{};
    try {
        if (item.size() == 38 || item.size() == 39) {
            const Checksum sum = messageChecksum(item);
            if (sum.computed != sum.received) return std::nullopt;
        }
        decodeSlots(item, slots);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    return Sample{slots[7], slots[5] / 100.0, slots[6] / 10.0, slots[8], slots[9] / 10.0};
}

} // namespace

bool Sample::onLoad() const { return !(amps < kLowCurrent); }

RunFigures analyseRun(std::string_view fileText, const BatteryTest& test) {
    RunFigures r;
    ItemReader reader(fileText);
    std::string_view item;
    while (reader.next(item)) {
        if (item.empty()) continue;
        if (std::optional<Sample> s = decodeItem(item)) r.samples.push_back(*s);
        else ++r.skipped;
    }
    r.endVoltage = test.cells * test.endCellVolts;

    size_t lastOnLoad = r.samples.size();
    int onLoad = 0;
    double ampsSum = 0, ah = 0;
    const Sample* prev = nullptr;
    r.minVolts = std::numeric_limits<double>::infinity();
    r.maxCelsius = -std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < r.samples.size(); ++i) {
        const Sample& s = r.samples[i];
        if (!s.onLoad()) continue;
        if (!prev) {
            r.startVolts = s.volts;
            r.startCelsius = s.celsius;
            // The test timer starts with the test: a log begun later still counts the time
            // before it, at the constant current of a load bank test.
            ah = s.amps * std::max(s.seconds, 0.0) / 3600;
        }
        ++onLoad;
        ampsSum += s.amps;
        r.minVolts = std::min(r.minVolts, s.volts);
        r.maxCelsius = std::max(r.maxCelsius, s.celsius);
        // Ampere-hours over the load bank's test time: missed polls and pauses (where the test
        // timer stands) cost nothing; a timer that went back starts no interval.
        const double dt = prev && s.seconds > prev->seconds ? s.seconds - prev->seconds : 0;
        if (!r.reachedSeconds && s.volts <= r.endVoltage) {
            const double f = dt > 0 && prev->volts > r.endVoltage ? (prev->volts - r.endVoltage) / (prev->volts - s.volts) : 1;
            r.reachedSeconds = dt > 0 ? prev->seconds + f * dt : s.seconds;
            r.ampHoursToEnd = ah + (prev ? prev->amps + s.amps : 0) / 2 * f * dt / 3600;
        }
        ah += (prev ? prev->amps + s.amps : 0) / 2 * dt / 3600;
        prev = &s;
        lastOnLoad = i;
    }
    if (!onLoad) {
        r.minVolts = r.maxCelsius = 0;
        return r;
    }
    r.discharged = true;
    const Sample& last = r.samples[lastOnLoad];
    r.endVolts = last.volts;
    r.endCelsius = last.celsius;
    r.averageAmps = ampsSum / onLoad;

    // The load went off after the last reading on load: the next reading holds the timer's stop.
    const bool stopped = lastOnLoad + 1 < r.samples.size();
    double stop = last.seconds;
    if (stopped) {
        const double next = r.samples[lastOnLoad + 1].seconds;
        if (next >= last.seconds && next - last.seconds <= kStopWindowSeconds) stop = next;
    }
    r.durationSeconds = stop;
    r.ampHours = ah + last.amps * (stop - last.seconds) / 3600;
    if (!r.reachedSeconds && stopped && last.volts <= r.endVoltage * (1 + kTripMargin))
        r.reachedSeconds = stop;
    if (!r.reachedSeconds || *r.reachedSeconds == stop) r.ampHoursToEnd = r.ampHours;

    const double minutes = r.reachedSeconds.value_or(r.durationSeconds) / 60.0;
    if (test.rating != Rating::None && test.rated > 0 && test.k > 0) {
        const double got = test.rating == Rating::Minutes ? minutes : r.ampHoursToEnd;
        // Judged on the figure as shown (one decimal), so "80.0 %" never fails an 80 % mark.
        r.capacityPercent = std::round(got / (test.rated * test.k) * 1000.0) / 10.0;
    }
    if (!r.reachedSeconds) r.verdict = Verdict::NotReached;
    else if (!r.capacityPercent) r.verdict = Verdict::NoRating;
    else r.verdict = *r.capacityPercent >= test.passPercent ? Verdict::Pass : Verdict::Fail;
    return r;
}

} // namespace dcload::report
