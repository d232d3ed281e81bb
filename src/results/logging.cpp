#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"

namespace dcload {

// Appends one line (text + CR LF). A missing Results folder is made again and the line written,
// so a reading is not lost to a folder removed during a test.
bool Form1::appendLine(const std::string& path, const std::string& text, bool& missingPath) {
    FileResult r = appendToFile(path, text + "\r\n");
    missingPath = r.missing();
    if (r.missing() && makeFolder(resultsFolder_).ok()) r = appendToFile(path, text + "\r\n");
    if (!r.ok()) {
        resultsFolderProblem(r.reason);
        return false;
    }
    folderProblemShown_ = false;
    return true;
}

void Form1::saveRecord(const std::string& record) {
    std::int16_t n = getLastFileNumber();
    if (!fileStarted) {
        ctl.StatusBar1 = "Flash Record = " + withSignBlank(flashRecordCount) + " readings..";
        ctl.lblHCMPointer.caption = "Flash records = " + withSignBlank(flashRecordCount) + " Records";
        try {
            n = add16(n, 1);
            writeCounterFile(n);
        } catch (const RuntimeError&) {
        }
        fileStarted = true;
    }
    const std::string name = resultFileName(n);
    lblFileName = name;
    bool missing = false;
    appendLine(name, record, missing);
}

void Form1::saveCsvRecord(const std::string& line) {
    const std::int16_t n = getLastFileNumber();
    const std::string name = csvFileName(n);
    lblFileName = name;
    bool missing = false;
    appendLine(name, line, missing);
}

} // namespace dcload
