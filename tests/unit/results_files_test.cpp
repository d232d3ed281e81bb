// The Results folder: the counter file, reading and reloading the result file, the missing-file
// recovery, run numbering of the result and CSV logs, a folder that cannot be written, and the
// file dialog's save and read.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "logger_rig.h"
#include "results/file_io.h"
#include "results/item_reader.h"

using namespace dcload;
using namespace dcload::test;
namespace fs = std::filesystem;

namespace {

std::string stored(int seconds, int volts100 = 1200) { return makeDataMessage(volts100, 410, seconds, 1, 200) + "000001\r"; }

std::string records(int n, int firstTime) {
    std::string s;
    for (int i = 0; i < n; ++i) s += stored(firstTime + i) + "\r\n";
    return s;
}

// Reads the current result file afresh, as the periodic reload does.
std::string readBack(Form1& f) {
    f.messageLogLoaded = false;
    return f.readLastFile(0, -1, false);
}

// The boxes shown, "title: text" a line, "[No]" when No is the default, `path` written as "%".
std::string boxes(const ScriptedDialogs& d, const std::string& path = "%") {
    std::string s;
    for (const auto& b : d.boxes) s += b.title + ": " + b.text + (b.def == DefaultButton::Second ? " [No]\n" : "\n");
    for (size_t at; (at = s.find(path)) != std::string::npos;) s.replace(at, path.size(), "%");
    return s;
}

} // namespace

TEST(CounterFile, ReadsTheRunNumberAndNeverFallsBehindTheResultFiles) {
    // counter file (none: missing), result files up to DC_Result_11.txt present, next run number
    const std::tuple<std::optional<std::string>, bool, int> cases[] = {
        {" 9 \r\n", false, 9}, {"5,6\r\n", false, 5}, {"3\r\n", true, 3}, {"99999\r\n", false, 0}, {"-5", false, 0},
        {"abc\r\n", true, 11}, {"0\r\n", true, 11}, {"32767\r\n", true, 11}, {std::nullopt, true, 11}};
    for (const auto& [content, olderRuns, expected] : cases) {
        VirtualLogger v;
        fs::remove(v.folder / "DCCount.txt");
        if (content) v.writeFile("DCCount.txt", *content);
        for (const char* name : {"DC_Result_4.txt", "DC_Result_11.txt", "DC_Result_012.txt", "DC_Result_40000.txt"})
            if (olderRuns) v.writeFile(name, "x\r\n");
        EXPECT_EQ(v.form->getLastFileNumber() * 100 + v.form->getLastFileNumber(), expected * 101);
        const bool repaired = olderRuns && expected == 11;
        EXPECT_EQ(v.readFile("DCCount.txt"), repaired ? "11\r\n" : content.value_or(""));
        EXPECT_EQ(v.dialogs.boxes.size(), repaired ? 1u : 0u);  // said once
    }
}

// The reload reads only what was appended, and its log always equals a whole read's, past 32,000.
TEST(ResultFileRead, ReloadReadsOnlyWhatWasAddedAndKeepsEveryRecord) {
    VirtualLogger v;
    Form1& f = *v.form;
    auto rec = [](int i) { return records(1, i); };
    const std::string file = records(40000, 1);
    v.writeFile("DCCount.txt", "2\r\n");
    const std::string path = f.resultFileName(2);
    const std::tuple<const char*, std::function<void()>, bool> steps[] = {
        {"first read", [&] { v.writeFile("DC_Result_2.txt", file); }, false},
        {"nothing new", [] {}, true},
        {"appended", [&] { appendToFile(path, rec(40001) + rec(40002)); }, true},
        {"partial line", [&] { appendToFile(path, rec(40003).substr(0, 20)); }, true},
        {"line completed, quote open", [&] { appendToFile(path, rec(40003).substr(20) + "\"q,\r\nb"); }, true},
        {"log written", [&] { f.messageLog[40002] = "live"; appendToFile(path, "c\""); }, true},
        {"truncated", [&] { v.writeFile("DC_Result_2.txt", file.substr(0, 41000) + rec(9)); }, false},
        {"saved onto", [&] { v.writeFile("DC_Result_2.txt", rec(7) + file.substr(41, 41000) + rec(5)); }, false},
        {"log rewritten", [&] { for (int i = 1; i <= 5000; ++i) f.messageLog[size_t(i % 900 + 1)] = "x"; }, false}};
    for (const auto& [what, change, onlyNew] : steps) {
        SCOPED_TRACE(what);
        change();
        const std::string count = readBack(f), content = v.readFile("DC_Result_2.txt");
        std::vector<std::string_view> records;
        ItemReader reader(content);
        for (std::string_view item; reader.next(item);)
            if (!item.empty()) records.push_back(item);
        ASSERT_EQ(count, std::to_string(records.size()));
        for (size_t i = 0; i < records.size(); ++i) ASSERT_EQ(f.messageLog[i + 1], records[i]) << i + 1;
        EXPECT_EQ(f.lastReadBytes < 200, onlyNew);
    }
}

