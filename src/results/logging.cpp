#include <algorithm>

#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"
#include "results/run_info.h"

namespace dcload {

namespace {
// About 28 hours of live readings (two lines each): an outage of hours loses nothing.
constexpr size_t kMostUnsavedLines = 200000;
constexpr std::int32_t kHighestRun = 32767; // file numbers are 16-bit
} // namespace

// Appends one line (text + CR LF). A missing Results folder is made again and the line written,
// so a reading is not lost to a folder removed during a test.
bool Form1::appendLine(const std::string& path, const std::string& text) {
    FileResult r = appendToFile(path, text + "\r\n");
    if (r.missing() && makeFolder(resultsFolder_).ok()) r = appendToFile(path, text + "\r\n");
    if (!r.ok()) {
        resultsFolderProblem(makeFolder(resultsFolder_).ok() ? path : resultsFolder_, r.reason);
        return false;
    }
    // The folder takes lines again: a run number the counter file missed goes in now.
    if (counterDue_ && writeCounterFile(counterDue_, false)) counterDue_ = 0;
    return true;
}

// The number of a new run: one above the counter and above every run of this session, and past
// every run present when that number's files exist already. 0 while the folder cannot be used,
// or when no number is left.
std::int32_t Form1::newRunNumber() {
    FileResult f = makeFolder(resultsFolder_);
    if (!f.ok()) {
        resultsFolderProblem(resultsFolder_, f.reason);
        return 0;
    }
    const std::int32_t counter = getLastFileNumber();
    std::int32_t n = std::max(counter, lastRunNumber_) + 1;
    auto taken = [this](std::int32_t k) {
        return pathKind(resultFileName(k)) != PathKind::None || pathKind(csvFileName(k)) != PathKind::None;
    };
    const int highest = highestResultNumber(true);
    if (n <= kHighestRun && taken(n)) {
        const std::int32_t named = n;
        n = highest + 1;
        if (n <= kHighestRun)
            platform_.dialogs.notice("The counter file " + counterFileName() + " named run " + std::to_string(named) +
                                         ", whose files are present already. This run is numbered " +
                                         std::to_string(n) + ", after the highest run present.",
                                     "Results Folder", Icon::Exclamation);
    }
    if (n > kHighestRun) {
        if (highest == 0 && !taken(1)) return 1; // the old runs were moved away: numbering starts again
        if (!runsUsedUpShown_)
            platform_.dialogs.notice("Run numbers are used up: the Results folder " + resultsFolder_ + " holds DC_Result_" +
                                         std::to_string(std::max(highest, kHighestRun)) +
                                         ".txt. Move the result and CSV files of old runs out of it; the readings "
                                         "of this run are kept until then and saved as run 1.",
                                     "Results Folder", Icon::Exclamation);
        runsUsedUpShown_ = true;
        return 0;
    }
    runsUsedUpShown_ = false;
    return n;
}

// Gives the runs still without a number theirs, in order; false while one cannot be given.
bool Form1::numberRuns() {
    while (firstUnnumbered_ < runNumbers_.size()) {
        const std::int32_t n = newRunNumber();
        if (n == 0) return false;
        runNumbers_[firstUnnumbered_++] = n;
        lastRunNumber_ = n;
        counterDue_ = writeCounterFile(n) ? 0 : n;
    }
    return true;
}

bool Form1::writeLine(std::size_t run, bool csv, const std::string& text) {
    if (run >= firstUnnumbered_ && !numberRuns()) return false;
    const std::int32_t n = runNumbers_[run];
    return appendLine(csv ? csvFileName(n) : resultFileName(n), text);
}

// Lines kept while the folder would not take them go first, in order; a line that cannot be
// written yet joins them.
bool Form1::flushUnsaved() {
    if (unsaved_.empty()) return true;
    while (!unsaved_.empty()) {
        const UnsavedLine& u = unsaved_.front();
        if (!writeLine(u.run, u.csv, u.text)) return false;
        unsaved_.pop_front();
    }
    unsavedDropped_ = false;
    resultsFolderBack();
    return true;
}

// Lines went in and none is left over: a notice still shown says the problem is over, and a
// later one is told anew.
void Form1::resultsFolderBack() {
    if (!folderProblemShown_ || counterDue_ || !unsaved_.empty()) return;
    folderProblemShown_ = false;
    platform_.dialogs.updateNotice("The Results folder " + resultsFolder_ +
                                       " takes readings again; the readings kept meanwhile are saved.",
                                   Icon::Information);
}

void Form1::saveLine(bool csv, const std::string& text) {
    if (runNumbers_.empty()) runNumbers_.push_back(0);
    const std::size_t run = runNumbers_.size() - 1; // the run current now, whatever its number
    if (flushUnsaved() && writeLine(run, csv, text)) {
        resultsFolderBack();
        return;
    }
    if (unsaved_.size() >= kMostUnsavedLines) {
        unsaved_.pop_front();
        if (!unsavedDropped_)
            platform_.dialogs.notice("The Results folder " + resultsFolder_ +
                                         " has not taken a reading for a long time. The oldest readings kept "
                                         "for it are now being given up.",
                                     "Results Folder", Icon::Exclamation);
        unsavedDropped_ = true;
    }
    unsaved_.push_back({run, csv, text});
}

namespace {
// The latest reading's PC time is written at most this often while a run goes on.
constexpr double kLastReadingEverySeconds = 60;
} // namespace

void Form1::noteRunReading(std::int32_t run, bool first) {
    const std::string now = platform_.clock.wallClock();
    if (now.empty()) return;
    if (first) saveLastReading(); // a run left without Disconnect
    infoRun_ = run;
    lastReadingTime_ = now;
    lastReadingDue_ = true;
    const double t = platform_.clock.seconds();
    if (!first && t - lastInfoWrite_ < kLastReadingEverySeconds) return;
    const std::string path = runInfoPath(resultsFolder_, run);
    RunInfo info = loadRunInfo(path);
    if (first || info.firstReading.empty()) info.firstReading = now;
    info.lastReading = now;
    if (saveRunInfo(path, info).ok()) lastReadingDue_ = false;
    lastInfoWrite_ = t;
}

void Form1::saveLastReading() {
    if (!lastReadingDue_ || !infoRun_) return;
    const std::string path = runInfoPath(resultsFolder_, infoRun_);
    RunInfo info = loadRunInfo(path); // the first time and the gaps stay
    info.lastReading = lastReadingTime_;
    if (saveRunInfo(path, info).ok()) lastReadingDue_ = false;
    lastInfoWrite_ = platform_.clock.seconds();
}

void Form1::saveRecord(const std::string& record) {
    const bool first = !fileStarted;
    if (!fileStarted) {
        ctl.StatusBar1 = "Flash Record = " + withSignBlank(flashRecordCount) + " readings..";
        ctl.lblHCMPointer.caption = "Flash records = " + withSignBlank(flashRecordCount) + " Records";
        runNumbers_.push_back(0); // numbered when its first line is written
        fileStarted = true;
    }
    saveLine(false, record);
    if (const std::int32_t n = runNumbers_.back()) {
        lblFileName = resultFileName(n);
        noteRunReading(n, first);
    }
}

void Form1::saveCsvRecord(const std::string& line) {
    saveLine(true, line);
    if (const std::int32_t n = runNumbers_.back()) lblFileName = csvFileName(n);
}

} // namespace dcload
