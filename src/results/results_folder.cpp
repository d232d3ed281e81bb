#include <algorithm>

#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"
#include "results/item_reader.h"

namespace dcload {

// One clear message per problem, not one per reading, naming what would not be written; the
// notice is updated once lines are written again. It never holds up polling: the readings go
// on being shown and are kept for the folder.
void Form1::resultsFolderProblem(const std::string& path, const std::string& reason) {
    if (folderProblemShown_) return;
    folderProblemShown_ = true;
    const std::string what = path == resultsFolder_ ? "The Results folder " + path : path;
    platform_.dialogs.notice(what + " cannot be written (" + reason +
                                 "). Readings are still shown and are kept until they can be saved.",
                             "Results Folder", Icon::Exclamation);
}

// Either the old or the new number is on disk whatever happens meanwhile.
bool Form1::writeCounterFile(std::int32_t n, bool report) {
    FileResult r = replaceFile(counterFileName(), std::to_string(n) + "\r\n");
    if (!r.ok() && report) resultsFolderProblem(makeFolder(resultsFolder_).ok() ? counterFileName() : resultsFolder_, r.reason);
    return r.ok();
}

// A box that may be raised again by a timer while it is still open (nested) is shown once.
void Form1::tellOnce(const std::string& text, const std::string& title, Icon icon) {
    const std::string key = title + '\n' + text;
    if (std::find(openBoxes_.begin(), openBoxes_.end(), key) != openBoxes_.end()) return;
    openBoxes_.push_back(key);
    platform_.dialogs.messageBox(text, title, icon, Buttons::OK, DefaultButton::First);
    openBoxes_.erase(std::find(openBoxes_.begin(), openBoxes_.end(), key));
}

namespace {
// The run number in a result (or CSV) file's name, written as the logger writes it; 0 for other names.
int resultNumberOf(const std::string& name, const std::string& head = "DC_Result_", const std::string& tail = ".txt") {
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return 0;
    const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
    if (digits.size() > 5 || digits[0] == '0') return 0;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= 32767 ? n : 0;
}

// A number the logger writes there; the highest a file can carry is one too.
bool usableCounter(std::int32_t n) { return n >= 1 && n <= 32767; }
} // namespace

int Form1::highestResultNumber(bool withCsv) const {
    int highest = 0;
    for (const std::string& name : listFolder(resultsFolder_))
        highest = std::max({highest, resultNumberOf(name), withCsv ? resultNumberOf(name, "DC_CSV_", ".csv") : 0});
    return highest;
}

// The result file the reload shows: the counter's, or the running test's while the counter file
// could not be given its number.
std::int16_t Form1::shownFileNumber() {
    const std::int16_t n = getLastFileNumber();
    if (fileStarted && firstUnnumbered_ == runNumbers_.size() && !runNumbers_.empty() && runNumbers_.back() > n)
        return static_cast<std::int16_t>(runNumbers_.back());
    return n;
}

// A counter that cannot be trusted gives way to the highest run number present, so the next run
// starts a file of its own instead of appending to an older run's. Said once.
std::int16_t Form1::recoverCounter(const std::string& why) {
    const int highest = std::min(highestResultNumber(), 32767);
    if (highest == 0) return 0; // no run to mix with: the next run is 1
    writeCounterFile(highest, !counterNoticeShown_); // tried again on every use, said once
    if (!counterNoticeShown_)
        platform_.dialogs.notice("The counter file " + counterFileName() + " " + why +
                                     ". Run numbers go on after the highest result file present, DC_Result_" +
                                     std::to_string(highest) + ".txt.",
                                 "Results Folder", Icon::Exclamation);
    counterNoticeShown_ = true;
    return static_cast<std::int16_t>(highest);
}

std::int16_t Form1::getLastFileNumber() {
    const std::string path = counterFileName();
    if (!fileExists(path)) {
        if (highestResultNumber() > 0) return recoverCounter("was missing");
        FileResult f = makeFolder(resultsFolder_);
        if (!f.ok()) resultsFolderProblem(resultsFolder_, f.reason);
        writeCounterFile(1);
    }
    std::string content;
    FileResult r = readWholeFile(path, content);
    if (r.missing()) {
        if (highestResultNumber() > 0) return recoverCounter("was missing");
        writeCounterFile(1);
        return 0;
    }
    if (!r.ok()) return recoverCounter("could not be read (" + r.reason + ")");
    ItemReader reader(content);
    std::string_view item;
    std::int32_t n = 0;
    try {
        if (reader.next(item)) n = toInt16(item);
    } catch (const RuntimeError&) {
    }
    if (!usableCounter(n)) return recoverCounter("did not hold a usable run number");
    counterNoticeShown_ = false;
    return static_cast<std::int16_t>(n);
}

} // namespace dcload
