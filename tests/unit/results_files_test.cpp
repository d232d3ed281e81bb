// The Results folder: the counter file, reading and reloading the result file, the missing-file
// recovery, run numbering of the result and CSV logs, a folder that cannot be written, and the
// file dialog's save and read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

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
        {"abc\r\n", true, 11}, {"0\r\n", true, 11}, {"32767\r\n", true, 32767}, {std::nullopt, true, 11}};
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
    w.writeFile("DC_Result_2.txt", "KEEP3\r\n");  // the counter goes to the highest run present, not 1
    EXPECT_EQ(readBack(*w.form), "");
    EXPECT_EQ(w.dialogs.boxes.size(), 1u);
    EXPECT_EQ(w.readFile("DCCount.txt") + w.readFile("DC_Result_1.txt"), "2\r\nKEEP1\r\nKEEP2\r\n");
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
    // Disconnect starts a new run; Connect again without Disconnect: the same run goes on.
    f.cmdDisconnectClick();
    EXPECT_EQ(v.readFile("DC_Run_8.ini"), "first_reading=2026-12-06T10:00:00\r\nlast_reading=2026-12-06T10:00:59\r\ngap=a,b,3\r\n");
    f.processMessage(stored(3), 0, 0, 1, 1);
    f.ctl.txtIP = "127.0.0.1";
    f.cmdConnectClick();
    f.processMessage(stored(4), 0, 0, 1, 1);
    EXPECT_EQ(v.readFile("DCCount.txt"), "9\r\n");
    EXPECT_EQ(v.readFile("DC_Result_9.txt"), stored(3) + "\r\n" + stored(4) + "\r\n");
    EXPECT_TRUE(v.dialogs.boxes.empty());
}

