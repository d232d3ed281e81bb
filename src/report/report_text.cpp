#include <charconv>
#include <cmath>

#include "decode/format.h"
#include "report/test_report.h"
#include "results/run_info.h"

namespace dcload::report {

namespace {

std::string fixed(double v, int decimals) {
    return formatPattern(v, decimals == 0 ? "##0" : decimals == 1 ? "##0.0" : decimals == 2 ? "##0.00" : "##0.000");
}

bool number(std::string_view text, double& out) {
    text = trimBlanks(text);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string oneLine(const std::string& s) {
    std::string out;
    for (char c : s) out += (c == '\r' || c == '\n') ? ' ' : c;
    return std::string(trimBlanks(out));
}

const char* methodKey(TempMethod m) { return m == TempMethod::Ieee ? "ieee" : m == TempMethod::Iec ? "iec" : "k"; }

// ISO 8601 local time plus whole seconds; empty when the stamp is not of that shape.
std::string addSeconds(const std::string& iso, long seconds) {
    int y, mo, d, h, mi, s;
    if (iso.size() != 19 || std::sscanf(iso.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s) != 6) return {};
    // Days from the civil date (proleptic Gregorian), so no time zone or library is involved.
    const auto days = [](int yy, int mm, int dd) {
        yy -= mm <= 2;
        const int era = (yy >= 0 ? yy : yy - 399) / 400;
        const int yoe = yy - era * 400, doy = (153 * (mm + (mm > 2 ? -3 : 9)) + 2) / 5 + dd - 1;
        return static_cast<long>(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    };
    long t = days(y, mo, d) * 86400 + h * 3600 + mi * 60 + s + seconds;
    long z = (t >= 0 ? t : t - 86399) / 86400;
    const long secs = t - z * 86400;
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365, doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153, dd = doy - (153 * mp + 2) / 5 + 1, mm = mp < 10 ? mp + 3 : mp - 9;
    char out[32];
    std::snprintf(out, sizeof out, "%04ld-%02ld-%02ldT%02ld:%02ld:%02ld", yoe + era * 400 + (mm <= 2), mm, dd, secs / 3600,
                  secs / 60 % 60, secs % 60);
    return out;
}

} // namespace

std::string clockText(double seconds) { return testTimeText(static_cast<std::int32_t>(std::lround(seconds))); }

std::string verdictText(Verdict v) {
    switch (v) {
    case Verdict::Pass: return "PASS";
    case Verdict::Fail: return "FAIL";
    case Verdict::Incomplete: return "INCOMPLETE";
    }
    return "";
}

std::string capacityText(const RunFigures& r) {
    if (!r.capacityPercent) return "-";
    const double cut = std::floor(*r.capacityPercent * 10 + 1e-6) / 10;
    return (r.reachedSeconds ? "" : "at least ") + fixed(cut, 1);
}

std::vector<ReportLine> batteryLines(const BatteryTest& t) {
    std::vector<ReportLine> out{{"site", "Site / battery", t.site},
                                {"identifier", "String or battery identifier", t.identifier},
                                {"make", "Make", t.make},
                                {"model", "Model", t.model},
                                {"type", "Type", t.type},
                                {"operator", "Operator", t.operatorName},
                                {"witness", "Witness", t.witness},
                                {"cells", "Cells", std::to_string(t.cells)}};
    if (t.rating == Rating::AmpHours) out.push_back({"rated_ah", "Rated capacity (Ah)", fixed(t.rated, 1)});
    else if (t.rating == Rating::Minutes) out.push_back({"rated_minutes", "Rated time (min)", fixed(t.rated, 1)});
    else out.push_back({"rating", "Rating", "none"});
    out.push_back({"hour_rate", "Hour rate (h)", t.hourRate > 0 ? fixed(t.hourRate, 1) : "-"});
    out.push_back({"end_cell_volts", "End voltage per cell (V)", fixed(t.endCellVolts, 3)});
    out.push_back({"k", "Temperature correction K", fixed(t.k, 3)});
    out.push_back({"pass_percent", "Pass threshold (%)", fixed(t.passPercent, 1)});
    out.push_back({"on_load_percent", "On load from (% of the test current)", fixed(t.onLoadPercent, 1)});
    return out;
}

std::vector<ReportLine> resultLines(const RunFigures& r) {
    std::vector<ReportLine> out{{"tests_in_file", "Tests in the file", std::to_string(r.testCount)},
                                {"test_number", "Test reported", std::to_string(r.testNumber)},
                                {"readings_used", "Readings used", std::to_string(r.samples.size())},
                                {"readings_skipped", "Lines skipped (not an intact reading)", std::to_string(r.skipped)},
                                {"readings_set_aside", "Readings of a coarser copy not used", std::to_string(r.recordsSetAside)}};
    auto add = [&](const char* key, const char* label, std::string value) {
        out.push_back({key, label, r.discharged ? std::move(value) : "-"});
    };
    add("test_duration", "Test duration", clockText(r.durationSeconds));
    add("amp_hours", "Ampere-hours delivered", fixed(r.ampHours, 1));
    add("start_volts", "Start voltage (V)", fixed(r.startVolts, 2));
    add("end_volts", "Last voltage on load (V)", fixed(r.endVolts, 2));
    add("min_volts", "Minimum voltage on load (V)", fixed(r.minVolts, 2));
    add("average_amps", "Average current (A)", fixed(r.averageAmps, 1));
    add("min_amps", "Minimum current on load (A)", fixed(r.minAmps, 1));
    add("max_amps", "Maximum current (A)", fixed(r.maxAmps, 1));
    add("on_load_amps", "On load from (A)", fixed(r.onLoadAmps, 2));
    add("temp_start_c", "Temperature at start (\xC2\xB0" "C)", fixed(r.startCelsius, 1));
    add("temp_max_c", "Maximum temperature (\xC2\xB0" "C)", fixed(r.maxCelsius, 1));
    add("temp_end_c", "Temperature at end (\xC2\xB0" "C)", fixed(r.endCelsius, 1));
    out.push_back({"end_voltage", "End voltage (V)", fixed(r.endVoltage, 2)});
    add("stopped_by_load_bank", "Stopped by the load bank", r.stoppedByLoadBank ? "yes" : "no");
    add("end_voltage_reached_at", "End voltage reached at", r.reachedSeconds ? clockText(*r.reachedSeconds) : "not reached");
    add("amp_hours_to_end", "Ampere-hours to end voltage", fixed(r.ampHoursToEnd, 1));
    add("interruptions", "Interruptions", std::to_string(r.interruptions.size()));
    add("temperature_method", "Temperature correction", r.methodText);
    add("correction_temp_c", "Temperature corrected for (\xC2\xB0" "C)", fixed(r.correctionCelsius, 1));
    add("correction_factor", "Correction factor", fixed(r.factor, 3));
    add("capacity_percent", "Capacity (% of rated)", capacityText(r));
    if (!r.warning.empty()) out.push_back({"warning", "Warning", r.warning});
    if (!r.note.empty()) out.push_back({"result_note", "Why", r.note});
    out.push_back({"result", "Result", verdictText(r.verdict)});
    return out;
}

std::string csvText(const RunFigures& r, const RunInfo& info) {
    std::string out = "Test Time / s,Voltage / V,Current / A,Discharging Capacity / Ah,Temperature / degC,PC Time\r\n";
    // PC times follow from the first reading's time while the PC stamps run on from it.
    for (const Sample& s : r.samples) {
        out += fixed(s.seconds, 0) + "," + fixed(s.volts, 2) + "," + fixed(s.amps, 1) + "," + fixed(s.ampHours, 0) + "," +
               fixed(s.celsius, 1) + "," +
               (s.pcTimeKnown ? addSeconds(info.firstReading, s.stamp - r.firstStamp) : "") + "\r\n";
    }
    return out;
}

std::string checkTest(const BatteryTest& t) {
    if (!(t.cells >= 1 && t.cells <= 1000)) return "the number of cells must be 1 to 1000";
    if (t.rating != Rating::None && !(t.rated > 0 && t.rated <= 100000)) return "the rating must be above 0";
    if (!(t.hourRate >= 0 && t.hourRate <= 1000)) return "the hour rate must be 0 to 1000 h";
    if (!(t.endCellVolts > 0 && t.endCellVolts <= 100)) return "the end voltage per cell must be above 0 V";
    if (!(t.k >= 0.1 && t.k <= 10)) return "the correction factor K must be 0.1 to 10";
    if (!(t.passPercent >= 0 && t.passPercent <= 1000)) return "the pass threshold must be 0 to 1000 %";
    if (!(t.onLoadPercent >= 1 && t.onLoadPercent <= 90)) return "the on-load share must be 1 to 90 %";
    if (!std::isnan(t.batteryCelsius) && !(t.batteryCelsius >= -40 && t.batteryCelsius <= 80))
        return "the battery temperature must be -40 to 80 \xC2\xB0" "C";
    return "";
}

std::string settingsText(const BatteryTest& t) {
    const char* rating = t.rating == Rating::AmpHours ? "ah" : t.rating == Rating::Minutes ? "minutes" : "none";
    return "site=" + oneLine(t.site) + "\r\nidentifier=" + oneLine(t.identifier) + "\r\nmake=" + oneLine(t.make) +
           "\r\nmodel=" + oneLine(t.model) + "\r\ntype=" + oneLine(t.type) + "\r\noperator=" + oneLine(t.operatorName) +
           "\r\nwitness=" + oneLine(t.witness) + "\r\ncells=" + std::to_string(t.cells) + "\r\nrating=" + rating +
           "\r\nrated=" + fixed(t.rated, 3) + "\r\nhour_rate=" + fixed(t.hourRate, 3) + "\r\nend_cell_volts=" +
           fixed(t.endCellVolts, 3) + "\r\nk=" + fixed(t.k, 3) + "\r\nmethod=" + methodKey(t.method) +
           "\r\nbattery_temp_c=" + (std::isnan(t.batteryCelsius) ? "" : fixed(t.batteryCelsius, 1)) +
           "\r\npass_percent=" + fixed(t.passPercent, 3) + "\r\non_load_percent=" + fixed(t.onLoadPercent, 3) + "\r\n";
}

BatteryTest parseSettings(std::string_view text) {
    BatteryTest t;
    while (!text.empty()) {
        const size_t eol = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.front() == '[') break; // the per-battery sections follow
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = trimBlanks(line.substr(0, eq)), value = line.substr(eq + 1);
        const std::string words(trimBlanks(value));
        BatteryTest trial = t;
        double v = 0;
        if (key == "site") trial.site = words;
        else if (key == "identifier") trial.identifier = words;
        else if (key == "make") trial.make = words;
        else if (key == "model") trial.model = words;
        else if (key == "type") trial.type = words;
        else if (key == "operator") trial.operatorName = words;
        else if (key == "witness") trial.witness = words;
        else if (key == "rating") trial.rating = value == "ah" ? Rating::AmpHours : value == "minutes" ? Rating::Minutes : Rating::None;
        else if (key == "method") trial.method = value == "ieee" ? TempMethod::Ieee : value == "iec" ? TempMethod::Iec : TempMethod::ByHand;
        else if (key == "battery_temp_c" && words.empty()) trial.batteryCelsius = NAN;
        else if (!number(value, v)) continue;
        else if (key == "cells") trial.cells = std::abs(v) < 1e6 ? static_cast<int>(v) : 0;
        else if (key == "rated") trial.rated = v;
        else if (key == "hour_rate") trial.hourRate = v;
        else if (key == "end_cell_volts") trial.endCellVolts = v;
        else if (key == "k") trial.k = v;
        else if (key == "battery_temp_c") trial.batteryCelsius = v;
        else if (key == "pass_percent") trial.passPercent = v;
        else if (key == "on_load_percent") trial.onLoadPercent = v;
        if (checkTest(trial).empty() || key == "rating") t = trial;
    }
    if (!checkTest(t).empty()) t.rating = Rating::None; // a rating without a usable figure
    return t;
}

namespace {

// The file's text after the header line "[identifier]", up to the next section; npos: none.
size_t sectionStart(std::string_view text, const std::string& identifier) {
    const std::string head = "[" + oneLine(identifier) + "]";
    for (size_t at = 0; (at = text.find(head, at)) != std::string_view::npos; at += head.size()) {
        const bool lineStart = at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r';
        const size_t after = at + head.size();
        if (lineStart && (after == text.size() || text[after] == '\r' || text[after] == '\n')) return after;
    }
    return std::string_view::npos;
}

std::string_view sectionText(std::string_view text, size_t start) {
    std::string_view rest = text.substr(start);
    const size_t eol = rest.find_first_not_of("\r\n");
    rest = eol == std::string_view::npos ? std::string_view{} : rest.substr(eol);
    size_t end = 0;
    while ((end = rest.find('[', end)) != std::string_view::npos && end > 0 && rest[end - 1] != '\n' && rest[end - 1] != '\r') ++end;
    return rest.substr(0, end);
}

} // namespace

BatteryTest loadSettings(const std::string& path) {
    std::string text;
    if (!readWholeFile(path, text).ok()) return {};
    return parseSettings(text);
}

BatteryTest loadSettings(const std::string& path, const std::string& identifier) {
    std::string text;
    if (!readWholeFile(path, text).ok()) text.clear();
    const BatteryTest last = parseSettings(text);
    if (oneLine(identifier) == last.identifier) return last;
    const size_t at = sectionStart(text, identifier);
    if (at != std::string_view::npos) return parseSettings(sectionText(text, at));
    // A battery not seen before: nothing of the previous battery, only who tests and how.
    BatteryTest fresh;
    fresh.identifier = oneLine(identifier);
    fresh.operatorName = last.operatorName;
    fresh.witness = last.witness;
    fresh.method = last.method;
    fresh.onLoadPercent = last.onLoadPercent;
    fresh.passPercent = last.passPercent;
    return fresh;
}

FileResult saveSettings(const std::string& path, const BatteryTest& test) {
    std::string old;
    if (!readWholeFile(path, old).ok()) old.clear();
    std::string out = settingsText(test);
    // Every battery's own section is kept; this one's is written afresh.
    std::string_view rest = old;
    for (size_t at = 0; (at = rest.find('[', at)) != std::string_view::npos; ++at) {
        if (at > 0 && rest[at - 1] != '\n' && rest[at - 1] != '\r') continue;
        const size_t close = rest.find(']', at);
        if (close == std::string_view::npos) break;
        const std::string id(rest.substr(at + 1, close - at - 1));
        if (id == oneLine(test.identifier) || id.find_first_of("\r\n") != std::string::npos) continue;
        const size_t start = sectionStart(rest, id);
        if (start != close + 1) continue;
        out += "[" + id + "]\r\n" + std::string(sectionText(rest, start));
        if (out.back() != '\n') out += "\r\n";
    }
    if (!oneLine(test.identifier).empty()) out += "[" + oneLine(test.identifier) + "]\r\n" + settingsText(test);
    return replaceFile(path, out);
}

} // namespace dcload::report
