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

std::string Form1::readLastFile(std::int16_t row, std::int16_t asFile, bool read0) {
    if (messageLogLoaded) {
        if (row < 0 || row >= kMessageLogSize) throw subscriptError();
        return messageLog[static_cast<size_t>(row)];
    }
    std::int16_t n = getLastFileNumber();
    if (read0) n = 1;
    const std::string name = resultFileName(n);
    lblFileName = name;

    FileResult r = readWholeFile(name, readBuffer_);
    if (r.missing()) {
        writeCounterFile(1);
        // Records already in result file 1 are never overwritten by the default one.
        const std::string first = resultFileName(1);
        std::string existing;
        if (!readWholeFile(first, existing).ok() || existing.empty()) {
            FileResult w = writeWholeFile(first, std::string(kDefaultRecord) + "\r\n");
            // Nothing could be created: the folder's own message says so, once, instead of
            // announcing default files on every periodic reload.
            if (!w.ok()) {
                resultsFolderProblem(w.reason);
                return "";
            }
        }
        platform_.dialogs.messageBox("New Default Files Created", "Software Start Up", Icon::Information,
                                     Buttons::OK, DefaultButton::First);
        return "";
    }

    std::int32_t next = 1;
    ItemReader reader(readBuffer_);
    std::string_view item;
    while (reader.next(item)) {
        stepForm2Progress(readProgressTicks);
        ctl.pB2.step();
        if (!item.empty()) {
            messageLog[static_cast<size_t>(next)].assign(item.data(), item.size());
            ++next;
        }
        if (next > kReadCap) next = kReadCap;
    }
    if (readBuffer_.capacity() > (8u << 20)) std::string().swap(readBuffer_); // don't keep a huge file
    messageLogLoaded = true;

    if (asFile == -1) return std::to_string(next - 1);
    if (row <= 0 || row >= next) return messageLog[static_cast<size_t>(next - 1)];
    return messageLog[static_cast<size_t>(row)];
}

} // namespace dcload
