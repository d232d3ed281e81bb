// Start-up of the main window, the device address and the About box.
#include <gtest/gtest.h>

#include "logger_rig.h"

using namespace dcload;
using namespace dcload::test;
namespace fs = std::filesystem;

TEST(StartUp, MissingFolderOrAddressFileIsCreatedAndNothingIsDialled) {
    for (bool folderExists : {false, true}) {
        OwnFolder own;
        if (folderExists) fs::create_directories(own.folder);
        else fs::remove_all(own.root); // not even the parent folder exists
        VirtualLogger v(own.folder, false);
        if (folderExists) v.writeFile("DCCount.txt", "7\r\n");
        v.form->formLoad();
        EXPECT_EQ(v.readFile("ACIP.txt") + v.readFile("DCCount.txt"), std::string(kDefaultLocalAddress) + (folderExists ? "\r\n7\r\n" : "\r\n1\r\n"));
        EXPECT_EQ(v.form->ctl.txtIP, kDefaultLocalAddress);
        EXPECT_EQ(v.timer(TimerId::TimerRequest).interval(), 1000);
        v.advance(10 * 60000);
        for (auto id : {TimerId::TimerRequest, TimerId::Timer1, TimerId::Timer2, TimerId::TimerDisconnect})
            EXPECT_FALSE(v.timer(id).enabled());
        EXPECT_TRUE(v.socket.connects.empty() && v.socket.sent.empty() && v.dialogs.boxes.empty());
    }
}

TEST(DeviceAddress, ButtonsSaveAndConnectOnlyWhenClosedCtrlHRevealsThemAboutShowsTheVersion) {
    const struct { std::function<void(Form1&)> press; std::string box, dialled; } cases[] = {
        {[](Form1& f) { f.cmdLocalClick(); }, kDefaultLocalAddress, kDefaultLocalAddress},
        {[](Form1& f) { f.cmdRemoteClick(); }, kFixedRemoteAddress, kFixedRemoteAddress},
        {[](Form1& f) { f.cmdSetIPClick(); }, "  127.9.8.7 ", "127.9.8.7"},
    };
    for (const auto& c : cases) {
        for (bool open : {false, true}) {
            VirtualLogger v;
            if (open) v.socket.state_ = 7;
            v.form->ctl.txtIP = "  127.9.8.7 ";
            c.press(*v.form);
            EXPECT_EQ(v.form->ctl.txtIP, c.box);
            EXPECT_EQ(v.readFile("ACIP.txt"), c.box + "\r\n");
            EXPECT_EQ(v.socket.connects, (open ? decltype(v.socket.connects){} : decltype(v.socket.connects){{c.dialled, 2200}}));
        }
    }
    const struct { int key; bool shift, ctrl, alt, reveals; } keys[] = {{72, true, false, true, false}, {73, false, true, false, false}, {72, true, true, true, true}};
    VirtualLogger v;
    for (const auto& k : keys) {
        v.form->cmdConnectKeyDown(k.key, k.shift, k.ctrl, k.alt);
        EXPECT_EQ(v.form->ctl.frmSetIP.visible, k.reveals) << k.key << k.shift << k.ctrl << k.alt;
    }
    v.form->mnuAboutClick();
    EXPECT_EQ(v.dialogs.aboutShown, 1);
    v.form->frmAboutLoad();
    EXPECT_EQ(v.form->about.caption + " " + v.form->about.lblVersion, "About KorvelLoad_4 Version 4.3.2");
}
