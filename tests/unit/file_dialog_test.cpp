// Saving the current result file, reading a text file in as a new result file, and the
// periodic reload of the current result file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;

namespace {

std::string records(int n, int firstTime) {
    std::string s;
    for (int i = 0; i < n; ++i) s += reading(firstTime + i) + "000001\r\r\n";
    return s;
}

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Box {
    std::string text, title;
    Icon icon;
    Buttons buttons;
    DefaultButton def;
};

void expectBoxes(const std::vector<MessageBoxCall>& got, const std::vector<Box>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].text, want[i].text) << i;
        EXPECT_EQ(got[i].title, want[i].title) << i;
        EXPECT_EQ(got[i].icon, want[i].icon) << i;
        EXPECT_EQ(got[i].buttons, want[i].buttons) << i;
        EXPECT_EQ(got[i].def, want[i].def) << i;
    }
}

} // namespace

TEST(SaveFile, DefaultNameIsTheCurrentFileAndCannotBeCopiedOntoItself) {
    for (Answer answer : {Answer::No, Answer::Yes}) {
        SCOPED_TRACE(answer == Answer::Yes ? "Yes" : "No");
        VirtualLogger vl;
        const std::string content = records(3, 10);
        vl.writeFile("DC_Result_1.txt", content);
        const std::string path = vl.folder.string() + "/DC_Result_1.txt";
        if (answer == Answer::Yes) vl.dialogs.answers.push_back(Answer::Yes);
        vl.dialogs.onFileDialog = [&] {
            EXPECT_EQ(vl.form->form2.caption, "Save File");
            EXPECT_EQ(vl.form->form2.okCaption, "&Save");
            EXPECT_EQ(vl.form->form2.txtExport, "DC_Result_1.txt");
            vl.form->form2OkClick();
        };
        vl.form->mnuSaveClick();
        std::vector<Box> want = {
            {path + " Exists. Overwrite?", "Saving File", Icon::Information, Buttons::YesNo, DefaultButton::Second}};
        if (answer == Answer::Yes)
            want.push_back({"Cannot save, file in use.", "Error", Icon::Information, Buttons::OK, DefaultButton::First});
        expectBoxes(vl.dialogs.boxes, want);
        EXPECT_EQ(vl.readFile("DC_Result_1.txt"), content);
        EXPECT_FALSE(vl.form->form2.open);
    }
}

TEST(SaveFile, CopyToAnotherFolderIsIdentical) {
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing);
        VirtualLogger vl;
        const std::string content = records(4, 20);
        vl.writeFile("DCCount.txt", "5\r\n");
        vl.writeFile("DC_Result_5.txt", content);
        const auto other = makeTempFolder("save-target");
        const std::string target = other.string() + "/copy.txt";
        if (existing) {
            std::ofstream(other / "copy.txt", std::ios::binary) << "old";
            vl.dialogs.answers.push_back(Answer::Yes);
        }
        vl.dialogs.onFileDialog = [&] {
            vl.form->form2FolderChange(other.string());
            vl.form->form2.txtExport = "  copy.txt ";
            vl.form->form2OkClick();
        };
        vl.form->mnuSaveClick();
        std::vector<Box> want;
        if (existing)
            want.push_back({target + " Exists. Overwrite?", "Saving File", Icon::Information, Buttons::YesNo,
                            DefaultButton::Second});
        want.push_back({target + " Saved", "Saving File", Icon::Information, Buttons::OK, DefaultButton::First});
        expectBoxes(vl.dialogs.boxes, want);
        EXPECT_EQ(slurp(other / "copy.txt"), content);
        std::filesystem::remove_all(other);
    }
}

