#include <gtest/gtest.h>

#include <limits>

#include "app/form1.h"
#include "decode/format.h"

using namespace dcload;

struct PatternCase {
    double value;
    const char* pattern;
    std::string expected;
};

TEST(FormatPattern, DigitPatterns) {
    const PatternCase cases[] = {
        {4, "##0.00", "4.00"},         {41, "##0.0", "41.0"},        {200, "0000.0", "0200.0"},
        {7, "00", "07"},               {125, "000000", "000125"},    {327.67f, "##0.00", "327.67"},
        {123.45f, "##0.00", "123.45"}, {0, "##0.00", "0.00"},        {-5, "00.0", "-05.0"},
        {-0.04, "##0.0", "0.0"},       {21, "##0.0", "21.0"},        {655.35f, "##0.00", "655.35"},
        {1.005, "##0.00", "1.01"},     {2.5, "00", "03"},            {12.25, "##00.0", "12.3"},
        {1234567, "000000", "1234567"}, {0.125, "##0.00", "0.13"},   {-3276.8f, "##0.0", "-3276.8"},
        {6553.5f, "##0.0", "6553.5"},  {65535, "0000.0", "65535.0"}, {1.0 / 0.97, "##0.00", "1.03"},
        // beyond the quick path: the text of the value is rounded instead
        {1e16, "##0.0", "10000000000000000.0"}, {-2.5e15, "##0.00", "-2500000000000000.00"},
        {1e300, "00", "1" + std::string(300, '0')}, {std::numeric_limits<double>::quiet_NaN(), "##0.0", "0.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatPattern(c.value, c.pattern), c.expected) << c.value << " " << c.pattern;
}

TEST(FormatPattern, TestTime) {
    const std::pair<int, const char*> cases[] = {
        {420, "00:07:00"}, {3725, "01:02:05"}, {32767, "09:06:07"}, {59, "00:00:59"},
        {3600, "01:00:00"}, {0, "00:00:00"},   {65535, "18:12:15"}, {-61, "00:-01:-01"},
    };
    for (auto [t, text] : cases) EXPECT_EQ(testTimeText(t), text) << t;
}

TEST(Conversions, HexFields) {
    EXPECT_EQ(hexField("0190"), 400);
    EXPECT_EQ(hexField("019a"), 410);
    EXPECT_EQ(hexField("7FFF"), 32767);
    EXPECT_EQ(hexField("FFFF"), 65535);
    EXPECT_EQ(hexField("FFFF", true), -1);
    EXPECT_EQ(hexField("8000", true), -32768);
    EXPECT_EQ(hexField("FFF", true), 4095);
    for (const char* bad : {"", "0G00", " 123", "12 3", "\x00"}) {
        EXPECT_THROW(hexField(std::string_view(bad, std::char_traits<char>::length(bad) + (bad[0] == 0))), RuntimeError)
            << bad;
    }
}

TEST(Conversions, WholeNumbers) {
    EXPECT_EQ(toInt16("12"), 12);
    EXPECT_EQ(toInt16(" 12 "), 12);
    EXPECT_EQ(toInt16("-5"), -5);
    EXPECT_EQ(toInt16("12.5"), 12);
    EXPECT_EQ(toInt16("13.5"), 14);
    EXPECT_EQ(toInt16("32767"), 32767);
    EXPECT_EQ(toInt32("032773"), 32773);
    struct Bad { const char* text; int code; };
    for (Bad b : {Bad{"abc", 13}, Bad{"", 13}, Bad{"99999", 6}, Bad{"32768", 6}, Bad{"1x", 13}, Bad{"-", 13}}) {
        try {
            toInt16(b.text);
            ADD_FAILURE() << b.text;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number, b.code) << b.text;
        }
    }
    EXPECT_EQ(roundHalfEven(25.5), 26);
    EXPECT_EQ(roundHalfEven(26.5), 26);
    EXPECT_EQ(roundHalfEven(-5.0), -5);
    EXPECT_EQ(withSignBlank(12), " 12");
    EXPECT_EQ(withSignBlank(-3), "-3");
}
