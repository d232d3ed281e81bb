// The data message decoder: checksum, fields, displays and the live save. (Malformed texts:
// fuzz_process_message.)
#include <gtest/gtest.h>

#include "support/virtual_platform.h"

using namespace dcload;
using namespace dcload::test;

namespace {

const std::string kGoodStored = "010101000190019A01A400C800D200B4000125\r";
const std::string kBadStored = "010101000190019A01A400C800D200DC000126\r";

std::string shown(const Form1& f) {
    return f.ctl.lblU[0].caption + " " + f.ctl.lblA[0].caption + " " + f.ctl.lblAh.caption + " " +
           f.ctl.lblA[3].caption + " " + f.ctl.lblT.caption;
}

const std::string kDefaultShown = "4.00 41.0 0200.0 00:07:00 21.0";

} // namespace

TEST(Decoder, FieldsAndTheChecksumOnlyAtLength39) {
    const struct { std::string text, shown, checksumText; } cases[] = {
        {kGoodStored, kDefaultShown, ""},
        {kBadStored, kDefaultShown, "Check Sum Error (B4 <> DC)"},
        {"010101000190019A01A400C800D200DCX000126\r", kDefaultShown, ""}, // 40 long: never checked
        {makeDataMessage(0xFFFF, 0xFFFF, 3600, 0xFFFF, 0xFF9C) + "000001\r", "655.35 6553.5 65535.0 01:00:00 -10.0", ""},
        {makeDataMessage(1234, 123, 65535, 7, 0x8000) + "000001\r", "12.34 12.3 0007.0 18:12:15 -3276.8", ""},
        {makeDataMessage(0, 500, 32767, 0, 0, 0xFF, 0x00, 0x7F, 0x80, 0xAA) + "000001\r", "0.00 50.0 0000.0 09:06:07 0.0", ""}, // byte 15 counts
    };
    for (const auto& c : cases) {
        VirtualLogger v;
        v.form->processMessage(c.text, 1, 0, 1, 1); // 1: neither save nor plot
        EXPECT_EQ(shown(*v.form), c.shown) << c.text;
        EXPECT_EQ(v.form->lblFileName, c.checksumText) << c.text;
    }
}

TEST(Decoder, LiveReadingsLandOnDiskByteForByteAndOnlyLiveCallsSave) {
    VirtualLogger v;
    v.connect();
    v.socket.deliver(kGoodStored.substr(0, 32), 125000 - v.loop.now());
    v.advance(125000 - v.loop.now());
    v.socket.deliver(kBadStored.substr(0, 32), 1000); // shown and saved like any other
    v.advance(1000);
    EXPECT_EQ(shown(*v.form), kDefaultShown);
    v.form->processMessage(kGoodStored, -1, -1, 1, 1); // replay: plotted, not saved
    v.form->processMessage(kGoodStored, 5, 0, 1, 1);   // any other flag: neither
    v.form->processMessage("0123AB", 0, 0, 1, 1);      // 6 characters: nothing at all
    ASSERT_EQ(v.readFile("DCCount.txt"), "2\r\n");
    EXPECT_EQ(v.readFile("DC_Result_2.txt"), kGoodStored + "\r\n" + kBadStored + "\r\n");
    EXPECT_EQ(v.readFile("DC_CSV_2.csv"), "000125,4.00,41.0,0200.0,00:07:00\r\n000126,4.00,41.0,0200.0,00:07:00\r\n");
}
