// The operating system's file layer, the same on Linux and Windows: every call writes and reads
// the bytes exactly (the result file's CR CR LF, the CSV file's CR LF, a lone LF, and a Ctrl-Z
// that a text-mode stream on Windows would take for the end of the file).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "logger_rig.h"
#include "results/file_io.h"

using namespace dcload;
using namespace dcload::test;

TEST(FileLayer, EveryCallKeepsTheBytesExact) {
    OwnFolder own;
    const std::string dir = own.folder.generic_string() + "/";
    const std::string bytes = "010101000190019A01A400C800D200B4000125\r\r\n000125,4.00,41.0,0200.0,00:07:00\r\n\n\x1A" "end";
    ASSERT_TRUE(makeFolder(dir + "sub/deeper").ok());
    ASSERT_TRUE(writeWholeFile(dir + "source", bytes).ok());
    const std::pair<const char*, std::function<FileResult(const std::string&)>> ways[] = {
        {"write", [&](const std::string& p) { return writeWholeFile(p, bytes); }},
        {"append", [&](const std::string& p) { appendToFile(p, bytes.substr(0, 40)); return appendToFile(p, bytes.substr(40)); }},
        {"replace", [&](const std::string& p) { return replaceFile(p, bytes); }},
        {"copy", [&](const std::string& p) { return copyFile(dir + "source", p); }}};
    for (const auto& [name, write] : ways) {
        if (std::string(name) != "append") { ASSERT_TRUE(writeWholeFile(dir + name, std::string(200, 'x')).ok()); }
        ASSERT_TRUE(write(dir + name).ok()) << name;
        std::string back;
        EXPECT_TRUE(readWholeFile(dir + name, back).ok()) << name;
        EXPECT_EQ(back, bytes) << name;
    }
    std::string part;
    EXPECT_TRUE(readFileRange(dir + "write", 39, 4, part).ok());
    EXPECT_EQ(part, "\r\n00");
    EXPECT_FALSE(copyFile(dir + "copy", dir + "./copy").ok());  // onto itself: refused, kept
    EXPECT_TRUE(readWholeFile(dir + "copy", part).ok() && part == bytes);
    std::vector<std::string> names = listFolder(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"append", "copy", "replace", "source", "write"}));
    EXPECT_EQ(readWholeFile(dir + "none", part).status, FileStatus::FileNotFound);
    EXPECT_EQ(readWholeFile(dir + "none/x", part).status, FileStatus::PathNotFound);
    EXPECT_FALSE(fileExists(dir + "none") || fileExists(own.folder.generic_string()));
}

// A write that meets a full disk leaves the file as it was; a copy goes a piece at a time and
// refuses what is not a regular file (a pipe would block it for ever).
TEST(FileLayer, FailuresLeaveFilesAsTheyWere) {
    OwnFolder own;
    const std::string dir = own.folder.generic_string() + "/";
    ASSERT_TRUE(makeFolder(dir + "folder").ok());
    const std::string big(3u << 20, 'b');
    std::vector<double> steps;
    const std::tuple<const char*, std::int64_t, std::function<FileResult(const std::string&)>, bool> cases[] = {
        {"append, disk full", 10, [](const std::string& p) { return appendToFile(p, std::string(40, 'n')); }, false},
        {"copy, disk full", 1u << 20, [&](const std::string& p) { return copyFile(dir + "big", p); }, false},
        {"copy from a folder", -1, [&](const std::string& p) { return copyFile(dir + "folder", p); }, false},
        {"copy in pieces", -1, [&](const std::string& p) { return copyFile(dir + "big", p, [&](std::uint64_t d, std::uint64_t t) { steps.push_back(double(d) / double(t)); }); }, true}};
    for (const auto& [what, room, write, ok] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(writeWholeFile(dir + "big", big).ok() && writeWholeFile(dir + "target", "old\r\n").ok());
        simulateFullDiskAfter(room);
        const FileResult r = write(dir + "target");
        simulateFullDiskAfter(-1);
        std::string back;
        EXPECT_EQ(r.ok(), ok) << r.reason;
        EXPECT_TRUE(readWholeFile(dir + "target", back).ok() && back == (ok ? big : "old\r\n")) << back.size();
    }
    EXPECT_EQ(steps, (std::vector<double>{1.0 / 3, 2.0 / 3, 1.0}));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir + "pipe").c_str(), 0600), 0);
    EXPECT_EQ(copyFile(dir + "pipe", dir + "target").reason, "not a regular file");
    EXPECT_EQ(copyFile(dir + "big", dir + "pipe").reason, "the target is not a regular file");
#endif
}

TEST(FileLayer, DefaultResultsFolder) {
#ifdef _WIN32
    EXPECT_EQ(defaultResultsFolder(), "C:/Results"); // where the logger's users know it
#else
    if (const char* home = std::getenv("HOME"); home && *home) EXPECT_EQ(defaultResultsFolder(), std::string(home) + "/Results");
#endif
}
