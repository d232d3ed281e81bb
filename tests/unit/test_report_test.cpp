// The test report's figures, on runs of the load bank model whose answers are known by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"
#include "report/test_report.h"

using namespace dcload::report;

namespace {

std::string stored(const std::string& message, int stamp) {
    char s[8];
    std::snprintf(s, sizeof s, "%06d", stamp);
    return message + s + "\r\r\n";
}

// A logged run of the model, polled every 10 s up to `until` s. From `pauseAt` on the load is
// off for `pauseFor` s (the test timer stands), then the discharge goes on. The log starts at `from`.
std::string run(double capacityAh, double until, double pauseAt = 1e9, double pauseFor = 0, double from = 0) {
    loadbank::BatteryOptions b;
    b.capacityAh = capacityAh;
    const loadbank::Discharge model(b);
    std::string text;
    for (double w = from; w <= until; w += 10) {
        const bool paused = w >= pauseAt && w < pauseAt + pauseFor;
        loadbank::Reading r = model.at(w < pauseAt ? w : paused ? pauseAt : w - pauseFor);
        if (paused) r.amps = 0;
        text += stored(loadbank::encodeDataMessage(loadbank::quantize(r.volts, r.amps, r.testSeconds, r.ampHours, r.celsius)),
                       static_cast<int>(w));
    }
    return text;
}

BatteryTest rated(Rating rating, double value, double k = 1.0) {
    BatteryTest t;
    t.rating = rating;
    t.rated = value;
    t.k = k;
    return t;
}

// Lines a logger may find in a result file that are not a reading: a count, words, a cut
// message, bad hex, and a message whose 10 V reading fails its checksum.
std::string junk() {
    const std::string low = loadbank::encodeDataMessage(loadbank::quantize(10.0, 50, 100, 1, 21));
    return "hello\r\n012345\r\n0101010001900\r\n" + std::string(38, 'G') + "\r\n\r\n" +
           stored(loadbank::corruptChecksum(low), 100);
}

struct Case {
    const char* name;
    std::string text;
    BatteryTest test;
    std::map<std::string, std::string> expected;
};

TEST(TestReport, FiguresOfKnownRuns) {
    const std::string full = run(100, 7800); // 50 A for 7200 s: 100 Ah, tripping at 42.00 V
    const Case cases[] = {
        {"full capacity", full, rated(Rating::AmpHours, 100),
         {{"readings_used", "781"}, {"readings_skipped", "0"}, {"test_duration", "02:00:00"}, {"amp_hours", "100.0"},
          {"end_voltage", "42.00"}, {"end_voltage_reached_at", "02:00:00"}, {"average_amps", "50.0"},
          {"start_volts", "50.88"}, {"temp_start_c", "21.0"}, {"capacity_percent", "100.0"}, {"result", "PASS"}}},
        {"rated time with K at the threshold", full, rated(Rating::Minutes, 120, 1.25),
         {{"capacity_percent", "80.0"}, {"result", "PASS"}}},
        {"weak battery", run(70, 6000), rated(Rating::AmpHours, 100),
         {{"end_voltage_reached_at", "01:24:00"}, {"amp_hours_to_end", "70.0"}, {"capacity_percent", "70.0"},
          {"result", "FAIL"}}},
        {"stopped before the end voltage", run(100, 3700, 3600, 1e9), rated(Rating::Minutes, 120),
         {{"test_duration", "01:00:00"}, {"amp_hours", "50.0"}, {"end_voltage_reached_at", "not reached"},
          {"capacity_percent", "at least 50.0"}, {"result", "not reached"}}},
        {"pause", run(100, 8400, 1800, 600), rated(Rating::AmpHours, 100),
         {{"readings_used", "841"}, {"amp_hours", "100.0"}, {"average_amps", "50.0"},
          {"end_voltage_reached_at", "02:00:00"}, {"result", "PASS"}}},
        {"logged from half-way", run(100, 7800, 1e9, 0, 3600), rated(Rating::AmpHours, 100),
         {{"amp_hours", "100.0"}, {"capacity_percent", "100.0"}}},
        {"junk lines", junk() + full, rated(Rating::AmpHours, 100),
         {{"readings_used", "781"}, {"readings_skipped", "5"}, {"min_volts", "42.11"}, {"result", "PASS"}}},
        {"empty file", "", rated(Rating::AmpHours, 100),
         {{"readings_used", "0"}, {"amp_hours", "-"}, {"result", "no discharge"}}},
    };
    for (const Case& c : cases) {
        std::map<std::string, std::string> got;
        for (const ReportLine& l : resultLines(analyseRun(c.text, c.test))) got[l.key] = l.value;
        for (const auto& [key, value] : c.expected) EXPECT_EQ(got[key], value) << c.name << ": " << key;
    }
}

TEST(TestReport, SettingsKeepWhatWasSavedAndIgnoreWhatIsUnusable) {
    BatteryTest t = rated(Rating::Minutes, 180, 1.04);
    t.site = "Exchange 4\nstring B";
    t.cells = 12;
    const BatteryTest back = parseSettings(settingsText(t));
    EXPECT_EQ(settingsText(back), settingsText(t));
    EXPECT_EQ(back.site, "Exchange 4 string B");
    const BatteryTest bad = parseSettings("cells=0\nk=abc\nrating=ah\nrated=-5\nend_cell_volts=1,8\nnoise");
    EXPECT_EQ(settingsText(bad), settingsText(BatteryTest{}));
}

} // namespace
