// The data message decoder: checksum, field decoding, displays, the CSV line and the live save.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/virtual_platform.h"

using namespace dcload;
using namespace dcload::test;

namespace {

const std::string kGoodStored = "010101000190019A01A400C800D200B4000125\r";
const std::string kBadStored = "010101000190019A01A400C800D200DC000126\r";

constexpr std::int16_t kNeither = 1; // neither save nor plot: decoding and displays only

struct Displays {
    std::string volts, amps, ah, time, temp;
    friend bool operator==(const Displays&, const Displays&) = default;
};

Displays shown(const Form1& f) {
    return {f.ctl.lblU[0].caption, f.ctl.lblA[0].caption, f.ctl.lblAh.caption, f.ctl.lblA[3].caption,
            f.ctl.lblT.caption};
}

std::ostream& operator<<(std::ostream& os, const Displays& d) {
    return os << d.volts << " " << d.amps << " " << d.ah << " " << d.time << " " << d.temp;
}

void blankDisplays(Form1& f) {
    for (Label* l : {&f.ctl.lblU[0], &f.ctl.lblA[0], &f.ctl.lblAh, &f.ctl.lblA[3], &f.ctl.lblT}) l->caption = "-";
}

const Displays kDefaultShown{"4.00", "41.0", "0200.0", "00:07:00", "21.0"};

} // namespace

TEST(Decoder, DecodesMessagesAndChecksTheChecksumOnlyAtLength39) {
    struct Case {
        std::string text;
        Displays expected;
        std::string checksumText; // lblFileName afterwards ("" = untouched)
    };
    std::string lower = kGoodStored;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const Case cases[] = {
        {kDefaultRecord, kDefaultShown, ""},
        {kGoodStored, kDefaultShown, ""},
        {kBadStored, kDefaultShown, "Check Sum Error (B4 <> DC)"},
        {lower, kDefaultShown, ""},
        // a 33-character reply (40 stored) is never checked, even with a wrong checksum byte
        {"010101000190019A01A400C800D200DCX000126\r", kDefaultShown, ""},
        {makeDataMessage(0x7FFF, 500, 59, 0, 0) + "000001\r", {"327.67", "50.0", "0000.0", "00:00:59", "0.0"}, ""},
        {makeDataMessage(0xFFFF, 0xFFFF, 3600, 0xFFFF, 0xFF9C) + "000001\r",
         {"655.35", "6553.5", "65535.0", "01:00:00", "-10.0"}, ""},
        {makeDataMessage(1234, 123, 65535, 7, 0x8000) + "000001\r",
         {"12.34", "12.3", "0007.0", "18:12:15", "-3276.8"}, ""},
        {makeDataMessage(0, 500, 32767, 0, 0, 0xFF, 0x00, 0x7F, 0x80, 0xAA) + "000001\r",
         {"0.00", "50.0", "0000.0", "09:06:07", "0.0"}, ""},
    };
    for (const Case& c : cases) {
        VirtualLogger v;
        Form1& f = *v.form;
        f.lblFileName = "";
        EXPECT_NO_THROW(f.processMessage(c.text, kNeither, 0, 1, 1)) << c.text;
        EXPECT_EQ(shown(f), c.expected) << c.text;
        EXPECT_EQ(f.lblFileName, c.checksumText) << c.text;
    }
}

TEST(Decoder, ShortLongAndMalformedTexts) {
    // Each case starts from the default record's slots and dashes in every display.
    struct Case {
        const char* name;
        std::string text;
        bool fails;
        std::array<float, 10> slots; // 1..9 used
        Displays expected;
    };
    const std::array<float, 10> prev{0, 1, 1, 1, 0, 400, 410, 420, 200, 210};
    const Displays dashes{"-", "-", "-", "-", "-"};
    const std::string head16 = "0202020203200064";
    std::string withNul = kGoodStored;
    withNul[10] = '\0';
    const Case cases[] = {
        {"6 chars", "0123AB", false, prev, dashes},
        {"empty", "", false, prev, kDefaultShown},
        {"16 chars", head16, false, prev, kDefaultShown},
        {"17 chars", head16 + "1", true, {0, 2, 2, 2, 2, 800, 100, 1, 200, 210}, dashes},
        {"20 chars", head16 + "012C", true, {0, 2, 2, 2, 2, 800, 100, 300, 200, 210}, dashes},
        {"24 chars", head16 + "012C0010", true, {0, 2, 2, 2, 2, 800, 100, 300, 16, 210}, dashes},
        {"25 chars", head16 + "012C0010D", false, {0, 2, 2, 2, 2, 800, 100, 300, 16, 13},
         {"8.00", "10.0", "0016.0", "00:05:00", "1.3"}},
        {"27 chars", head16 + "012C00100D2", false, {0, 2, 2, 2, 2, 800, 100, 300, 16, 210},
         {"8.00", "10.0", "0016.0", "00:05:00", "21.0"}},
        {"megabyte", std::string(kDefaultRecord).substr(0, 28) + std::string(1 << 20, 'Z'), false, prev,
         kDefaultShown},
        {"non-hex word", "0303030301G0019A01A400C800D200B4", true, {0, 3, 3, 3, 3, 400, 410, 420, 200, 210},
         dashes},
        {"non-hex byte", "ZZ0101000190019A01A400C800D200B4", true, prev, dashes},
        {"NUL in a word", withNul, true, prev, dashes}, // the checksum read fails first
        {"NUL in a short text", std::string("02020202\0" "3200064012C0010", 24), true,
         {0, 2, 2, 2, 2, 400, 410, 420, 200, 210}, dashes},
        {"non-hex checksum", "010101000190019A01A400C800D200ZZ000125\r", true, prev, dashes},
        {"blank in a word", "03030303 190019A01A400C800D2", true, {0, 3, 3, 3, 3, 400, 410, 420, 200, 210}, dashes},
    };
    for (const Case& c : cases) {
        VirtualLogger v;
        Form1& f = *v.form;
        f.processMessage(kDefaultRecord, kNeither, 0, 1, 1);
        blankDisplays(f);
        bool failed = false;
        try {
            f.processMessage(c.text, kNeither, 0, 1, 1);
        } catch (const RuntimeError& e) {
            failed = true;
            EXPECT_EQ(e.number, 13) << c.name;
        }
        EXPECT_EQ(failed, c.fails) << c.name;
        for (int i = 1; i <= 9; ++i) EXPECT_EQ(f.readings[i], c.slots[i]) << c.name << " slot " << i;
        EXPECT_EQ(shown(f), c.expected) << c.name;
    }
}

