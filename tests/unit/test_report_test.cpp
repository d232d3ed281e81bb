// The test report's figures, on result files whose answers were worked out by hand.
#include <gtest/gtest.h>

#include <map>

#include "loadbank/data_message.h"
#include "report/test_report.h"
#include "results/run_info.h"

using namespace dcload::report;

namespace {

// A discharge at `amps` whose voltage falls straight from `top` to 42.00 V at `trip` s, read every
// `step` s from `from` up to `lastOn` (and at `lastOn`), then `after` readings at 0 A with the
// timer frozen at `stop`. From `offAt` the load is off for `offFor` s while the timer runs.
struct Discharge {
    double amps = 50, trip = 7200, lastOn = 7200, stop = 7200, step = 10, from = 0, restVolts = 44, celsius = 25, top = 50;
    int after = 3;
    bool cr = false; // the load bank's CR kept: the 40-character form
    double offAt = 1e9, offFor = 0;
};

std::string line(double v, double a, double t, double ah, double c, bool cr, bool corrupt = false) {
    std::string m = loadbank::encodeDataMessage(loadbank::quantize(v, a, t, ah, c));
    const std::string stamp = std::to_string(1000000 + static_cast<long>(t)).substr(1); // PC seconds: test time
    return (corrupt ? loadbank::corruptChecksum(m) : m) + (cr ? "\r" : "") + stamp + "\r\r\n";
}

std::string text(const Discharge& r) {
    std::string out;
    auto at = [&](double t) {
        const bool off = t >= r.offAt && t < r.offAt + r.offFor;
        const double d = t < r.offAt ? t : off ? r.offAt : t - r.offFor; // discharged time
        out += line(r.top - (r.top - 42) * d / r.trip, off ? 0 : r.amps, t, r.amps * d / 3600, r.celsius, r.cr);
    };
    double t = r.from;
    for (; t <= r.lastOn; t += r.step) at(t);
    if (t - r.step < r.lastOn) at(r.lastOn);
    const double d = r.stop - r.offFor;
    for (int i = 0; i < r.after; ++i) out += line(r.restVolts, 0, r.stop, r.amps * d / 3600, r.celsius, r.cr);
    return out;
}

// The load bank's memory of the same discharge: a record a minute, then its record at the stop.
Discharge download(Discharge r) {
    r.from = r.step = 60;
    r.lastOn = std::floor((r.stop - 1) / 60) * 60;
    r.restVolts = 42.0, r.after = 1;
    return r;
}

BatteryTest ah(double rated) {
    BatteryTest t;
    t.rating = Rating::AmpHours, t.rated = rated;
    return t;
}

BatteryTest minutes(double rated) {
    BatteryTest t;
    t.rating = Rating::Minutes, t.rated = rated;
    return t;
}

BatteryTest with(BatteryTest t, TempMethod m, double celsius, double hourRate = 10) {
    t.method = m, t.batteryCelsius = celsius, t.hourRate = hourRate;
    return t;
}

TEST(TestReport, FiguresOfKnownFiles) {
    const Discharge live{}, at60{.trip = 7230, .lastOn = 7200, .stop = 7230, .step = 60, .restVolts = 43.5};
    const Discharge weak{.amps = 60, .trip = 4920, .lastOn = 4920, .stop = 4920};
    const std::string junk = "hello\r\n012345\r\n010101000190019A01A400C800D200DC009801FE001300000000001C\r\n" +
                             std::string(38, 'G') + "\r\n" + line(10.0, 50, 96, 1, 25, false, true) +
                             loadbank::encodeDataMessage(loadbank::quantize(10, 50, 96, 1, 25)) + "000100\r\n";
    const std::string cut = line(10.0, 50, 96, 1, 25, false).substr(0, 30) + "\r\n";
    const struct {
        const char* name;
        std::string file;
        BatteryTest test;
        int number;
        std::map<std::string, std::string> expected;
    } cases[] = {
        {"live, crossing between two readings", text({.trip = 7205, .lastOn = 7210, .stop = 7210}), ah(100), 0,
         {{"end_voltage_reached_at", "02:00:05"}, {"amp_hours_to_end", "100.1"}, {"capacity_percent", "100.0"},
          {"tests_in_file", "1"}, {"result", "PASS"}}},
        {"live then downloaded: one test, not the sum", text(weak) + text(download(weak)), ah(100), 0,
         {{"tests_in_file", "1"}, {"amp_hours", "82.0"}, {"end_voltage_reached_at", "01:22:00"},
          {"capacity_percent", "82.0"}, {"result", "PASS"}}},
        {"memory alone, stopped at its trip record", text(download(at60)), ah(100), 0,
         {{"stopped_by_load_bank", "yes"}, {"end_voltage_reached_at", "02:00:30"}, {"capacity_percent", "100.4"},
          {"result", "PASS"}}},
        {"two tests: the last complete one", text({.trip = 3600, .lastOn = 3600, .stop = 3600}) +
                                                 text({.trip = 2400, .lastOn = 2400, .stop = 2400, .top = 49.5}),
         ah(100), 0, {{"tests_in_file", "2"}, {"test_number", "2"}, {"amp_hours", "33.3"}, {"test_duration", "00:40:00"}}},
        {"two tests: the first as asked", text({.trip = 3600, .lastOn = 3600, .stop = 3600}) +
                                              text({.trip = 2400, .lastOn = 2400, .stop = 2400, .top = 49.5}),
         ah(100), 1, {{"test_number", "1"}, {"amp_hours", "50.0"}, {"test_duration", "01:00:00"}}},
        {"40-character lines checked", line(10.0, 50, 96, 1, 25, true, true) + text({.cr = true}), ah(100), 0,
         {{"readings_skipped", "1"}, {"end_voltage_reached_at", "02:00:00"}, {"min_volts", "42.00"}, {"result", "PASS"}}},
        {"a cut line is skipped", cut + text(live), ah(100), 0, {{"readings_skipped", "1"}, {"result", "PASS"}}},
        {"junk lines", junk + text(live), ah(100), 0,
         {{"readings_used", "724"}, {"readings_skipped", "6"}, {"min_volts", "42.00"}, {"result", "PASS"}}},
        {"tripped above the end voltage", text({.lastOn = 6880, .stop = 6880}), ah(120), 0,
         {{"end_voltage_reached_at", "not reached"}, {"end_volts", "42.36"}, {"capacity_percent", "at least 79.6"},
          {"result", "INCOMPLETE"}, {"result_note", "stopped before the end voltage at 42.36 V, at least 79.6 %"}}},
        {"stopped above the pass mark", text({.lastOn = 6000, .stop = 6000, .restVolts = 45}), minutes(120), 0,
         {{"capacity_percent", "at least 83.3"}, {"result", "PASS"}}},
        {"exactly at the pass mark", text(live), minutes(150), 0, {{"capacity_percent", "80.0"}, {"result", "PASS"}}},
        {"79.96 % is below 80", text({.trip = 5997, .lastOn = 5997, .stop = 5997}), minutes(125), 0,
         {{"capacity_percent", "79.9"}, {"result", "FAIL"}}},
        {"small battery at its 10-hour current", text({.amps = 4, .trip = 36000, .lastOn = 36000, .stop = 36000, .step = 60}),
         ah(40), 0, {{"on_load_amps", "0.40"}, {"amp_hours", "40.0"}, {"capacity_percent", "100.0"}, {"result", "PASS"}}},
        {"readings a minute apart", text(at60), ah(100), 0,
         {{"end_voltage_reached_at", "not reached"}, {"capacity_percent", "at least 100.4"}, {"result", "PASS"}}},
        {"a minute apart, then downloaded", text(at60) + text(download(at60)), ah(100), 0,
         {{"tests_in_file", "1"}, {"end_voltage_reached_at", "02:00:30"}, {"capacity_percent", "100.4"}, {"result", "PASS"}}},
        {"log begun late", text({.trip = 5400, .lastOn = 5400, .stop = 5400, .from = 1200}), ah(100), 0,
         {{"amp_hours", "75.0"}, {"capacity_percent", "75.0"}, {"result", "FAIL"}}},
        {"interruption with the timer running", text({.lastOn = 7800, .stop = 7800, .offAt = 1800, .offFor = 600}), ah(100), 0,
         {{"interruptions", "1"}, {"amp_hours", "99.9"}, {"test_duration", "01:59:50"}, {"end_voltage_reached_at", "01:59:50"}}},
        {"IEC 60896 at 15 degC", text(live), with(ah(100), TempMethod::Iec, 15), 0,
         {{"correction_factor", "0.940"}, {"capacity_percent", "106.3"}}},
        {"IEC 60896, a short test", text(live), with(ah(100), TempMethod::Iec, 35, 2), 0, {{"correction_factor", "1.100"}}},
        {"IEEE 450 at 20 degC", text(live), with(ah(100), TempMethod::Ieee, 20), 0,
         {{"correction_factor", "1.040"}, {"capacity_percent", "96.1"}}},
        {"cold battery, no correction", text({.celsius = 15}), ah(100), 0,
         {{"warning", "battery at 15.0 \xC2\xB0" "C, more than 5 \xC2\xB0" "C from 25 \xC2\xB0" "C, and no temperature correction"}}},
        {"empty file", "", ah(100), 0, {{"amp_hours", "-"}, {"result", "INCOMPLETE"}}}};
    for (const auto& c : cases) {
        std::map<std::string, std::string> got;
        for (const ReportLine& l : resultLines(analyseRun(c.file, c.test, c.number))) got[l.key] = l.value;
        for (const auto& [key, value] : c.expected) EXPECT_EQ(got[key], value) << c.name << ": " << key;
    }
}

TEST(TestReport, CsvHasUnitsAndPcTimes) {
    dcload::RunInfo info;
    info.firstReading = "2026-12-31T23:59:00";
    const std::string csv = csvText(analyseRun(text({.trip = 120, .lastOn = 120, .stop = 120, .step = 60}), ah(1)), info);
    EXPECT_EQ(csv, "Test Time / s,Voltage / V,Current / A,Discharging Capacity / Ah,Temperature / degC,PC Time\r\n"
                   "0,50.00,50.0,0,25.0,2026-12-31T23:59:00\r\n60,46.00,50.0,0,25.0,2027-01-01T00:00:00\r\n"
                   "120,42.00,50.0,1,25.0,2027-01-01T00:01:00\r\n120,44.00,0.0,1,25.0,2027-01-01T00:01:00\r\n"
                   "120,44.00,0.0,1,25.0,2027-01-01T00:01:00\r\n120,44.00,0.0,1,25.0,2027-01-01T00:01:00\r\n");
}

TEST(TestReport, SettingsKeepWhatWasSavedPerBatteryAndIgnoreWhatIsUnusable) {
    BatteryTest t;
    t.rating = Rating::Minutes, t.rated = 180, t.k = 1.04, t.cells = 12, t.site = "Exchange 4\nstring B";
    t.identifier = "B1", t.operatorName = "Ann", t.method = TempMethod::Iec, t.batteryCelsius = 18;
    const BatteryTest back = parseSettings(settingsText(t));
    EXPECT_EQ(settingsText(back), settingsText(t));
    EXPECT_EQ(back.site, "Exchange 4 string B");
    const BatteryTest bad = parseSettings("cells=0\nk=abc\nrating=ah\nrated=-5\nend_cell_volts=1,8\non_load_percent=0\nnoise");
    EXPECT_EQ(settingsText(bad), settingsText(BatteryTest{}));

    const std::string path = testing::TempDir() + "/Report.ini";
    std::remove(path.c_str());
    BatteryTest second = t;
    second.identifier = "B2", second.site = "Hall", second.k = 1.2;
    ASSERT_TRUE(saveSettings(path, t).ok());
    ASSERT_TRUE(saveSettings(path, second).ok());
    EXPECT_EQ(settingsText(loadSettings(path)), settingsText(second));
    EXPECT_EQ(loadSettings(path, "B1").site, "Exchange 4 string B");
    const BatteryTest fresh = loadSettings(path, "B3");
    EXPECT_TRUE(fresh.site.empty() && fresh.k == 1.0 && fresh.operatorName == "Ann" && fresh.identifier == "B3");
}

} // namespace