// A missing result file is made with the default record, said once; the failed reload says so
// and the next reload charts the record. Records of file 1 are never overwritten.
TEST(PeriodicReload, MissingFileIsMadeWithTheDefaultRecordAndNothingIsOverwritten) {
    VirtualLogger v;  // fresh machine: counter 1, no result file yet
    Form1& f = *v.form;
    f.importLastData();
    EXPECT_EQ(boxes(v.dialogs), "Software Start Up: New Default Files Created\nKorvelLoad_4: Type mismatch 13\n");
    EXPECT_EQ(v.readFile("DCCount.txt") + v.readFile("DC_Result_1.txt"), "1\r\n" + std::string(kDefaultRecord) + "\r\n");
    f.importLastData();
    EXPECT_EQ(v.dialogs.boxes.size(), 2u);
    EXPECT_EQ(f.gTimeCount, 1);
    EXPECT_EQ(f.chart.pointLabel(2), "00:07:00");
    EXPECT_EQ(f.ctl.lblU[0].caption, "4.00");

    VirtualLogger w;  // the counter names a missing file; file 1 holds records already
    w.writeFile("DCCount.txt", "4\r\n");
    w.writeFile("DC_Result_1.txt", "KEEP1\r\nKEEP2\r\n");
    EXPECT_EQ(readBack(*w.form), "");
    EXPECT_EQ(w.dialogs.boxes.size(), 1u);
    EXPECT_EQ(w.readFile("DCCount.txt") + w.readFile("DC_Result_1.txt"), "1\r\nKEEP1\r\nKEEP2\r\n");
}

TEST(ResultLogging, EachRunHasItsOwnResultAndCsvFileAppendedTo) {
    VirtualLogger v;
    Form1& f = *v.form;
    v.writeFile("DCCount.txt", "7\r\n");
    v.loop.clock.wall = "2026-12-06T10:00:00";
    f.processMessage(stored(1), 0, 0, 1, 1);
    EXPECT_EQ(v.readFile("DCCount.txt"), "8\r\n");
    // The run's PC times: the first reading at once; the latest within a minute only at Disconnect,
    // keeping what another part wrote into the same file.
    EXPECT_EQ(v.readFile("DC_Run_8.ini"), "first_reading=2026-12-06T10:00:00\r\nlast_reading=2026-12-06T10:00:00\r\n");
    v.writeFile("DC_Run_8.ini", v.readFile("DC_Run_8.ini") + "gap=a,b,3\r\n");
    v.loop.clock.wall = "2026-12-06T10:00:59";
    f.processMessage(stored(2, 1190), 0, 0, 1, 1);
    EXPECT_EQ(v.readFile("DC_Run_8.ini"), "first_reading=2026-12-06T10:00:00\r\nlast_reading=2026-12-06T10:00:00\r\ngap=a,b,3\r\n");
    EXPECT_EQ(v.readFile("DC_Result_8.txt"), stored(1) + "\r\n" + stored(2, 1190) + "\r\n");
    EXPECT_EQ(v.readFile("DC_CSV_8.csv"), "000000,12.00,41.0,0001.0,00:00:01\r\n000000,11.90,41.0,0001.0,00:00:02\r\n");
    // Disconnect starts a new run; file 9 already holds an old line and is appended to.
    v.writeFile("DC_Result_9.txt", "OLD\r\n");
    f.cmdDisconnectClick();
    EXPECT_EQ(v.readFile("DC_Run_8.ini"), "first_reading=2026-12-06T10:00:00\r\nlast_reading=2026-12-06T10:00:59\r\ngap=a,b,3\r\n");
    f.processMessage(stored(3), 0, 0, 1, 1);
    f.ctl.txtIP = "127.0.0.1";  // Connect again without Disconnect: the same run goes on
    f.cmdConnectClick();
    f.processMessage(stored(4), 0, 0, 1, 1);
    EXPECT_EQ(v.readFile("DCCount.txt"), "9\r\n");
    EXPECT_EQ(v.readFile("DC_Result_9.txt"), "OLD\r\n" + stored(3) + "\r\n" + stored(4) + "\r\n");
    EXPECT_FALSE(v.fileExists("DC_Result_10.txt"));
    EXPECT_TRUE(v.dialogs.boxes.empty());
}

