// What the logger knows of a run beyond its result and CSV files, kept beside them in
// DC_Run_<n>.ini: the PC's date and time of the first and last reading, and each stretch in
// which the load bank did not answer. The result file holds no dates, so a report reads them
// here. Written whole and atomically; an older run without the file simply has none of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "results/file_io.h"

namespace dcload {

struct RunGap {
    std::string start;  // PC local time, ISO 8601 ("2026-12-06T15:42:07")
    std::string end;
    long missed = 0;    // readings not received in between
};

struct RunInfo {
    std::string firstReading; // empty: not recorded
    std::string lastReading;
    std::vector<RunGap> gaps;
};

std::string runInfoPath(const std::string& folder, long run);
std::string runInfoText(const RunInfo& info);
RunInfo parseRunInfo(std::string_view text); // unknown or broken lines are skipped
RunInfo loadRunInfo(const std::string& path); // empty when missing or unreadable
FileResult saveRunInfo(const std::string& path, const RunInfo& info);

} // namespace dcload
