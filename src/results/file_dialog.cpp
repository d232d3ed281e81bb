#include <algorithm>

#include "app/form1.h"
#include "decode/format.h"
#include "results/file_io.h"

namespace dcload {

namespace {

// "DC_Result*.txt": names that start with the prefix and end with the extension.
bool matchesPattern(const std::string& name) {
    static const std::string pre = "DC_Result", ext = ".txt";
    return name.size() >= pre.size() + ext.size() && name.compare(0, pre.size(), pre) == 0 &&
           name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
}

void failureBox(Form1& f, const RuntimeError& e) {
    f.platform().dialogs.messageBox(e.description + " " + std::to_string(e.number), kAppTitle, Icon::None,
                                    Buttons::OK, DefaultButton::First);
}

// A copy of any length shows how far it is on the dialog's bar and keeps the window alive.
CopyProgress copyProgress(Form1& f) {
    return [&f](std::uint64_t done, std::uint64_t total) {
        f.form2.pB2.value = static_cast<int>(f.form2.pB2.max * static_cast<double>(done) / static_cast<double>(total));
        f.platform().dialogs.progress(static_cast<double>(done), static_cast<double>(total));
    };
}

RuntimeError fileError(const FileResult& r) {
    if (r.status == FileStatus::FileNotFound) return {53, "File not found"};
    if (r.status == FileStatus::PathNotFound) return {76, "Path not found"};
    return {75, "Path/File access error (" + r.reason + ")"};
}

} // namespace

void Form1::mnuSaveClick() {
    form2.mode = 0;
    form2.open = true;
    platform_.dialogs.showFileDialog();
    form2.open = false;
}

void Form1::mnuReadClick() {
    form2.mode = 1;
    form2.open = true;
    platform_.dialogs.showFileDialog();
    form2.open = false;
}

void Form1::form2Activate() {
    form2.folder = resultsFolder_;
    if (form2.mode == 0) {
        form2.caption = "Save File";
        form2.okCaption = "&Save";
    } else if (form2.mode == 1) {
        form2.caption = "Read File";
        form2.okCaption = "&Read";
    }
    form2.txtExport = "DC_Result_" + std::to_string(getLastFileNumber()) + ".txt";
    form2.pB2.value = 0;
    refreshFileList();
}

void Form1::refreshFileList() {
    form2.files.clear();
    for (std::string& name : listFolder(form2.folder))
        if (matchesPattern(name)) form2.files.push_back(std::move(name));
    std::sort(form2.files.begin(), form2.files.end());
}

void Form1::form2FolderChange(const std::string& folder) {
    form2.folder = folder;
    refreshFileList();
}

void Form1::form2FileClick(const std::string& name) { form2.txtExport = name; }

void Form1::form2OkClick() {
    messageLogLoaded = false;
    std::string folder(trimBlanks(form2.folder));
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string path = folder + "/" + std::string(trimBlanks(form2.txtExport));
    if (form2.mode == 0) exportData(path);
    if (form2.mode == 1) importData(path);
    refreshFileList();
    if (form2.open) platform_.dialogs.closeFileDialog();
}

void Form1::exportData(const std::string& fileName) {
    if (fileExists(fileName)) {
        Answer a = platform_.dialogs.messageBox(fileName + " Exists. Overwrite?", "Saving File", Icon::Information,
                                                Buttons::YesNo, DefaultButton::Second);
        if (a == Answer::No) return;
    }
    const std::int16_t n = getLastFileNumber();
    FileResult r = copyFile(resultFileName(n), fileName, copyProgress(*this));
    if (!r.ok()) {
        platform_.dialogs.messageBox("Cannot save, file in use.", "Error", Icon::Information, Buttons::OK,
                                     DefaultButton::First);
        return;
    }
    platform_.dialogs.messageBox(fileName + " Saved", "Saving File", Icon::Information, Buttons::OK,
                                 DefaultButton::First);
}

// A file that cannot be read in changes nothing: the counter moves only once the copy is whole.
void Form1::importData(const std::string& fileName) {
    try {
        const PathKind kind = pathKind(fileName);
        if (kind == PathKind::None) {
            platform_.dialogs.messageBox(fileName + " does not Exist.", "Opening File", Icon::Information,
                                         Buttons::OK, DefaultButton::First);
            return;
        }
        if (fileName.size() < 3 || fileName.compare(fileName.size() - 3, 3, "txt") != 0) {
            platform_.dialogs.messageBox("File must be a text file", "Wrong File Type", Icon::Exclamation,
                                         Buttons::OK, DefaultButton::First);
            return;
        }
        if (kind != PathKind::Regular) {
            platform_.dialogs.messageBox(fileName + " is not a regular file.", "Opening File", Icon::Exclamation,
                                         Buttons::OK, DefaultButton::First);
            return;
        }
        // Two above the counter, as always, but never onto a run's files present already.
        std::int32_t n = std::max<std::int32_t>(getLastFileNumber(), lastRunNumber_) + 2;
        if (pathKind(resultFileName(n)) != PathKind::None || pathKind(csvFileName(n)) != PathKind::None)
            n = std::max(n, highestResultNumber(true) + 1);
        if (n > 32767) throw overflowError();
        FileResult c = copyFile(fileName, resultFileName(n), copyProgress(*this));
        if (!c.ok()) throw fileError(c);
        FileResult w = replaceFile(counterFileName(), std::to_string(n) + "\r\n");
        if (!w.ok()) {
            removeFile(resultFileName(n));
            throw fileError(w);
        }
        lastRunNumber_ = std::max(lastRunNumber_, n);
        reloadHistory = true;
        form2.pointer = Pointer::Busy;
        std::int16_t page = 0;
        readLFile(page, false);
        ctl.pointer = Pointer::Default;
        form2.pointer = Pointer::Default;
    } catch (const RuntimeError& e) {
        form2.pointer = Pointer::Default;
        failureBox(*this, e);
    }
}

// The periodic reload: the current result file read back and replayed into the chart.
void Form1::importLastData() {
    try {
        form2.pointer = Pointer::Busy;
        messageLogLoaded = false;
        const std::int32_t count = toInt32(readLastFile(0, -1, false));
        if (count != 0) {
            gTimeCount = count;
            std::int16_t page = 0;
            readLFile(page, false);
        }
        ctl.pointer = Pointer::Default;
        form2.pointer = Pointer::Default;
    } catch (const RuntimeError& e) {
        form2.pointer = Pointer::Default;
        // While the Results folder cannot be written its own message has said so; a box on
        // every reload would bury the operator.
        if (!folderProblemShown_) tellOnce(e.description + " " + std::to_string(e.number), kAppTitle, Icon::None);
    }
}

} // namespace dcload
