#include "results/run_info.h"

#include <charconv>

namespace dcload {

namespace {

// A time stamp is kept only when it cannot break a line or a gap's fields.
bool usableStamp(std::string_view s) {
    if (s.empty() || s.size() > 40) return false;
    for (const char c : s)
        if (c < ' ' || c > '~' || c == ',') return false;
    return true;
}

} // namespace

std::string runInfoPath(const std::string& folder, long run) {
    return folder + "/DC_Run_" + std::to_string(run) + ".ini";
}

std::string runInfoText(const RunInfo& info) {
    std::string t;
    if (usableStamp(info.firstReading)) t += "first_reading=" + info.firstReading + "\r\n";
    if (usableStamp(info.lastReading)) t += "last_reading=" + info.lastReading + "\r\n";
    for (const RunGap& g : info.gaps)
        if (usableStamp(g.start) && usableStamp(g.end))
            t += "gap=" + g.start + "," + g.end + "," + std::to_string(g.missed) + "\r\n";
    return t;
}

RunInfo parseRunInfo(std::string_view text) {
    RunInfo info;
    while (!text.empty()) {
        const size_t eol = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "first_reading" && usableStamp(value)) {
            info.firstReading = value;
        } else if (key == "last_reading" && usableStamp(value)) {
            info.lastReading = value;
        } else if (key == "gap") {
            const size_t c1 = value.find(','), c2 = value.find(',', c1 == value.npos ? c1 : c1 + 1);
            if (c1 == value.npos || c2 == value.npos) continue;
            RunGap g{std::string(value.substr(0, c1)), std::string(value.substr(c1 + 1, c2 - c1 - 1)), 0};
            const std::string_view n = value.substr(c2 + 1);
            const auto [p, ec] = std::from_chars(n.data(), n.data() + n.size(), g.missed);
            if (ec != std::errc{} || p != n.data() + n.size() || g.missed < 0) continue;
            if (usableStamp(g.start) && usableStamp(g.end)) info.gaps.push_back(std::move(g));
        }
    }
    return info;
}

RunInfo loadRunInfo(const std::string& path) {
    std::string text;
    if (!readWholeFile(path, text).ok()) return {};
    return parseRunInfo(text);
}

FileResult saveRunInfo(const std::string& path, const RunInfo& info) {
    return replaceFile(path, runInfoText(info));
}

} // namespace dcload