TEST(ReadFile, ImportedFileBecomesResultFileTwoAboveTheCounterAndIsCharted) {
    VirtualLogger vl;
    const std::string content = records(5, 200);
    vl.writeFile("DCCount.txt", "10\r\n");
    vl.writeFile("DC_Result_3.txt", content);
    vl.dialogs.onFileDialog = [&] {
        Form1& f = *vl.form;
        EXPECT_EQ(f.form2.caption, "Read File");
        EXPECT_EQ(f.form2.okCaption, "&Read");
        EXPECT_EQ(f.form2.txtExport, "DC_Result_10.txt");
        EXPECT_EQ(f.form2.files, std::vector<std::string>{"DC_Result_3.txt"});
        f.form2FileClick("DC_Result_3.txt");
        f.form2OkClick();
    };
    vl.form->messageLogLoaded = true;
    vl.form->mnuReadClick();
    Form1& f = *vl.form;
    EXPECT_TRUE(vl.dialogs.boxes.empty());
    EXPECT_EQ(f.getLastFileNumber(), 12);
    EXPECT_EQ(vl.readFile("DC_Result_12.txt"), content);
    EXPECT_FALSE(vl.fileExists("DC_Result_11.txt"));
    EXPECT_TRUE(f.reloadHistory);
    EXPECT_EQ(f.gTimeCount, 5);
    EXPECT_EQ(plottedPoints(f.chart), 5);
    EXPECT_EQ(f.chart.pointLabel(2), "00:03:20");
    EXPECT_EQ(f.chart.pointLabel(6), "00:03:24");
    EXPECT_EQ(f.ctl.lblPage.caption, "Page 1 of 1");
    EXPECT_EQ(f.form2.pointer, Pointer::Default);
    EXPECT_EQ(f.ctl.pointer, Pointer::Default);
    EXPECT_EQ(f.form2.files, (std::vector<std::string>{"DC_Result_12.txt", "DC_Result_3.txt"}));
}

TEST(ReadFile, RefusedFilesAndMissingFiles) {
    struct Case {
        const char* name;
        bool create;
        int counterAfter;
        const char* text;  // appended to the path when it starts with a blank
        const char* title;
        Icon icon;
    };
    const Case cases[] = {
        {"results.csv", true, 12, "File must be a text file", "Wrong File Type", Icon::Exclamation},
        {"RESULTS.TXT", true, 12, "File must be a text file", "Wrong File Type", Icon::Exclamation},
        {"results.tx", true, 12, "File must be a text file", "Wrong File Type", Icon::Exclamation},
        {"nothere.txt", false, 10, " does not Exist.", "Opening File", Icon::Information},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualLogger vl;
        vl.writeFile("DCCount.txt", "10\r\n");
        if (c.create) vl.writeFile(c.name, records(2, 5));
        vl.dialogs.onFileDialog = [&] {
            vl.form->form2.txtExport = c.name;
            vl.form->form2OkClick();
        };
        vl.form->mnuReadClick();
        const std::string path = vl.folder.string() + "/" + c.name;
        const std::string text = c.text[0] == ' ' ? path + c.text : c.text;
        expectBoxes(vl.dialogs.boxes, {{text, c.title, c.icon, Buttons::OK, DefaultButton::First}});
        EXPECT_EQ(vl.form->getLastFileNumber(), c.counterAfter);
        EXPECT_FALSE(vl.fileExists("DC_Result_12.txt"));
        EXPECT_FALSE(vl.fileExists("DC_Result_11.txt"));
        EXPECT_FALSE(vl.form->reloadHistory);
    }
}

TEST(PeriodicReload, FreshFolderShowsRecoveryThenFailureThenTheDefaultRecord) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    f.gTimeCount = 0;
    f.importLastData();
    expectBoxes(vl.dialogs.boxes,
                {{"New Default Files Created", "Software Start Up", Icon::Information, Buttons::OK, DefaultButton::First},
                 {"Type mismatch 13", "KorvelLoad_4", Icon::None, Buttons::OK, DefaultButton::First}});
    EXPECT_EQ(f.gTimeCount, 0);
    EXPECT_EQ(f.chart.pointCount(), 2);
    EXPECT_EQ(f.form2.pointer, Pointer::Default);

    f.importLastData();
    EXPECT_EQ(vl.dialogs.boxes.size(), 2u);
    EXPECT_EQ(f.gTimeCount, 1);
    EXPECT_EQ(f.chart.pointLabel(2), "00:07:00");
    EXPECT_EQ(f.chart.valueText(1, 2), "4");
    EXPECT_EQ(f.ctl.lblU[0].caption, "4.00");
    EXPECT_EQ(f.ctl.lblPage.caption, "Page 1 of 1");
}