TEST(ResultLogging, UnwritableFolderIsReportedOnceAndNoReadingIsLost) {
    OwnFolder own;
    { std::ofstream(own.folder) << "in the way"; }  // a plain file where the folder should be
    VirtualLogger v(own.folder, false);
    v.form->formLoad();
    for (int i = 1; i <= 30; ++i) v.form->processMessage(stored(i, 1000 + i), 0, 0, 1, 1);
    EXPECT_EQ(v.form->ctl.lblU[0].caption, "10.30");
    const std::string shown = boxes(v.dialogs, own.folder.string());
    EXPECT_TRUE(shown.rfind("Results Folder: ", 0) == 0 && shown.find('%') != std::string::npos && linesOf(shown) == 1) << shown;
    // Once the folder can be written again the readings kept land first, in order, and a
    // later problem is reported anew.
    fs::remove(own.folder);
    v.form->processMessage(stored(31), 0, 0, 1, 1);
    const std::string result = v.readFile("DC_Result_1.txt");
    ASSERT_EQ(linesOf(result), 31) << result;
    EXPECT_EQ(linesOf(v.readFile("DC_CSV_1.csv")), 31);
    for (int i = 1; i <= 30; ++i) EXPECT_EQ(result.find(stored(i, 1000 + i)), (i - 1) * 41u) << i;
    fs::remove_all(own.folder);
    { std::ofstream(own.folder) << "in the way"; }
    v.form->processMessage(stored(32), 0, 0, 1, 1);
    EXPECT_EQ(v.dialogs.boxes.size(), 2u);
}

TEST(SaveFile, CopiesTheCurrentFileAfterAskingAndNeverOntoItself) {
    // into the current file's folder (onto itself) or another, answers given, boxes ("%": the target)
    const std::tuple<bool, std::deque<Answer>, const char*> cases[] = {
        {true, {}, "Saving File: % Exists. Overwrite? [No]\n"},
        {true, {Answer::Yes}, "Saving File: % Exists. Overwrite? [No]\nError: Cannot save, file in use.\n"},
        {false, {}, "Saving File: % Exists. Overwrite? [No]\n"},
        {false, {Answer::Yes}, "Saving File: % Exists. Overwrite? [No]\nSaving File: % Saved\n"}};
    for (const auto& [sameFolder, answers, shown] : cases) {
        VirtualLogger vl;
        const std::string content = records(4, 20);
        vl.writeFile("DCCount.txt", "5\r\n");
        vl.writeFile("DC_Result_5.txt", content);
        const fs::path folder = sameFolder ? vl.folder : makeTempFolder("save-target");
        const std::string target = folder.string() + (sameFolder ? "/DC_Result_5.txt" : "/copy.txt");
        if (!sameFolder) std::ofstream(target, std::ios::binary) << "old";
        vl.dialogs.answers = answers;
        vl.dialogs.onFileDialog = [&] {
            EXPECT_EQ(vl.form->form2.txtExport, "DC_Result_5.txt");  // the current file
            if (!sameFolder) vl.form->form2FolderChange(folder.string()), vl.form->form2.txtExport = " copy.txt ";
            vl.form->form2OkClick();
        };
        vl.form->mnuSaveClick();
        EXPECT_EQ(boxes(vl.dialogs, target), shown);
        std::string back;
        EXPECT_TRUE(readWholeFile(target, back).ok());
        EXPECT_EQ(back, std::string(shown).find("Saved") != std::string::npos || sameFolder ? content : "old");
        if (!sameFolder) fs::remove_all(folder);
    }
}

