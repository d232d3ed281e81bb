// The Results folder: counter file, reading a result file back, the missing-file recovery, run
// numbering of the result and CSV logs, and a folder that cannot be written.
#include <gtest/gtest.h>

#include <optional>

#include <filesystem>
#include <functional>
#include <fstream>
#include <string>

#include "decode/format.h"
#include "logger_rig.h"
#include "results/file_io.h"
#include "results/item_reader.h"

using namespace dcload;
using namespace dcload::test;
namespace fs = std::filesystem;

namespace {

// Reads the current result file afresh, as the periodic reload does.
std::string readBack(Form1& f, std::int16_t row, std::int16_t asFile, bool read0 = false) {
    f.messageLogLoaded = false;
    return f.readLastFile(row, asFile, read0);
}

std::string line(const std::string& storedMessage) { return storedMessage + "\r\n"; }

int boxesTitled(const ScriptedDialogs& d, const std::string& title) {
    int n = 0;
    for (const auto& b : d.boxes) n += b.title == title;
    return n;
}

} // namespace

TEST(CounterFile, ReadsTheFirstItemAsTheRunNumberAndNeverFallsBehindTheResultFiles) {
    struct Case {
        std::optional<std::string> content; // none: no counter file
        bool olderRuns;                     // result files up to DC_Result_11.txt present
        int expected;
    };
    const Case cases[] = {
        {"12\r\n", false, 12}, {"7", false, 7}, {" 9 \r\n", false, 9}, {"5,6\r\n", false, 5},
        {"3\r\n", true, 3}, // a usable counter keeps its numbering
        // Nothing to mix with: the next run is 1, as before.
        {"abc\r\n", false, 0}, {"99999\r\n", false, 0}, {"", false, 0}, {"-5", false, 0},
        {std::string("\x01\xff\0\x02", 4), false, 0},
        // Not to be trusted beside older runs: the next run comes after the highest of them.
        {"abc\r\n", true, 11}, {"\r\n", true, 11}, {"", true, 11}, {"-5\r\n", true, 11},
        {"32767\r\n", true, 11}, {"0\r\n", true, 11}, {"99999999999999999999\r\n", true, 11},
        {std::nullopt, true, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content.value_or("(missing)"));
        VirtualLogger v;
        fs::remove(v.folder / "DCCount.txt");
        if (c.content) v.writeFile("DCCount.txt", *c.content);
        if (c.olderRuns)
            for (const char* name : {"DC_Result_4.txt", "DC_Result_11.txt", "DC_Result_012.txt", "DC_Result_40000.txt"})
                v.writeFile(name, "x\r\n");
        EXPECT_EQ(v.form->getLastFileNumber(), c.expected);
        EXPECT_EQ(v.form->getLastFileNumber(), c.expected);
        const bool repaired = c.olderRuns && c.expected == 11;
        EXPECT_EQ(v.readFile("DCCount.txt"), repaired ? "11\r\n" : c.content.value_or(""));
        EXPECT_EQ(v.dialogs.boxes.size(), repaired ? 1u : 0u); // said once
    }
    // Missing counter file, no result files: created with 1.
    VirtualLogger v;
    fs::remove(v.folder / "DCCount.txt");
    EXPECT_EQ(v.form->getLastFileNumber(), 1);
    EXPECT_EQ(v.readFile("DCCount.txt"), "1\r\n");
}

