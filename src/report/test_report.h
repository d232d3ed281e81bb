// The figures a discharge test exists for: how much of its rated capacity the battery gave
// before it reached its end voltage, and whether that passes. Computed from the stored messages
// of a run, decoded as the logger decodes them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/file_io.h"

namespace dcload::report {

enum class Rating { None, AmpHours, Minutes };

// What the technician enters about the battery and the test.
struct BatteryTest {
    std::string site;
    int cells = 24;
    Rating rating = Rating::None;
    double rated = 0;            // Ah at the test rate, or minutes to the end voltage
    double endCellVolts = 1.75;
    double k = 1.0;              // temperature correction factor for the initial temperature
    double passPercent = 80.0;
};

// One decoded reading: the load bank's test time and its readings with their decimals.
struct Sample {
    double seconds = 0, volts = 0, amps = 0, ampHours = 0, celsius = 0;
    bool onLoad() const;
};

enum class Verdict { NoDischarge, NotReached, NoRating, Pass, Fail };

struct RunFigures {
    std::vector<Sample> samples;   // the readings used, in file order
    int skipped = 0;               // items that are not a whole, intact reading
    bool discharged = false;       // some reading is under load
    double durationSeconds = 0;
    double ampHours = 0;           // delivered over the whole discharge
    double startVolts = 0, endVolts = 0, minVolts = 0, averageAmps = 0;
    double startCelsius = 0, maxCelsius = 0, endCelsius = 0;
    double endVoltage = 0;         // cells x end volts per cell
    std::optional<double> reachedSeconds;
    double ampHoursToEnd = 0;      // to the end voltage, or so far when it was not reached
    std::optional<double> capacityPercent; // "at least" this much when the end was not reached
    Verdict verdict = Verdict::NoDischarge;
};

// Every non-empty item of a result file's text counts once, as the logger's reader counts them.
RunFigures analyseRun(std::string_view fileText, const BatteryTest& test);

struct ReportLine {
    std::string key;     // for scripts: "capacity_percent"
    std::string label;   // for people: "Capacity"
    std::string value;   // the same text in both
};
// The battery data as entered, then the results.
std::vector<ReportLine> batteryLines(const BatteryTest& test);
std::vector<ReportLine> resultLines(const RunFigures& run);
std::string verdictText(Verdict v);

// Report.ini: key=value lines. Unknown keys and unusable values keep the defaults.
// Empty when the entries can be used; else what is wrong, in words for the technician.
std::string checkTest(const BatteryTest& test);
std::string settingsText(const BatteryTest& test);
BatteryTest parseSettings(std::string_view text);
BatteryTest loadSettings(const std::string& path);
FileResult saveSettings(const std::string& path, const BatteryTest& test);

} // namespace dcload::report
