// The test report's figures, on runs of the load bank model whose answers are known by hand.
#include <gtest/gtest.h>

#include <map>

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"
#include "report/test_report.h"

using namespace dcload::report;

namespace {

// A logged run of the model (100 Ah at 50 A unless said), polled every 10 s up to `until` s.
// From `pauseAt` on the load is off for `pauseFor` s (the test timer stands).
std::string run(double capacityAh, double until, double pauseAt = 1e9, double pauseFor = 0) {
    loadbank::BatteryOptions b;
    b.capacityAh = capacityAh;
    const loadbank::Discharge model(b);
    std::string text;
    for (double w = 0; w <= until; w += 10) {
        const bool paused = w >= pauseAt && w < pauseAt + pauseFor;
        loadbank::Reading r = model.at(w < pauseAt ? w : paused ? pauseAt : w - pauseFor);
        const std::string stamp = std::to_string(1000000 + static_cast<int>(w)).substr(1) + "\r\r\n";
        text += loadbank::encodeDataMessage(loadbank::quantize(r.volts, paused ? 0 : r.amps, r.testSeconds,
                                                               r.ampHours, r.celsius)) + stamp;
    }
    return text;
}

TEST(TestReport, FiguresOfKnownRuns) {
    const std::string full = run(100, 7800);  // 50 A for 7200 s: 100 Ah, tripping at 42.00 V
    // Lines that are not a reading: words, a count, a cut message, bad hex, a failed checksum.
    const std::string junk = "hello\r\n012345\r\n0101010001900\r\n" + std::string(38, 'G') + "\r\n" +
        loadbank::corruptChecksum(loadbank::encodeDataMessage(loadbank::quantize(10.0, 50, 100, 1, 21))) + "000100\r\n";
    const std::tuple<const char*, std::string, Rating, double, double, std::map<std::string, std::string>> cases[] = {
        {"full capacity", full, Rating::AmpHours, 100, 1,
         {{"readings_used", "781"}, {"test_duration", "02:00:00"}, {"amp_hours", "100.0"}, {"end_voltage", "42.00"},
          {"end_voltage_reached_at", "02:00:00"}, {"average_amps", "50.0"}, {"start_volts", "50.88"}, {"result", "PASS"}}},
        {"rated time, K at the pass mark", full, Rating::Minutes, 120, 1.25, {{"capacity_percent", "80.0"}, {"result", "PASS"}}},
        {"weak battery", run(70, 6000), Rating::AmpHours, 100, 1,
         {{"end_voltage_reached_at", "01:24:00"}, {"capacity_percent", "70.0"}, {"result", "FAIL"}}},
        {"stopped early", run(100, 3700, 3600, 1e9), Rating::Minutes, 120, 1,
         {{"end_voltage_reached_at", "not reached"}, {"capacity_percent", "at least 50.0"}, {"result", "not reached"}}},
        {"pause", run(100, 8400, 1800, 600), Rating::AmpHours, 100, 1,
         {{"readings_used", "841"}, {"amp_hours", "100.0"}, {"end_voltage_reached_at", "02:00:00"}, {"result", "PASS"}}},
        {"junk lines", junk + full, Rating::AmpHours, 100, 1,
         {{"readings_used", "781"}, {"readings_skipped", "5"}, {"min_volts", "42.11"}, {"result", "PASS"}}},
        {"empty file", "", Rating::AmpHours, 100, 1, {{"amp_hours", "-"}, {"result", "no discharge"}}}};
    for (const auto& [name, text, rating, rated, k, expected] : cases) {
        BatteryTest t;
        t.rating = rating, t.rated = rated, t.k = k;
        std::map<std::string, std::string> got;
        for (const ReportLine& l : resultLines(analyseRun(text, t))) got[l.key] = l.value;
        for (const auto& [key, value] : expected) EXPECT_EQ(got[key], value) << name << ": " << key;
    }
}

TEST(TestReport, SettingsKeepWhatWasSavedAndIgnoreWhatIsUnusable) {
    BatteryTest t;
    t.rating = Rating::Minutes, t.rated = 180, t.k = 1.04, t.cells = 12, t.site = "Exchange 4\nstring B";
    const BatteryTest back = parseSettings(settingsText(t));
    EXPECT_EQ(settingsText(back), settingsText(t));
    EXPECT_EQ(back.site, "Exchange 4 string B");
    const BatteryTest bad = parseSettings("cells=0\nk=abc\nrating=ah\nrated=-5\nend_cell_volts=1,8\nnoise");
    EXPECT_EQ(settingsText(bad), settingsText(BatteryTest{}));
}

} // namespace
