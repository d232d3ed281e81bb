#include "report/test_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "app/form1.h"
#include "decode/format.h"
#include "decode/message_fields.h"

namespace dcload::report {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Two copies of one stretch of test time are the same test when their voltages agree this
// closely (relative) and their Ah counters within this many whole Ah.
constexpr double kSameVolts = 0.005, kSameAmpHours = 1.5;
constexpr size_t kTestsLookedBack = 16, kCopiesCompared = 4;

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A line is taken only in a stored form: 32 hex characters, the PC stamp of 6 digits and a CR
// (39), or the same with the CR the load bank sent after its 32 characters (40); and only when
// its checksum holds, since one corrupt voltage would decide the verdict.
std::optional<Sample> decodeLine(std::string_view line) {
    const bool withCr = line.size() == 40;
    if ((line.size() != 39 && !withCr) || line.back() != '\r' || (withCr && line[32] != '\r')) return std::nullopt;
    if (!std::all_of(line.begin(), line.begin() + 32, isHex)) return std::nullopt;
    const std::string_view stamp = line.substr(withCr ? 33 : 32, 6);
    if (!std::all_of(stamp.begin(), stamp.end(), isDigit)) return std::nullopt;
    std::array<float, 21> slots{};
    try {
        const Checksum sum = messageChecksum(line);
        if (sum.computed != sum.received) return std::nullopt;
        decodeSlots(line.substr(0, 32), slots);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
    return Sample{slots[7], slots[5] / 100.0, slots[6] / 10.0, slots[8], slots[9] / 10.0, std::stol(std::string(stamp))};
}

using Stretch = std::vector<Sample>;

double largestAmps(const Stretch& s) {
    double m = 0;
    for (const Sample& x : s) m = std::max(m, x.amps);
    return m;
}

// The readings of `s` under load (at least half its largest current), for comparisons.
std::vector<const Sample*> loaded(const Stretch& s) {
    std::vector<const Sample*> out;
    const double floor = largestAmps(s) / 2;
    for (const Sample& x : s)
        if (x.amps > 0 && x.amps >= floor) out.push_back(&x);
    return out;
}

// Whether the later stretch `b` repeats the test of `a`: at the test times they share, the
// voltages and Ah counters agree. No shared time on load: the same test only when `b` lies
// wholly inside `a`'s test time.
bool sameTest(const Stretch& a, const Stretch& b) {
    const std::vector<const Sample*> la = loaded(a), lb = loaded(b);
    int compared = 0, agreed = 0;
    for (const Sample* x : lb) {
        const auto hi = std::lower_bound(la.begin(), la.end(), x->seconds,
                                         [](const Sample* s, double t) { return s->seconds < t; });
        if (hi == la.end() || (hi == la.begin() && (*hi)->seconds != x->seconds)) continue;
        const Sample* h = *hi;
        const Sample* l = (h->seconds == x->seconds || hi == la.begin()) ? h : *(hi - 1);
        const double f = h->seconds > l->seconds ? (x->seconds - l->seconds) / (h->seconds - l->seconds) : 0;
        const double v = l->volts + f * (h->volts - l->volts), ah = l->ampHours + f * (h->ampHours - l->ampHours);
        // The counter holds whole seconds: the voltage may lie a second's fall either way.
        const double slope = h->seconds > l->seconds ? std::abs(h->volts - l->volts) / (h->seconds - l->seconds) : 0;
        ++compared;
        if (std::abs(v - x->volts) <= kSameVolts * std::max(v, 1.0) + slope && std::abs(ah - x->ampHours) <= kSameAmpHours)
            ++agreed;
    }
    if (compared) return agreed * 5 >= compared * 4;
    return !a.empty() && !b.empty() && b.front().seconds >= a.front().seconds && b.back().seconds <= a.back().seconds;
}

// Readings under load per second of test time they span: the finer record has more.
double density(const Stretch& s) {
    const std::vector<const Sample*> l = loaded(s);
    if (l.size() < 2) return static_cast<double>(l.size());
    return static_cast<double>(l.size()) / std::max(1.0, l.back()->seconds - l.front()->seconds);
}

struct TestCopies {
    std::vector<Stretch> stretches;
};

// The finer copy whole, and from the others only what lies outside its stretch under load.
Stretch mergeCopies(const TestCopies& t, int& setAside) {
    size_t best = 0;
    for (size_t i = 1; i < t.stretches.size(); ++i)
        if (density(t.stretches[i]) > density(t.stretches[best])) best = i;
    Stretch out = t.stretches[best];
    const std::vector<const Sample*> l = loaded(out);
    const double from = l.empty() ? kInf : l.front()->seconds, to = l.empty() ? -kInf : l.back()->seconds;
    const double offBelow = largestAmps(out) / 2;
    for (size_t i = 0; i < t.stretches.size(); ++i) {
        if (i == best) continue;
        for (const Sample& x : t.stretches[i]) {
            // The other copy's record at the stop is kept too: the load bank's own end point.
            if (x.seconds < from || x.seconds > to || (x.seconds >= to && x.amps < offBelow)) out.push_back(x);
            else ++setAside;
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
    return out;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// The test's discharge current: the middle of the currents near its largest one.
double dischargeCurrent(const Stretch& s) {
    std::vector<double> a;
    const double floor = largestAmps(s) / 2;
    for (const Sample& x : s)
        if (x.amps > 0 && x.amps >= floor) a.push_back(x.amps);
    return median(std::move(a));
}

// The figures of one test's readings (in test-time order).
void analyseTest(RunFigures& r, const BatteryTest& test) {
    const std::vector<Sample>& s = r.samples;
    r.endVoltage = test.cells * test.endCellVolts;
    r.onLoadAmps = std::max(0.05, test.onLoadPercent / 100.0 * dischargeCurrent(s));
    const auto on = [&](const Sample& x) { return x.amps >= r.onLoadAmps; };

    const Sample* prev = nullptr; // the last reading on load
    bool offSince = false;        // a reading off load came after it
    double ah = 0, excluded = 0, ampsSum = 0;
    int onCount = 0;
    size_t lastOn = s.size();
    r.minVolts = r.minAmps = kInf;
    r.maxCelsius = -kInf;
    for (size_t i = 0; i < s.size(); ++i) {
        const Sample& x = s[i];
        if (!on(x)) {
            offSince = prev != nullptr;
            continue;
        }
        double dt = 0;
        if (!prev) {
            r.startVolts = x.volts;
            r.startCelsius = x.celsius;
            // The test timer starts with the test: a log begun later still counts the time
            // before it, at the constant current of a load bank test.
            ah = x.amps * std::max(x.seconds, 0.0) / 3600;
        } else if (offSince) {
            // Load off, then on again: the time between the readings on load either side is not
            // counted, so at most one poll of discharge goes uncounted, never one that was not.
            const double testGap = std::max(0.0, x.seconds - prev->seconds);
            const double pcGap = static_cast<double>(x.stamp - prev->stamp);
            r.interruptions.push_back({prev->seconds - excluded, pcGap > 0 ? pcGap : testGap, testGap > 0});
            excluded += testGap;
        } else {
            dt = std::max(0.0, x.seconds - prev->seconds);
        }
        const double counted = x.seconds - excluded;
        if (!r.reachedSeconds && x.volts <= r.endVoltage) {
            const double f = dt > 0 && prev->volts > r.endVoltage ? (prev->volts - r.endVoltage) / (prev->volts - x.volts) : 1;
            r.reachedSeconds = dt > 0 ? counted - dt + f * dt : counted;
            r.ampHoursToEnd = ah + (prev && dt > 0 ? (prev->amps + (prev->amps + f * (x.amps - prev->amps))) / 2 * f * dt / 3600 : 0);
        }
        ah += prev ? (prev->amps + x.amps) / 2 * dt / 3600 : 0;
        ++onCount;
        ampsSum += x.amps;
        r.minAmps = std::min(r.minAmps, x.amps);
        r.maxAmps = std::max(r.maxAmps, x.amps);
        r.minVolts = std::min(r.minVolts, x.volts);
        r.maxCelsius = std::max(r.maxCelsius, x.celsius);
        prev = &x;
        offSince = false;
        lastOn = i;
    }
    if (!onCount) {
        r.minVolts = r.minAmps = r.maxCelsius = 0;
        r.verdict = Verdict::Incomplete;
        r.note = "no discharge in this test";
        return;
    }
    r.discharged = true;
    const Sample& last = s[lastOn];
    r.endVolts = last.volts;
    r.endCelsius = last.celsius;
    r.averageAmps = ampsSum / onCount;

    // The load went off after the last reading on load and the load bank's timer stood still
    // from then on: the load bank stopped the test, its frozen counter holds the stop.
    double stop = last.seconds, stopVolts = kInf;
    if (lastOn + 1 < s.size()) {
        const double frozen = s[lastOn + 1].seconds;
        bool still = frozen >= last.seconds;
        for (size_t i = lastOn + 1; i < s.size() && still; ++i) {
            still = s[i].seconds == frozen;
            stopVolts = std::min(stopVolts, s[i].volts);
        }
        if (still) {
            r.stoppedByLoadBank = true;
            stop = frozen;
        }
    }
    r.durationSeconds = stop - excluded;
    r.ampHours = ah + last.amps * (stop - last.seconds) / 3600;
    // The load bank's own record at its stop reads the end voltage: it stopped there.
    if (!r.reachedSeconds && r.stoppedByLoadBank && stopVolts <= r.endVoltage) r.reachedSeconds = r.durationSeconds;
    if (!r.reachedSeconds || *r.reachedSeconds == r.durationSeconds) r.ampHoursToEnd = r.ampHours;

    // Readings at 0, 10, 30 and 60 minutes of counted time, then every hour, and at the end.
    const double end = r.reachedSeconds.value_or(r.durationSeconds);
    {
        double excl = 0, runAh = 0;
        const Sample* p = nullptr;
        bool off = false;
        size_t next = 0;
        const auto target = [](size_t k) { return k < 4 ? std::array<double, 4>{0, 600, 1800, 3600}[k] : 3600.0 * static_cast<double>(k - 2); };
        for (const Sample& x : s) {
            if (!on(x)) {
                off = p != nullptr;
                continue;
            }
            if (!p) runAh = x.amps * std::max(x.seconds, 0.0) / 3600;
            else if (off) excl += std::max(0.0, x.seconds - p->seconds);
            else runAh += (p->amps + x.amps) / 2 * std::max(0.0, x.seconds - p->seconds) / 3600;
            const double t = x.seconds - excl;
            if (t >= target(next) && t < end) {
                r.table.push_back({t, x.volts, x.amps, runAh, x.celsius, false});
                while (target(next) <= t) ++next;
            }
            p = &x;
            off = false;
        }
        r.table.push_back({end, r.reachedSeconds && !r.stoppedByLoadBank ? r.endVoltage : last.volts, last.amps,
                           r.ampHoursToEnd, last.celsius, true});
    }

    // Temperature correction.
    r.correctionCelsius = std::isnan(test.batteryCelsius) ? r.startCelsius : test.batteryCelsius;
    const double hours = test.hourRate > 0 ? test.hourRate : end / 3600;
    if (test.method == TempMethod::Ieee) {
        r.factor = ieeeKt(r.correctionCelsius);
        r.methodText = "IEEE 450/1188 time-adjusted, Kt " + formatPattern(r.factor, "##0.000");
    } else if (test.method == TempMethod::Iec) {
        const double lambda = hours >= 3 ? 0.006 : 0.01;
        r.factor = 1 + lambda * (r.correctionCelsius - 25);
        r.methodText = "IEC 60896, lambda " + formatPattern(lambda, "##0.000") + ", factor " + formatPattern(r.factor, "##0.000");
    } else {
        r.factor = test.k;
        r.methodText = test.k == 1 ? "none (K = 1.000)" : "K by hand " + formatPattern(test.k, "##0.000");
    }
    if (test.method == TempMethod::ByHand && test.k == 1 && std::abs(r.correctionCelsius - 25) > 5)
        r.warning = "battery at " + formatPattern(r.correctionCelsius, "##0.0") +
                    " \xC2\xB0" "C, more than 5 \xC2\xB0" "C from 25 \xC2\xB0" "C, and no temperature correction";

    if (test.rating != Rating::None && test.rated > 0 && r.factor > 0) {
        const double got = test.rating == Rating::Minutes ? end / 60 : r.ampHoursToEnd;
        r.capacityPercent = got / (test.rated * r.factor) * 100.0;
    }
    if (!r.capacityPercent) {
        r.verdict = Verdict::Incomplete;
        r.note = "no rating entered";
    } else if (*r.capacityPercent >= test.passPercent) {
        r.verdict = Verdict::Pass;
    } else if (r.reachedSeconds) {
        r.verdict = Verdict::Fail;
    } else {
        r.verdict = Verdict::Incomplete;
        r.note = "stopped before the end voltage at " + formatPattern(last.volts, "##0.00") + " V, " + capacityText(r) + " %";
    }
}

} // namespace

double ieeeKt(double celsius) {
    // Degrees C and Kt; between rows the factor is interpolated.
    static constexpr std::array<std::array<double, 2>, 14> table{{{10.0, 1.190}, {12.8, 1.136}, {15.6, 1.098},
                                                                   {18.3, 1.064}, {20.0, 1.040}, {21.1, 1.029},
                                                                   {22.2, 1.017}, {23.3, 1.006}, {25.0, 1.000},
                                                                   {26.7, 0.987}, {29.4, 0.965}, {32.2, 0.946},
                                                                   {35.0, 0.929}, {37.8, 0.912}}};
    if (!(celsius > table.front()[0])) return table.front()[1];
    for (size_t i = 1; i < table.size(); ++i)
        if (celsius <= table[i][0]) {
            const double f = (celsius - table[i - 1][0]) / (table[i][0] - table[i - 1][0]);
            return table[i - 1][1] + f * (table[i][1] - table[i - 1][1]);
        }
    return table.back()[1];
}

RunFigures analyseRun(std::string_view text, const BatteryTest& test, int testNumber) {
    RunFigures r;
    // Lines end in LF (with the CR before it); what is left of a stored message ends in its CR.
    std::vector<Stretch> stretches;
    bool stampsRunOn = true; // until a Connect starts the PC's seconds again
    long lastStamp = 0;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (eol != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        std::optional<Sample> s = decodeLine(line);
        if (!s) {
            ++r.skipped;
            continue;
        }
        if (!r.checked++) r.firstStamp = s->stamp;
        stampsRunOn = stampsRunOn && s->stamp >= lastStamp;
        lastStamp = s->stamp;
        s->pcTimeKnown = stampsRunOn;
        // The load bank's test time went back: a new test, or a download of one already seen.
        if (stretches.empty() || s->seconds < stretches.back().back().seconds) stretches.emplace_back();
        stretches.back().push_back(*s);
    }
    std::vector<TestCopies> tests;
    for (Stretch& st : stretches) {
        // A copy follows its test closely: a few recent tests and their first copies are enough,
        // and a file of endless time jumps costs no more than a straight one.
        TestCopies* same = nullptr;
        for (size_t i = tests.size() > kTestsLookedBack ? tests.size() - kTestsLookedBack : 0; i < tests.size(); ++i)
            for (size_t j = 0; j < std::min(tests[i].stretches.size(), kCopiesCompared); ++j)
                if (sameTest(tests[i].stretches[j], st)) same = &tests[i];
        if (same) same->stretches.push_back(std::move(st));
        else tests.push_back({{std::move(st)}});
    }
    r.testCount = static_cast<int>(tests.size());
    if (tests.empty()) {
        analyseTest(r, test);
        return r;
    }
    std::vector<RunFigures> each(tests.size(), r);
    int chosen = -1;
    for (size_t i = 0; i < tests.size(); ++i) {
        RunFigures& f = each[i];
        f.testNumber = static_cast<int>(i) + 1;
        f.samples = mergeCopies(tests[i], f.recordsSetAside);
        analyseTest(f, test);
        if (testNumber == 0 && f.discharged && (f.reachedSeconds || f.stoppedByLoadBank)) chosen = static_cast<int>(i);
    }
    if (testNumber > 0) chosen = std::min(testNumber, r.testCount) - 1;
    if (chosen < 0) chosen = r.testCount - 1;
    return std::move(each[static_cast<size_t>(chosen)]);
}

std::string runInfoPathFor(const std::string& resultFile) {
    const size_t slash = resultFile.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "." : resultFile.substr(0, slash);
    const std::string name = slash == std::string::npos ? resultFile : resultFile.substr(slash + 1);
    const std::string head = "DC_Result_", tail = ".txt";
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return {};
    const std::string n = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (n.size() > 9 || !std::all_of(n.begin(), n.end(), isDigit)) return {};
    return folder + "/DC_Run_" + std::to_string(std::stol(n)) + ".ini";
}

} // namespace dcload::report