// Runs at the top of the numbers, a counter behind the files, the folder gone (a plain file in
// its place) or the disk full at the start, middle or end of a run, the running file deleted:
// every reading ends in its own run's files, in order, no older run's file changes, numbers never
// go down, and a folder problem is told once and its notice updated when it is over.
TEST(ResultLogging, EveryReadingLandsInItsOwnRunAndNumbersNeverGoDown) {
    // r reading, d Disconnect, o/O folder gone/back, f/F disk full after 20 bytes/space again,
    // x the running files deleted, X the whole folder, l reload, m every run's files moved away
    struct Row { const char* counter; std::vector<int> older; const char* events; const char* runs; int boxes; };
    const Row rows[] = {{"32765", {}, "rrdrdr", "32766:1,2 32767:3", 1}, {"32766", {32766}, "rrdrmr", "1:3,4", 1},
                        {"2", {3}, "rr", "4:1,2", 1}, {"3", {1, 3}, "orrOr", "4:1,2,3", 1},
                        {"3", {}, "rrorrOr", "4:1,2,3,4,5", 1}, {"3", {}, "rordrOr", "4:1,2 5:3,4", 1},
                        {"3", {}, "frrFdr", "4:1,2 5:3", 1}, {"3", {}, "rfrrFr", "4:1,2,3,4", 1},
                        {"3", {}, "rrxlr", "4:3", 0}, {"0", {}, "rrxlr", "1:D,3", 0}, {"3", {}, "rXdr", "5:2", 0},
                        {"3", {}, "rorOrorOr", "4:1,2,3,4,5", 2}};  // told again once it was over
    for (const Row& row : rows) {
        SCOPED_TRACE(row.events);
        VirtualLogger v;
        Form1& f = *v.form;
        v.writeFile("DCCount.txt", std::string(row.counter) + "\r\n");
        for (int k : row.older) v.writeFile("DC_Result_" + std::to_string(k) + ".txt", "OLD\r\n"), v.writeFile("DC_CSV_" + std::to_string(k) + ".csv", "OLD\r\n");
        const fs::path away = v.folder.string() + ".away", old = makeTempFolder("old-runs");
        int reading = 0, counter = 0;
        for (const char* e = row.events; *e; ++e) {
            const std::string now = v.readFile("DCCount.txt");
            if (*e == 'r') f.processMessage(stored(++reading), 0, 0, 1, 1);
            if (*e == 'd') f.cmdDisconnectClick();
            if (*e == 'o') fs::rename(v.folder, away), std::ofstream(v.folder) << "x";
            if (*e == 'O') fs::remove(v.folder), fs::rename(away, v.folder);
            if (*e == 'f' || *e == 'F') simulateFullDiskAfter(*e == 'f' ? 20 : -1);
            if (*e == 'x') fs::remove(v.folder / ("DC_Result_" + now.substr(0, now.size() - 2) + ".txt")), fs::remove(v.folder / ("DC_CSV_" + now.substr(0, now.size() - 2) + ".csv"));
            if (*e == 'l') f.importLastData();
            if (*e == 'X') fs::remove_all(v.folder);
            if (*e == 'm') for (const auto& entry : fs::directory_iterator(v.folder)) if (entry.path().filename().string().rfind("DC_", 0) == 0) fs::rename(entry.path(), old / entry.path().filename());
            if (*e == 'm' || *e == 'o' || *e == 'O') counter = 0;
            else if (!now.empty()) { EXPECT_GE(std::stoi(now), counter); counter = std::stoi(now); }
        }
        std::set<std::string> files;
        std::string last;
        for (std::istringstream runs(row.runs); runs >> last;) {
            const std::string n = last.substr(0, last.find(':'));
            std::string result, csv;
            for (std::istringstream ids(last.substr(n.size() + 1)); std::getline(ids, last, ',');)
                if (last == "D") result += std::string(kDefaultRecord) + "\r\n";
                else result += stored(std::stoi(last)) + "\r\n", csv += "000000,12.00,41.0,0001.0,00:00:0" + last + "\r\n";
            EXPECT_EQ(v.readFile("DC_Result_" + n + ".txt"), result) << n;
            EXPECT_EQ(v.readFile("DC_CSV_" + n + ".csv"), csv) << n;
            files.insert({"DC_Result_" + n + ".txt", "DC_CSV_" + n + ".csv"});
            last = n;
        }
        EXPECT_EQ(v.readFile("DCCount.txt"), last + "\r\n");
        for (int k : row.older) files.insert({"DC_Result_" + std::to_string(k) + ".txt", "DC_CSV_" + std::to_string(k) + ".csv"});
        for (const auto& entry : fs::directory_iterator(v.folder))
            if (entry.path().filename().string().rfind("DC_", 0) == 0) { EXPECT_TRUE(files.count(entry.path().filename().string())) << entry.path(); }
        for (int k : row.older) EXPECT_TRUE(v.readFile("DC_Result_" + std::to_string(k) + ".txt") == "OLD\r\n" || std::string(row.events).find('m') != std::string::npos) << k;
        EXPECT_EQ(v.dialogs.boxes.size(), size_t(row.boxes)) << boxes(v.dialogs);
        for (const auto& b : v.dialogs.boxes) EXPECT_EQ(b.title, "Results Folder");
        EXPECT_EQ(v.dialogs.updates.size(), size_t(std::count_if(row.events, row.events + strlen(row.events), [](char c) { return c == 'O' || c == 'F'; })));
        fs::remove_all(old);
    }
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

// Two above the counter, or past the runs present when that number's files exist already.
TEST(ReadFile, ImportedFileBecomesResultFileTwoAboveTheCounterAndIsCharted) {
  for (const auto& [taken, n] : {std::pair{false, 12}, {true, 13}}) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    const std::string content = records(5, 200), name = "DC_Result_" + std::to_string(n) + ".txt";
    vl.writeFile("DCCount.txt", "10\r\n");
    vl.writeFile("DC_Result_3.txt", content);
    if (taken) vl.writeFile("DC_CSV_12.csv", "OLD\r\n");
    vl.dialogs.onFileDialog = [&] {
        EXPECT_EQ(f.form2.txtExport, "DC_Result_10.txt");
        EXPECT_EQ(f.form2.files, std::vector<std::string>{"DC_Result_3.txt"});
        f.form2FileClick("DC_Result_3.txt");
        f.form2OkClick();
    };
    f.messageLogLoaded = true;
    f.mnuReadClick();
    EXPECT_TRUE(vl.dialogs.boxes.empty());
    EXPECT_EQ(f.getLastFileNumber(), n);
    EXPECT_EQ(vl.readFile(name), content);
    EXPECT_EQ(f.chart.pointLabel(6), "00:03:24");
    EXPECT_EQ(f.form2.files, (std::vector<std::string>{name, "DC_Result_3.txt"}));
  }
}

// A refused file changes nothing: the counter stays where it was.
TEST(ReadFile, OnlyExistingTextFilesAreRead) {
    const std::pair<const char*, const char*> cases[] = {{"results.csv", "Wrong File Type: File must be a text file\n"},
        {"RESULTS.TXT", "Wrong File Type: File must be a text file\n"}, {"nothere.txt", "Opening File: % does not Exist.\n"},
        {"pipe.txt", "Opening File: % is not a regular file.\n"}};
    for (const auto& [name, box] : cases) {
        VirtualLogger vl;
        vl.writeFile("DCCount.txt", "10\r\n");
        if (name[0] == 'p') fs::create_directory(vl.folder / name);
        else if (name[0] != 'n') vl.writeFile(name, records(2, 5));
        vl.dialogs.onFileDialog = [&] {
            vl.form->form2.txtExport = name;
            vl.form->form2OkClick();
        };
        vl.form->mnuReadClick();
        EXPECT_EQ(boxes(vl.dialogs, vl.folder.string() + "/" + name), box);
        EXPECT_FALSE(vl.fileExists("DC_Result_11.txt") || vl.fileExists("DC_Result_12.txt"));
        EXPECT_EQ(vl.readFile("DCCount.txt"), "10\r\n");
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
