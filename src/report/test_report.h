// The figures a discharge test exists for: how much of its rated capacity the battery gave
// before it reached its end voltage, and whether that passes. Computed from the stored messages
// of a run, decoded as the logger decodes them. A result file can hold more than one test (the
// load bank restarted without Disconnect) and the same test twice (live readings, then the
// load bank's memory downloaded into the same file): one test is reported, never a sum.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/file_io.h"

namespace dcload {
struct RunInfo;
}

namespace dcload::report {

enum class Rating { None, AmpHours, Minutes };
// How the capacity is corrected for the battery's temperature: a K typed by hand (1 = none),
// the IEEE 450/1188 time-adjusted factor Kt, or the IEC 60896 coefficient lambda.
enum class TempMethod { ByHand, Ieee, Iec };

// What the technician enters about the battery and the test.
struct BatteryTest {
    std::string site;
    std::string identifier;      // string or battery identifier: Report.ini keeps one set per identifier
    std::string make, model, type;
    std::string operatorName, witness;
    int cells = 24;
    Rating rating = Rating::None;
    double rated = 0;            // Ah at the test rate, or minutes to the end voltage
    double hourRate = 0;         // the rating's hour rate (10 for C10); 0 when not given
    double endCellVolts = 1.75;
    double k = 1.0;              // by hand: the correction factor for the initial temperature
    TempMethod method = TempMethod::ByHand;
    double batteryCelsius = NAN; // entered electrolyte or pilot-cell temperature; NaN: the logged one
    double passPercent = 80.0;
    double onLoadPercent = 10.0; // on load: current at least this share of the test's discharge current
};

// One decoded reading: the load bank's test time and its readings with their decimals, and the
// PC's seconds since Connect stamped on arrival.
struct Sample {
    double seconds = 0, volts = 0, amps = 0, ampHours = 0, celsius = 0;
    long stamp = 0;
    bool pcTimeKnown = false; // the PC stamps ran on from the file's first reading up to this one
};

// Load off, then on again. `length` is in the PC's seconds when the stamps allow, else test time.
struct Interruption {
    double startSeconds = 0;     // counted test time at the last reading on load before it
    double lengthSeconds = 0;
    bool timerRan = false;       // the load bank's timer ran on: that time is not counted
};

// A row of the readings table: counted test time and the readings there.
struct TableRow {
    double seconds = 0, volts = 0, amps = 0, ampHours = 0, celsius = 0;
    bool end = false;
};

enum class Verdict { Pass, Fail, Incomplete };

struct RunFigures {
    std::vector<Sample> samples;   // the reported test's readings, in test-time order
    int checked = 0;               // whole, intact readings in the file
    long firstStamp = 0;           // the PC stamp of the file's first reading
    int skipped = 0;               // lines that are not a whole, intact stored message
    int testCount = 0;             // tests the file holds
    int testNumber = 0;            // the one reported, from 1
    int recordsSetAside = 0;       // readings of this test not used: a coarser copy of the same stretch
    bool discharged = false;       // some reading is under load
    double onLoadAmps = 0;         // the on-load threshold used
    double averageAmps = 0, minAmps = 0, maxAmps = 0;
    double durationSeconds = 0;    // counted test time to the end of the discharge
    double ampHours = 0;           // delivered over the whole discharge
    double startVolts = 0, endVolts = 0, minVolts = 0;
    double startCelsius = 0, maxCelsius = 0, endCelsius = 0;
    double endVoltage = 0;         // cells x end volts per cell
    bool stoppedByLoadBank = false; // the load went off and the test timer stood still after
    std::optional<double> reachedSeconds;
    double ampHoursToEnd = 0;      // to the end voltage, or so far when it was not reached
    std::vector<Interruption> interruptions;
    std::vector<TableRow> table;
    double correctionCelsius = 0;  // the temperature the correction is for
    double factor = 1;             // the divisor of the capacity: K, Kt or 1 + lambda (t - 25)
    std::string methodText;
    std::string warning;           // temperature far from 25 degC and no correction
    std::optional<double> capacityPercent; // unrounded; "at least" this when the end was not reached
    Verdict verdict = Verdict::Incomplete;
    std::string note;              // why INCOMPLETE, in words
};

// Every line of a result file is checked. `testNumber` 0 reports the last complete test (or the
// last one when none is complete).
RunFigures analyseRun(std::string_view fileText, const BatteryTest& test, int testNumber = 0);

// IEEE 450/1188 Kt for a temperature in degC, interpolated in the table (held at its ends).
double ieeeKt(double celsius);

struct ReportLine {
    std::string key;     // for scripts: "capacity_percent"
    std::string label;   // for people: "Capacity"
    std::string value;   // the same text in both
};
// The battery data as entered, then the results.
std::vector<ReportLine> batteryLines(const BatteryTest& test);
std::vector<ReportLine> resultLines(const RunFigures& run);
std::string verdictText(Verdict v);
// "100.0", or "at least 83.3": shown cut (never rounded up) to one decimal, so a figure just
// below the pass mark never reads as the mark.
std::string capacityText(const RunFigures& run);
std::string clockText(double seconds);

// The reported test's readings for a spreadsheet: a header with units, then one line each.
// PC times come from the run's information file where its first reading's time is known.
std::string csvText(const RunFigures& run, const RunInfo& info);

// Report.ini: the entries last used, then one section per battery identifier. Unknown keys
// and unusable values keep the defaults.
// Empty when the entries can be used; else what is wrong, in words for the technician.
std::string checkTest(const BatteryTest& test);
std::string settingsText(const BatteryTest& test);
BatteryTest parseSettings(std::string_view text);
// The last entries used; with an identifier, that battery's own (a new one starts from the
// defaults and keeps only who tests and how).
BatteryTest loadSettings(const std::string& path);
BatteryTest loadSettings(const std::string& path, const std::string& identifier);
FileResult saveSettings(const std::string& path, const BatteryTest& test);

// DC_Run_<n>.ini for a result file named DC_Result_<n>.txt; empty for any other name.
std::string runInfoPathFor(const std::string& resultFile);

} // namespace dcload::report