TEST(ResultFileRead, CountAndRecords) {
    VirtualLogger v;
    Form1& f = *v.form;
    v.writeFile("DCCount.txt", "5\r\n");
    std::string content;
    for (int i = 1; i <= 7; ++i) content += line("R" + std::to_string(i) + "\r"); // R1 CR CR LF ...
    v.writeFile("DC_Result_5.txt", content);
    v.writeFile("DC_Result_1.txt", "F1\r\nF2\r\n");

    struct Case {
        std::int16_t row, asFile;
        bool read0;
        const char* expected;
    };
    const Case cases[] = {
        {0, -1, false, "7"}, {0, 0, false, "R7"},  {8, 0, false, "R7"}, {7, 0, false, "R7"},
        {5, 0, false, "R5"}, {1, 0, false, "R1"},  {-3, 0, false, "R7"}, {5, 1, false, "R5"},
        {3, -1, false, "7"}, {0, -1, true, "2"},   {1, 0, true, "F1"},  {9, 0, true, "F2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readBack(f, c.row, c.asFile, c.read0), c.expected) << c.row << " " << c.asFile << " " << c.read0;
    EXPECT_TRUE(f.messageLogLoaded);
    EXPECT_NE(f.lblFileName.find("DC_Result_1.txt"), std::string::npos);

    // A line with a comma holds two records; blank lines hold none.
    v.writeFile("DC_Result_5.txt", "A,B\r\n\r\nC\r\n\"D,E\"\r\n");
    EXPECT_EQ(readBack(f, 0, -1), "4");
    EXPECT_EQ(f.messageLog[2], "B");
    EXPECT_EQ(f.messageLog[4], "D,E");

    // An empty file: no records; a record request answers entry 0.
    v.writeFile("DC_Result_5.txt", "");
    f.messageLog[0] = "entry zero";
    EXPECT_EQ(readBack(f, 0, -1), "0");
    EXPECT_EQ(readBack(f, 3, 0), "entry zero");

    // While the log is loaded the answer comes from memory and the file is not touched.
    fs::remove(v.folder / "DC_Result_5.txt");
    f.messageLogLoaded = true;
    f.messageLog[4] = "from memory";
    EXPECT_EQ(f.readLastFile(0, -1, false), "entry zero");
    EXPECT_EQ(f.readLastFile(4, 0, false), "from memory");
    EXPECT_FALSE(v.fileExists("DC_Result_5.txt"));
    EXPECT_TRUE(v.dialogs.boxes.empty());
    EXPECT_EQ(v.readFile("DCCount.txt"), "5\r\n");
}

TEST(ResultFileRead, KeepsEveryRecord) {
    VirtualLogger v;
    Form1& f = *v.form;
    std::string content;
    for (int i = 1; i <= 40000; ++i) content += line(makeDataMessage(1200, 410, i, 1, 200) + "000001\r");
    v.writeFile("DCCount.txt", "2\r\n");
    v.writeFile("DC_Result_2.txt", content);
    EXPECT_EQ(readBack(f, 0, -1), "40000");
    EXPECT_EQ(f.messageLog[31999], makeDataMessage(1200, 410, 31999, 1, 200) + "000001");
    EXPECT_EQ(f.messageLog[40000], makeDataMessage(1200, 410, 40000, 1, 200) + "000001");
    EXPECT_EQ(f.messageLog[40001], "");
    EXPECT_EQ(readBack(f, 31998, 0), makeDataMessage(1200, 410, 31998, 1, 200) + "000001");
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
        if (op % 5000 == 4999) model.resize(next(3000));
        else if (op % 7 == 0 && j < model.size()) model.resize(grown), model[i] = model[j];
        else model.resize(grown), model[i] = std::string(next(2) ? next(600) : 38, char('a' + op % 26));
        if (op % 5000 == 4999) log.resize(model.size());
        else if (op % 7 == 0 && j < log.size()) log[i] = log[j];
        else log[i] = model[i];
    }
    ASSERT_EQ(log.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(log[i], model[i]) << i;
    EXPECT_LT(log.memoryBytes(), 4u << 20);
}

// The reload reads only what was appended, and its log always equals a whole read's.
TEST(ResultFileRead, ReloadReadsOnlyWhatWasAdded) {
    VirtualLogger v;
    Form1& f = *v.form;
    auto rec = [](int i) { return line(makeDataMessage(1200, 410, i, 1, 200) + "000001\r"); };
    std::string file;
    for (int i = 1; i <= 3000; ++i) file += rec(i);
    v.writeFile("DCCount.txt", "2\r\n");
    const std::string path = f.resultFileName(2);
    const struct Step {
        const char* what;
        std::function<void()> change;
        bool onlyNew;
    } steps[] = {
        {"first read", [&] { v.writeFile("DC_Result_2.txt", file); }, false},
        {"nothing new", [] {}, true},
        {"appended", [&] { appendToFile(path, rec(3001) + rec(3002)); }, true},
        {"partial line", [&] { appendToFile(path, rec(3003).substr(0, 20)); }, true},
        {"line completed", [&] { appendToFile(path, rec(3003).substr(20) + "\"q,\r\n"); }, true},
        {"quote open", [&] { appendToFile(path, "\"a\r\nb"); }, true},
        {"log written", [&] { f.messageLog[3002] = "live"; appendToFile(path, "c\""); }, true},
        {"truncated", [&] { v.writeFile("DC_Result_2.txt", file.substr(0, 41000) + rec(9)); }, false},
        {"saved onto", [&] { v.writeFile("DC_Result_2.txt", rec(7) + file.substr(41, 41000) + rec(9) + rec(5)); }, false},
        {"log rewritten", [&] { for (int i = 1; i <= 5000; ++i) f.messageLog[static_cast<size_t>(i % 900 + 1)] = "x"; }, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const std::string count = readBack(f, 0, -1);
        std::vector<std::string_view> records;
        const std::string content = v.readFile("DC_Result_2.txt");
        ItemReader reader(content);
        for (std::string_view item; reader.next(item);)
            if (!item.empty()) records.push_back(item);
        ASSERT_EQ(count, std::to_string(records.size()));
        for (size_t i = 0; i < records.size(); ++i) ASSERT_EQ(f.messageLog[i + 1], records[i]) << i + 1;
        EXPECT_EQ(f.lastReadBytes < 200, step.onlyNew);
    }
}

TEST(ResultFileRead, MissingFileRecovery) {
    {
        VirtualLogger v; // fresh machine: counter 1, no result file yet
        Form1& f = *v.form;
        EXPECT_EQ(readBack(f, 0, -1), "");
        ASSERT_EQ(v.dialogs.boxes.size(), 1u);
        const MessageBoxCall& box = v.dialogs.boxes[0];
        EXPECT_EQ(box.text, "New Default Files Created");
        EXPECT_EQ(box.title, "Software Start Up");
        EXPECT_EQ(box.icon, Icon::Information);
        EXPECT_EQ(box.buttons, Buttons::OK);
        EXPECT_FALSE(f.messageLogLoaded);
        EXPECT_EQ(v.readFile("DCCount.txt"), "1\r\n");
        EXPECT_EQ(v.readFile("DC_Result_1.txt"), std::string(kDefaultRecord) + "\r\n");
        EXPECT_EQ(readBack(f, 0, -1), "1");
        EXPECT_EQ(f.messageLog[1], kDefaultRecord);
    }
    {
        VirtualLogger v; // counter names a missing file; file 1 holds records already
        v.writeFile("DCCount.txt", "4\r\n");
        v.writeFile("DC_Result_1.txt", "KEEP1\r\nKEEP2\r\n");
        EXPECT_EQ(readBack(*v.form, 0, -1), "");
        EXPECT_EQ(v.dialogs.boxes.size(), 1u);
        EXPECT_EQ(v.readFile("DCCount.txt"), "1\r\n");
        EXPECT_EQ(v.readFile("DC_Result_1.txt"), "KEEP1\r\nKEEP2\r\n");
    }
}

TEST(ResultLogging, RunNumbering) {
    VirtualLogger v;
    Form1& f = *v.form;
    v.writeFile("DCCount.txt", "7\r\n");
    const std::string m1 = makeDataMessage(1200, 410, 1, 1, 200) + "000001\r";
    const std::string m2 = makeDataMessage(1190, 410, 2, 1, 200) + "000002\r";
    const std::string m3 = makeDataMessage(1180, 410, 3, 1, 200) + "000003\r";
    const std::string m4 = makeDataMessage(1170, 410, 4, 1, 200) + "000004\r";

    f.processMessage(m1, 0, 0, 1, 1);
    EXPECT_EQ(f.ctl.StatusBar1, "Flash Record =  0 readings..");
    EXPECT_EQ(f.ctl.lblHCMPointer.caption, "Flash records =  0 Records");
    EXPECT_EQ(v.readFile("DCCount.txt"), "8\r\n");
    f.ctl.StatusBar1 = "Socket Connected";
    f.processMessage(m2, 0, 0, 1, 1);
    EXPECT_EQ(f.ctl.StatusBar1, "Socket Connected"); // only the first message of a run reports
    EXPECT_EQ(v.readFile("DCCount.txt"), "8\r\n");
    EXPECT_EQ(v.readFile("DC_Result_8.txt"), line(m1) + line(m2));
    EXPECT_EQ(v.readFile("DC_CSV_8.csv"),
              "000000,12.00,41.0,0001.0,00:00:01\r\n000000,11.90,41.0,0001.0,00:00:02\r\n");

    // Disconnect starts a new run; file 9 already holds an old line and is appended to.
    v.writeFile("DC_Result_9.txt", "OLD\r\n");
    f.cmdDisconnectClick();
    f.flashRecordCount = 12;
    f.processMessage(m3, 0, 0, 1, 1);
    EXPECT_EQ(f.ctl.StatusBar1, "Flash Record =  12 readings..");
    EXPECT_EQ(f.ctl.lblHCMPointer.caption, "Flash records =  12 Records");
    EXPECT_EQ(v.readFile("DCCount.txt"), "9\r\n");

    // Connect again without Disconnect: the same run goes on.
    f.ctl.txtIP = "127.0.0.1";
    f.cmdConnectClick();
    f.processMessage(m4, 0, 0, 1, 1);
    EXPECT_EQ(v.readFile("DCCount.txt"), "9\r\n");
    EXPECT_EQ(v.readFile("DC_Result_9.txt"), "OLD\r\n" + line(m3) + line(m4));
    EXPECT_EQ(v.readFile("DC_Result_8.txt"), line(m1) + line(m2));
    EXPECT_FALSE(v.fileExists("DC_Result_10.txt"));
    EXPECT_TRUE(v.dialogs.boxes.empty());
}

TEST(ResultLogging, FolderRemovedDuringARunIsMadeAgain) {
    VirtualLogger v;
    Form1& f = *v.form;
    const std::string m = makeDataMessage(1200, 410, 1, 1, 200) + "000001\r";
    f.processMessage(m, 0, 0, 1, 1);
    ASSERT_TRUE(v.fileExists("DC_Result_2.txt"));
    fs::remove_all(v.folder);
    f.processMessage(m, 0, 0, 1, 1);
    // The counter file is made again with 1, and the run's line lands in file 1.
    EXPECT_EQ(v.readFile("DCCount.txt"), "1\r\n");
    EXPECT_EQ(v.readFile("DC_Result_1.txt"), line(m));
    EXPECT_EQ(v.readFile("DC_CSV_1.csv"), "000000,12.00,41.0,0001.0,00:00:01\r\n");
    EXPECT_TRUE(v.dialogs.boxes.empty());
}

TEST(ResultLogging, UnwritableFolderIsReportedOnceAndReadingsStillShow) {
    OwnFolder own;
    { std::ofstream(own.folder) << "in the way"; } // a plain file where the folder should be
    VirtualLogger v(own.folder, false);
    v.form->formLoad();
    v.form->processMessage(makeDataMessage(1200, 410, 1, 1, 200) + "000001\r", 0, 0, 1, 1);
    for (int i = 2; i <= 30; ++i) {
        v.form->processMessage(makeDataMessage(1000 + i, 410, i, 1, 200) + "000001\r", 0, 0, 1, 1);
        EXPECT_EQ(v.form->ctl.lblU[0].caption, formatPattern((1000 + i) / 100.0, "##0.00"));
    }
    ASSERT_EQ(boxesTitled(v.dialogs, "Results Folder"), 1);
    EXPECT_EQ(v.dialogs.boxes.size(), 1u);
    const MessageBoxCall& box = v.dialogs.boxes[0];
    EXPECT_NE(box.text.find(own.folder.string()), std::string::npos) << box.text;

    // Once the folder can be written again, a write succeeds and a later problem is reported anew.
    fs::remove(own.folder);
    v.form->processMessage(makeDataMessage(1200, 410, 31, 1, 200) + "000001\r", 0, 0, 1, 1);
    EXPECT_TRUE(fs::is_directory(own.folder));
    // The readings of the outage were kept and land first, in order, in the run's own files.
    const std::string result = v.readFile("DC_Result_1.txt");
    ASSERT_EQ(linesOf(result), 31) << result;
    EXPECT_EQ(linesOf(v.readFile("DC_CSV_1.csv")), 31);
    for (int i = 2; i <= 30; ++i) EXPECT_EQ(result.find(makeDataMessage(1000 + i, 410, i, 1, 200)), (i - 1) * 41u) << i;
    fs::remove_all(own.folder);
    { std::ofstream(own.folder) << "in the way"; }
    v.form->processMessage(makeDataMessage(1200, 410, 32, 1, 200) + "000001\r", 0, 0, 1, 1);
    EXPECT_EQ(boxesTitled(v.dialogs, "Results Folder"), 2);
}

TEST(ResultLogging, UnwritableFolderWhilePollingShowsOneBox) {
    OwnFolder own;
    { std::ofstream(own.folder) << "in the way"; }
    VirtualLogger v(own.folder, false);
    v.form->formLoad();
    int n = 0;
    v.socket.onSend = [&](const std::string& t) {
        if (t == "?\r") v.socket.deliver(makeDataMessage(1200, 410, ++n, 1, 200), 20);
    };
    v.connect();
    v.advance(60000);
    EXPECT_GE(n, 50);
    EXPECT_EQ(v.form->ctl.lblU[0].caption, "12.00");
    EXPECT_EQ(boxesTitled(v.dialogs, "Results Folder"), 1);
    EXPECT_EQ(boxesTitled(v.dialogs, "Software Start Up"), 0); // nothing was created
    EXPECT_EQ(v.dialogs.boxes.size(), 1u) << v.dialogs.boxes.back().title << ": " << v.dialogs.boxes.back().text;
}

TEST(ResultLogging, CounterFileThatIsAFolderIsSaidOnceAndRunsStayApart) {
    VirtualLogger v;
    fs::remove(v.folder / "DCCount.txt");
    fs::create_directory(v.folder / "DCCount.txt");
    const auto log = [&](int i) { v.form->processMessage(makeDataMessage(1200, 410, i, 1, 200) + "000001\r", 0, 0, 1, 1); };
    for (int i = 1; i <= 5; ++i) log(i);
    v.form->cmdDisconnectClick();
    log(6);
    EXPECT_EQ(linesOf(v.readFile("DC_Result_1.txt")), 5);
    EXPECT_EQ(linesOf(v.readFile("DC_Result_2.txt")), 1); // a run of its own
    EXPECT_EQ(boxesTitled(v.dialogs, "Results Folder"), 1);
}
