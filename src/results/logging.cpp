#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"

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

void Form1::saveRecord(const std::string& record) {
    // A run whose number the counter file would not take keeps it until the file does.
    std::int16_t n = runDue_ ? runDue_ : getLastFileNumber();
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
}

void Form1::saveCsvRecord(const std::string& line) {
    const std::int16_t n = runDue_ ? runDue_ : getLastFileNumber();
    const std::string name = csvFileName(n);
    lblFileName = name;
    saveLine(n, true, line);
}

} // namespace dcload
