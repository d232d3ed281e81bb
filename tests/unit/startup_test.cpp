// Start-up of the main window, the elapsed-seconds clock, the device address and the About box.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;
namespace fs = std::filesystem;

namespace {
const std::string kDefaultAddressLine = std::string(kDefaultLocalAddress) + "\r\n";
} // namespace

TEST(StartUp, FreshMachineGetsFolderFilesAndAnEmptyVoltsChart) {
    OwnFolder own;
    fs::remove_all(own.root); // not even the parent folder exists
    VirtualLogger v(own.folder, false);
    v.advance(2500);
    v.form->formLoad();
    Form1& f = *v.form;

    EXPECT_TRUE(fs::is_directory(own.folder));
    EXPECT_EQ(v.readFile("ACIP.txt"), kDefaultAddressLine);
    EXPECT_EQ(v.readFile("DCCount.txt"), "1\r\n");
    EXPECT_EQ(f.ctl.txtIP, kDefaultLocalAddress);
    EXPECT_FALSE(f.ctl.frmSetIP.visible);

    EXPECT_EQ(f.chart.pointCount(), 2); // the chart itself: chart_test
    EXPECT_EQ(f.ctl.comGraphText, "Volts - Time");
    EXPECT_EQ(f.ctl.comGraphItems,
              (std::vector<std::string>{"Volts - Time", "Current - Time", "DegC - Time", "kW - Time"}));
    EXPECT_EQ(f.ctl.HScroll.min, 1);
    EXPECT_EQ(f.ctl.lblPauseMessage.caption, "");

    // Nothing dialled, nothing running.
    EXPECT_EQ(v.timer(TimerId::TimerRequest).interval(), 1000);
    for (auto id : {TimerId::TimerRequest, TimerId::Timer1, TimerId::Timer2, TimerId::TimerDisconnect})
        EXPECT_FALSE(v.timer(id).enabled());
    v.advance(10 * 60000);
    EXPECT_TRUE(v.socket.connects.empty());
    EXPECT_TRUE(v.socket.sent.empty());
    EXPECT_TRUE(v.dialogs.boxes.empty());
    EXPECT_EQ(f.elapsedSeconds(), 600.0f);
}

TEST(StartUp, FolderWithoutAddressFile) {
    OwnFolder own;
    fs::create_directories(own.folder);
    VirtualLogger v(own.folder, false);
    v.writeFile("DCCount.txt", "7\r\n");
    v.form->formLoad();
    EXPECT_EQ(v.readFile("ACIP.txt"), kDefaultAddressLine);
    EXPECT_EQ(v.form->ctl.txtIP, kDefaultLocalAddress);
    EXPECT_EQ(v.readFile("DCCount.txt"), "7\r\n");
}

TEST(StartUp, AddressFileFirstFieldOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"127.0.0.7\r\n", "127.0.0.7"},
        {"loadbank.local,port 2200\r\n", "loadbank.local"},
        {"\"127.1.1.1,x\",y\r\n", "127.1.1.1,x"},
        {"\" 127.2.2.2 \"\r\n", "127.2.2.2"},
        {"   127.0.0.9  \r\nother\r\n", "127.0.0.9"},
        {"127.0.0.8", "127.0.0.8"},
        {"", ""},
        {"\r\n10.0.0.1\r\n", ""},
        {"  \r\n", ""},
    };
    for (const auto& [content, expected] : cases) {
        OwnFolder own;
        VirtualLogger v(own.folder, false);
        v.writeFile("ACIP.txt", content);
        v.form->formLoad();
        EXPECT_EQ(v.form->ctl.txtIP, expected) << content;
        EXPECT_EQ(v.readFile("ACIP.txt"), content); // read, never repaired
    }
}

TEST(DeviceAddress, ButtonsSaveAndConnectOnlyWhenClosed) {
    struct Case {
        const char* name;
        std::function<void(Form1&)> press;
        std::string typed, box, file, dialled;
    };
    const Case cases[] = {
        {"Local", [](Form1& f) { f.cmdLocalClick(); }, "1.2.3.4", kDefaultLocalAddress, kDefaultAddressLine,
         kDefaultLocalAddress},
        {"Remote", [](Form1& f) { f.cmdRemoteClick(); }, "1.2.3.4", kFixedRemoteAddress,
         std::string(kFixedRemoteAddress) + "\r\n", kFixedRemoteAddress},
        {"Above", [](Form1& f) { f.cmdSetIPClick(); }, "  127.9.8.7 ", "  127.9.8.7 ", "  127.9.8.7 \r\n", "127.9.8.7"},
    };
    for (const Case& c : cases) {
        for (bool open : {false, true}) {
            VirtualLogger v;
            if (open) v.socket.state_ = 7;
            v.form->ctl.txtIP = c.typed;
            c.press(*v.form);
            EXPECT_EQ(v.form->ctl.txtIP, c.box) << c.name;
            EXPECT_EQ(v.readFile("ACIP.txt"), c.file) << c.name;
            if (open) {
                EXPECT_TRUE(v.socket.connects.empty()) << c.name;
                EXPECT_EQ(v.socket.closes, 0) << c.name;
            } else {
                ASSERT_EQ(v.socket.connects.size(), 1u) << c.name;
                EXPECT_EQ(v.socket.connects[0], std::make_pair(c.dialled, 2200)) << c.name;
            }
            EXPECT_FALSE(v.timer(TimerId::TimerRequest).enabled()) << c.name;
        }
    }
}

TEST(DeviceAddress, CtrlHRevealsTheAddressFrame) {
    struct Case {
        int key;
        bool shift, ctrl, alt, reveals;
    };
    const Case cases[] = {
        {72, false, true, false, true},  {72, true, true, true, true},    {72, false, false, false, false},
        {72, true, false, true, false},  {73, false, true, false, false}, {104, false, true, false, false},
    };
    for (const Case& c : cases) {
        VirtualLogger v;
        v.form->cmdConnectKeyDown(c.key, c.shift, c.ctrl, c.alt);
        EXPECT_EQ(v.form->ctl.frmSetIP.visible, c.reveals) << c.key << c.shift << c.ctrl << c.alt;
    }
}

TEST(Clock, ElapsedSecondsCountsSecondBoundaries) {
    struct Case {
        long long startMs;
        long long laterMs;
        float expected;
    };
    const Case cases[] = {
        {0, 0, 0},     {0, 61000, 61},  {0, 999, 0},       {500, 999, 0},
        {500, 1000, 1}, {999, 1000, 1}, {1500, 62400, 61},
    };
    for (const Case& c : cases) {
        VirtualLogger v(fs::path{}, false);
        v.advance(c.startMs);
        v.form->formLoad();
        v.advance(c.laterMs - c.startMs);
        EXPECT_EQ(v.form->elapsedSeconds(), c.expected) << c.startMs << " " << c.laterMs;
    }
}

TEST(About, CaptionsFromTheVersionInformation) {
    VirtualLogger v;
    v.form->mnuAboutClick();
    EXPECT_EQ(v.dialogs.aboutShown, 1);
    v.form->frmAboutLoad();
    const AboutState& a = v.form->about;
    EXPECT_EQ(a.caption, "About KorvelLoad_4");
    EXPECT_EQ(a.lblVersion, "Version 4.3.2");
    EXPECT_EQ(a.lblTitle, "KorvelLoad_4");
    EXPECT_EQ(a.lblDescription, "This retrieves AC_Load information");
    EXPECT_FALSE(a.lblDisclaimer.empty());
    EXPECT_NE(a.lblDisclaimer, "Warning: ...");
}