TEST(Decoder, ProgressBarsAdvanceForEveryText) {
    VirtualLogger v;
    Form1& f = *v.form;
    for (int call = 1; call <= 2 * 1002; ++call) {
        f.processMessage("0123AB", kNeither, 0, 1, 1);
        const int mainExpected = (call - 1) % 10 + 1; // 1..10, then back to 1
        ASSERT_EQ(f.ctl.pB2.value, mainExpected) << call;
        const int fileExpected = call / 1002;        // one step on every 1002nd call
        ASSERT_EQ(f.form2.pB2.value, fileExpected) << call;
    }
    // At its maximum the file dialog's bar goes back to 1 at once.
    f.form2.pB2.value = f.form2.pB2.max;
    f.processMessage("0123AB", kNeither, 0, 1, 1);
    EXPECT_EQ(f.form2.pB2.value, 1);
}

TEST(Decoder, LiveCallSavesWhatItGetsAndReenablesPolling) {
    VirtualLogger v;
    Form1& f = *v.form;
    v.writeFile("DCCount.txt", "3\r\n");
    FakeTimer& poll = v.timer(TimerId::TimerRequest);
    ASSERT_FALSE(poll.enabled());

    v.advance(42000); // 42 s after start-up; connectTime is 0
    f.processMessage(kDefaultRecord, 0, 0, 1, 1);
    EXPECT_TRUE(poll.enabled());
    poll.setEnabled(false);
    f.processMessage("ABC", 0, 0, 1, 1);      // decodes nothing, still saved
    f.processMessage("0123AB", 0, 0, 1, 1);   // 6 characters: nothing at all
    f.processMessage(kGoodStored, -1, -1, 1, 1); // replay: plotted, not saved
    f.processMessage(kGoodStored, 5, 0, 1, 1);   // any other flag: neither
    EXPECT_TRUE(poll.enabled());

    EXPECT_EQ(v.readFile("DC_Result_4.txt"), std::string(kDefaultRecord) + "\r\nABC\r\n");
    EXPECT_EQ(v.readFile("DC_CSV_4.csv"),
              "000042,4.00,41.0,0200.0,00:07:00\r\n000042,4.00,41.0,0200.0,00:07:00\r\n");
}

TEST(Decoder, LiveReadingsLandOnDiskByteForByte) {
    VirtualLogger v;
    v.connect();
    const std::string first = kGoodStored.substr(0, 32), second = kBadStored.substr(0, 32);
    v.socket.deliver(first, 125000 - v.loop.now());
    v.advance(125000 - v.loop.now());
    v.socket.deliver(second, 1000);
    v.advance(1000);
    // The reading with the bad checksum is shown and saved like any other.
    EXPECT_EQ(shown(*v.form), kDefaultShown);

    const std::string n = v.readFile("DCCount.txt");
    ASSERT_EQ(n.substr(n.size() - 2), "\r\n");
    const std::string run = n.substr(0, n.size() - 2);
    EXPECT_EQ(v.readFile("DC_Result_" + run + ".txt"), kGoodStored + "\r\n" + kBadStored + "\r\n");
    EXPECT_EQ(v.readFile("DC_CSV_" + run + ".csv"),
              "000125,4.00,41.0,0200.0,00:07:00\r\n000126,4.00,41.0,0200.0,00:07:00\r\n");
}