TEST(ReadFile, ImportedFileBecomesResultFileTwoAboveTheCounterAndIsCharted) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    const std::string content = records(5, 200);
    vl.writeFile("DCCount.txt", "10\r\n");
    vl.writeFile("DC_Result_3.txt", content);
    vl.dialogs.onFileDialog = [&] {
        EXPECT_EQ(f.form2.txtExport, "DC_Result_10.txt");
        EXPECT_EQ(f.form2.files, std::vector<std::string>{"DC_Result_3.txt"});
        f.form2FileClick("DC_Result_3.txt");
        f.form2OkClick();
    };
    f.messageLogLoaded = true;
    f.mnuReadClick();
    EXPECT_TRUE(vl.dialogs.boxes.empty());
    EXPECT_EQ(f.getLastFileNumber(), 12);
    EXPECT_EQ(vl.readFile("DC_Result_12.txt"), content);
    EXPECT_EQ(f.chart.pointLabel(6), "00:03:24");
    EXPECT_EQ(f.form2.files, (std::vector<std::string>{"DC_Result_12.txt", "DC_Result_3.txt"}));
}

TEST(ReadFile, OnlyExistingTextFilesAreRead) {
    const std::pair<const char*, const char*> cases[] = {{"results.csv", "Wrong File Type: File must be a text file\n"},
        {"RESULTS.TXT", "Wrong File Type: File must be a text file\n"}, {"nothere.txt", "Opening File: % does not Exist.\n"}};
    for (const auto& [name, box] : cases) {
        VirtualLogger vl;
        vl.writeFile("DCCount.txt", "10\r\n");
        if (name[0] != 'n') vl.writeFile(name, records(2, 5));
        vl.dialogs.onFileDialog = [&] {
            vl.form->form2.txtExport = name;
            vl.form->form2OkClick();
        };
        vl.form->mnuReadClick();
        EXPECT_EQ(boxes(vl.dialogs, vl.folder.string() + "/" + name), box);
        EXPECT_FALSE(vl.fileExists("DC_Result_11.txt") || vl.fileExists("DC_Result_12.txt"));
    }
}

// The log behaves as an array of texts through rewrites of any length, copies between its own
// entries, shrinking and the compaction that these set off.
TEST(MessageLog, BehavesAsAnArrayOfTexts) {
    MessageLog log;
    std::vector<std::string> model;
    unsigned seed = 12345;
    auto next = [&](unsigned m) { seed = seed * 1103515245u + 12345u; return (seed >> 8) % m; };
    for (int op = 0; op < 200000; ++op) {
        const size_t i = next(3000), j = next(3000);
        const size_t grown = model.size() > i ? model.size() : i + 1;
        if (op % 5000 == 4999) model.resize(next(3000)), log.resize(model.size());
        else if (op % 7 == 0 && j < model.size()) model.resize(grown), model[i] = model[j], log[i] = log[j];
        else model.resize(grown), model[i] = std::string(next(2) ? next(600) : 38, char('a' + op % 26)), log[i] = model[i];
    }
    model.resize(std::max<size_t>(model.size(), 3)), log.resize(model.size());
    log.guard(model.size() - 1); // writes between reloads are undone, the latest first
    log[1] = "first", log[1] = "second", log[2] = log[1];
    ASSERT_TRUE(log.restore());
    ASSERT_EQ(log.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(log[i], model[i]) << i;
    EXPECT_LT(log.memoryBytes(), 4u << 20);
}
