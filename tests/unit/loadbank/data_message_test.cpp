#include <gtest/gtest.h>

#include <cmath>

#include "loadbank/data_message.h"
#include "message_check.h"

namespace loadbank {
namespace {

struct EncodeCase {
    double volts, amps, seconds, ampHours, celsius;
    MessageFrame frame;
    const char* expected;  // checksums worked out apart from the encoder
};

class Encode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Encode, GivesTheExactMessage) {
    const EncodeCase& c = GetParam();
    const std::string m = encodeDataMessage(quantize(c.volts, c.amps, c.seconds, c.ampHours, c.celsius), c.frame);
    EXPECT_EQ(m, c.expected);
    EXPECT_TRUE(test::checksumOk(m));
}

INSTANTIATE_TEST_SUITE_P(Examples, Encode, ::testing::Values(
    EncodeCase{4.00, 41.0, 420, 200, 21.0, {{1, 1, 1, 0}, 0}, "010101000190019A01A400C800D200B4"},  // logger's example
    EncodeCase{4.00, 41.0, 420, 200, 21.0, {{1, 1, 1, 0}, 0xFF}, "010101000190019A01A400C800D2FF4B"},  // byte 15 counts
    EncodeCase{48.00, 50.0, 3600, 50, 25.5, {{0xAB, 0xCD, 0xEF, 0x12}, 0x34}, "ABCDEF1212C001F40E10003200FF345B"},
    EncodeCase{50.88, 50.0, 1, 0, -5.0, {{1, 1, 1, 0}, 0}, "0101010013E001F400010000FFCE0037"},  // two's complement
    EncodeCase{42.004, 49.96, 59.9, 99.99, 21.04, {{1, 1, 1, 0}, 0}, "01010100106801F4003B006300D20006"},  // time, Ah truncate
    EncodeCase{1000, 7000, 1e5, 7e4, -4000, {{1, 1, 1, 0}, 0}, "01010100FFFFFFFFFFFFFFFF80000081"},  // held in range
    EncodeCase{NAN, NAN, NAN, NAN, NAN, {{1, 1, 1, 0}, 0}, "01010100000000000000000000000001"}));

TEST(Encode, CorruptedChecksumFailsButReadingsAndTailStay) {
    const std::string good = "010101000190019A01A400C800D200B4";
    const std::string bad = corruptChecksum(good + "\r");
    EXPECT_FALSE(test::checksumOk(bad.substr(0, 32)));
    EXPECT_EQ(bad.substr(0, 30), good.substr(0, 30));
    EXPECT_EQ(bad.substr(32), "\r");
}

TEST(RecordCount, SixDigitsWithBit15ForTheWrap) {
    const std::tuple<unsigned, bool, const char*> table[] = {
        {0, false, "000000"}, {12, false, "000012"}, {12, true, "032780"}, {5, true, "032773"},
        {0, true, "032768"},  {32767, true, "065535"}};
    for (auto [count, wrapped, text] : table) EXPECT_EQ(encodeRecordCount(count, wrapped), text);
    EXPECT_THROW(encodeRecordCount(32768, false), std::out_of_range);
}

}  // namespace
}  // namespace loadbank
