#include <charconv>
#include <cmath>

#include "decode/format.h"
#include "report/test_report.h"

namespace dcload::report {

namespace {

std::string fixed(double v, int decimals) {
    return formatPattern(v, decimals == 0 ? "##0" : decimals == 1 ? "##0.0" : decimals == 2 ? "##0.00" : "##0.000");
}

std::string clock(double seconds) { return testTimeText(static_cast<std::int32_t>(std::lround(seconds))); }

bool number(std::string_view text, double& out) {
    text = trimBlanks(text);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

} // namespace

std::string verdictText(Verdict v) {
    switch (v) {
    case Verdict::NoDischarge: return "no discharge";
    case Verdict::NotReached: return "not reached";
    case Verdict::NoRating: return "no rating";
    case Verdict::Pass: return "PASS";
    case Verdict::Fail: return "FAIL";
    }
    return "";
}

std::vector<ReportLine> batteryLines(const BatteryTest& t) {
    std::vector<ReportLine> out{{"site", "Site / battery", t.site}, {"cells", "Cells", std::to_string(t.cells)}};
    if (t.rating == Rating::AmpHours) out.push_back({"rated_ah", "Rated capacity (Ah)", fixed(t.rated, 1)});
    else if (t.rating == Rating::Minutes) out.push_back({"rated_minutes", "Rated time (min)", fixed(t.rated, 1)});
    else out.push_back({"rating", "Rating", "none"});
    out.push_back({"end_cell_volts", "End voltage per cell (V)", fixed(t.endCellVolts, 3)});
    out.push_back({"k", "Temperature correction K", fixed(t.k, 3)});
    out.push_back({"pass_percent", "Pass threshold (%)", fixed(t.passPercent, 1)});
    return out;
}

std::vector<ReportLine> resultLines(const RunFigures& r) {
    std::vector<ReportLine> out{{"readings_used", "Readings used", std::to_string(r.samples.size())},
                                {"readings_skipped", "Readings skipped", std::to_string(r.skipped)}};
    auto add = [&](const char* key, const char* label, std::string value) {
        out.push_back({key, label, r.discharged ? std::move(value) : "-"});
    };
    add("test_duration", "Test duration", clock(r.durationSeconds));
    add("amp_hours", "Ampere-hours delivered", fixed(r.ampHours, 1));
    add("start_volts", "Start voltage (V)", fixed(r.startVolts, 2));
    add("end_volts", "Last voltage on load (V)", fixed(r.endVolts, 2));
    add("min_volts", "Minimum voltage (V)", fixed(r.minVolts, 2));
    add("average_amps", "Average current (A)", fixed(r.averageAmps, 1));
    add("temp_start_c", "Temperature at start (\xC2\xB0" "C)", fixed(r.startCelsius, 1));
    add("temp_max_c", "Maximum temperature (\xC2\xB0" "C)", fixed(r.maxCelsius, 1));
    add("temp_end_c", "Temperature at end (\xC2\xB0" "C)", fixed(r.endCelsius, 1));
    out.push_back({"end_voltage", "End voltage (V)", fixed(r.endVoltage, 2)});
    add("end_voltage_reached_at", "End voltage reached at", r.reachedSeconds ? clock(*r.reachedSeconds) : "not reached");
    add("amp_hours_to_end", "Ampere-hours to end voltage", fixed(r.ampHoursToEnd, 1));
    std::string capacity = "-";
    if (r.capacityPercent)
        capacity = (r.reachedSeconds ? "" : "at least ") + fixed(*r.capacityPercent, 1);
    add("capacity_percent", "Capacity (% of rated)", capacity);
    out.push_back({"result", "Result", verdictText(r.verdict)});
    return out;
}

std::string checkTest(const BatteryTest& t) {
    if (!(t.cells >= 1 && t.cells <= 1000)) return "the number of cells must be 1 to 1000";
    if (t.rating != Rating::None && !(t.rated > 0 && t.rated <= 100000)) return "the rating must be above 0";
    if (!(t.endCellVolts > 0 && t.endCellVolts <= 100)) return "the end voltage per cell must be above 0 V";
    if (!(t.k >= 0.1 && t.k <= 10)) return "the correction factor K must be 0.1 to 10";
    if (!(t.passPercent >= 0 && t.passPercent <= 1000)) return "the pass threshold must be 0 to 1000 %";
    return "";
}

std::string settingsText(const BatteryTest& t) {
    std::string site;
    for (char c : t.site) site += (c == '\r' || c == '\n') ? ' ' : c;
    const char* rating = t.rating == Rating::AmpHours ? "ah" : t.rating == Rating::Minutes ? "minutes" : "none";
    return "site=" + site + "\r\ncells=" + std::to_string(t.cells) + "\r\nrating=" + rating + "\r\nrated=" +
           fixed(t.rated, 3) + "\r\nend_cell_volts=" + fixed(t.endCellVolts, 3) + "\r\nk=" + fixed(t.k, 3) +
           "\r\npass_percent=" + fixed(t.passPercent, 3) + "\r\n";
}

BatteryTest parseSettings(std::string_view text) {
    BatteryTest t;
    while (!text.empty()) {
        const size_t eol = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = trimBlanks(line.substr(0, eq)), value = line.substr(eq + 1);
        BatteryTest trial = t;
        double v = 0;
        if (key == "site") trial.site = std::string(trimBlanks(value));
        else if (key == "rating") trial.rating = value == "ah" ? Rating::AmpHours : value == "minutes" ? Rating::Minutes : Rating::None;
        else if (!number(value, v)) continue;
        else if (key == "cells") trial.cells = std::abs(v) < 1e6 ? static_cast<int>(v) : 0;
        else if (key == "rated") trial.rated = v;
        else if (key == "end_cell_volts") trial.endCellVolts = v;
        else if (key == "k") trial.k = v;
        else if (key == "pass_percent") trial.passPercent = v;
        if (checkTest(trial).empty() || key == "rating") t = trial;
    }
    if (!checkTest(t).empty()) t.rating = Rating::None; // a rating without a usable figure
    return t;
}

BatteryTest loadSettings(const std::string& path) {
    std::string text;
    if (!readWholeFile(path, text).ok()) return {};
    return parseSettings(text);
}

FileResult saveSettings(const std::string& path, const BatteryTest& test) {
    return replaceFile(path, settingsText(test));
}

} // namespace dcload::report