TEST(PeriodicReload, EmptyResultFileLeavesTheChartAlone) {
    VirtualLogger vl;
    Form1& f = *vl.form;
    vl.writeFile("DC_Result_1.txt", "");
    f.gTimeCount = 5;
    f.ctl.lblCount.caption = "5";
    const auto revision = f.chart.revision();
    f.importLastData();
    EXPECT_TRUE(vl.dialogs.boxes.empty());
    EXPECT_EQ(f.gTimeCount, 5);
    EXPECT_EQ(f.ctl.lblCount.caption, "5");
    EXPECT_EQ(f.chart.revision(), revision);
}

TEST(PeriodicReload, RunningTestIsChartedFromItsResultFile) {
    Rig r;
    r.peer = [&](const std::string& t) {
        if (t == "?\r") r.socket.deliver(reading(static_cast<int>(r.loop.now() / 1000)), 100);
    };
    r.connect();
    r.advance(30000);
    Form1& f = *r.form;
    const int saved = linesOf(r.readFile("DC_Result_2.txt"));
    ASSERT_GE(saved, 20);
    r.advance(2000); // the period is 2 ticks now: at least one reload
    const int plotted = plottedPoints(f.chart);
    EXPECT_GE(plotted, saved);
    EXPECT_LE(plotted, linesOf(r.readFile("DC_Result_2.txt")));
    EXPECT_TRUE(f.messageLogLoaded);
}

// Whatever text is read in, the logger neither crashes nor hangs, keeps its records within the
// log's budget (items too long to be records are skipped), and charts what decodes.
TEST(ReadFile, OddTextFilesAreReadWithinTheCap) {
    const std::string good = reading(100) + "000001";
    const std::string bigLines = [] {
        std::string s;
        const std::string line = "0101010012C001F4000A000100D2" + std::string(12, 'F') + "\r\n";
        while (s.size() < (100u << 20)) s += line; // 100 MB of short lines
        return s;
    }();
    struct Case {
        const char* name;
        std::string content;
        const char* count; // lblCount after the replay
    };
    const Case cases[] = {
        {"quotes and commas", "\"" + good + "\"," + good + ",\"a,b\"\r\n\r\n\r\n" + good + "\r\n", " 4"},
        {"empty lines only", "\r\n\r\n\n\n", " 0"},
        {"binary", std::string("\x00\xff\x01,\r\x80\"\x7f", 9) + std::string(5000, '\0'), " 1"},
        {"one 100 MB line", std::string(100u << 20, 'A'), " 0"},
        {"100 MB of lines", bigLines, " 873813"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualLogger vl;
        const auto source = vl.folder.parent_path() / "import.txt";
        std::ofstream(source, std::ios::binary) << c.content;
        vl.form->form2.mode = 1;
        vl.dialogs.onFileDialog = [&] {
            vl.form->form2FolderChange(vl.folder.parent_path().string());
            vl.form->form2FileClick("import.txt");
            vl.form->form2OkClick();
        };
        vl.form->mnuReadClick();
        EXPECT_EQ(vl.form->ctl.lblCount.caption, c.count);
        EXPECT_LE(vl.form->messageLog.memoryBytes(), kLogBudget + kLogBudget / 8);
        EXPECT_EQ(vl.dialogs.boxes.size(), 0u);
        EXPECT_EQ(vl.form->ctl.StatusBar1, "");
    }
}

// A gigabyte of NUL bytes as the run's result file: one over-long item, skipped, read once.
TEST(PeriodicReload, HugeFileOfNulBytesIsReadOnceInBoundedMemory) {
    VirtualLogger vl;
    vl.writeFile("DCCount.txt", "3\r\n");
    vl.writeFile("DC_Result_3.txt", "");
    std::filesystem::resize_file(vl.folder / "DC_Result_3.txt", 1ull << 30); // sparse
    for (const std::uint64_t read : {1ull << 30, 64ull}) {
        vl.form->importLastData();
        EXPECT_EQ(vl.form->lastReadBytes, read);
        EXPECT_EQ(vl.form->skippedLines, 1u);
        EXPECT_EQ(vl.form->gTimeCount, 0);
        EXPECT_LT(vl.form->messageLog.memoryBytes(), 2u << 20);
    }
    EXPECT_EQ(vl.dialogs.boxes.size(), 0u);
}
