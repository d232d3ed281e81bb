#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"
#include "results/item_reader.h"

namespace dcload {

// One clear message per problem, not one per reading; a later successful write re-arms it.
void Form1::resultsFolderProblem(const std::string& reason) {
    if (folderProblemShown_) return;
    folderProblemShown_ = true;
    platform_.dialogs.messageBox("The Results folder " + resultsFolder_ + " cannot be written (" + reason +
                                     "). Readings are still shown but are not being saved.",
                                 "Results Folder", Icon::Exclamation, Buttons::OK, DefaultButton::First);
}

bool Form1::writeCounterFile(std::int32_t n) {
    FileResult r = writeWholeFile(counterFileName(), std::to_string(n) + "\r\n");
    if (!r.ok()) resultsFolderProblem(r.reason);
    return r.ok();
}

std::int16_t Form1::getLastFileNumber() {
    const std::string path = counterFileName();
    if (!fileExists(path)) {
        FileResult f = makeFolder(resultsFolder_);
        if (!f.ok()) resultsFolderProblem(f.reason);
        writeCounterFile(1);
    }
    std::string content;
    FileResult r = readWholeFile(path, content);
    if (r.missing()) {
        writeCounterFile(1);
        return 0;
    }
    if (!r.ok()) return 0;
    ItemReader reader(content);
    std::string_view item;
    if (!reader.next(item)) return 0;
    try {
        return toInt16(item);
    } catch (const RuntimeError&) {
        return 0;
    }
}

} // namespace dcload
