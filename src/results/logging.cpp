#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"
#include "results/run_info.h"

namespace dcload {

namespace {
// About 28 hours of live readings (two lines each): an outage of hours loses nothing.
constexpr size_t kMostUnsavedLines = 200000;
} // namespace

// Appends one line (text + CR LF). A missing Results folder is made again and the line written,
// so a reading is not lost to a folder removed during a test.
bool Form1::appendLine(const std::string& path, const std::string& text) {
    FileResult r = appendToFile(path, text + "\r\n");
    if (r.missing() && makeFolder(resultsFolder_).ok()) r = appendToFile(path, text + "\r\n");
    if (!r.ok()) {
        resultsFolderProblem(r.reason);
        return false;
    }
    // The folder takes lines again: a run number the counter file missed goes in now. Until it
    // does, the problem stays said.
    if (runDue_ && writeCounterFile(runDue_, false)) runDue_ = 0;
    if (!runDue_) folderProblemShown_ = false;
    return true;
}

// Lines kept while the folder would not take them go first, in order; a line that cannot be
// written yet joins them.
bool Form1::flushUnsaved() {
    while (!unsaved_.empty()) {
        const UnsavedLine& u = unsaved_.front();
        if (!appendLine(u.csv ? csvFileName(u.run) : resultFileName(u.run), u.text)) return false;
        unsaved_.pop_front();
    }
    unsavedDropped_ = false;
    return true;
}

void Form1::saveLine(std::int16_t run, bool csv, const std::string& text) {
    if (flushUnsaved() && appendLine(csv ? csvFileName(run) : resultFileName(run), text)) return;
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

void Form1::noteRunReading(std::int16_t run, bool first) {
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
    // A run whose number the counter file would not take keeps it until the file does.
    std::int16_t n = runDue_ ? runDue_ : getLastFileNumber();
    const bool first = !fileStarted;
    if (!fileStarted) {
        ctl.StatusBar1 = "Flash Record = " + withSignBlank(flashRecordCount) + " readings..";
        ctl.lblHCMPointer.caption = "Flash records = " + withSignBlank(flashRecordCount) + " Records";
        try {
            n = add16(n, 1);
            runDue_ = writeCounterFile(n) ? 0 : n;
        } catch (const RuntimeError&) {
        }
        fileStarted = true;
    }
    const std::string name = resultFileName(n);
    lblFileName = name;
    saveLine(n, false, record);
    noteRunReading(n, first);
}

void Form1::saveCsvRecord(const std::string& line) {
    const std::int16_t n = runDue_ ? runDue_ : getLastFileNumber();
    const std::string name = csvFileName(n);
    lblFileName = name;
    saveLine(n, true, line);
}

} // namespace dcload
