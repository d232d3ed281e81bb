// Number formatting and the conversions the decoder builds on.
#include <gtest/gtest.h>

#include <limits>

#include "app/form1.h"
#include "decode/format.h"

using namespace dcload;

TEST(FormatPattern, DigitPatternsAndTestTime) {
    const struct { double value; const char* pattern; std::string expected; } cases[] = {
        {4, "##0.00", "4.00"},  {200, "0000.0", "0200.0"}, {125, "000000", "000125"}, {1234567, "000000", "1234567"},
        {-5, "00.0", "-05.0"}, {-0.04, "##0.0", "0.0"},    {1.005, "##0.00", "1.01"}, {2.5, "00", "03"},
        {1e16, "##0.0", "10000000000000000.0"}, {std::numeric_limits<double>::quiet_NaN(), "##0.0", "0.0"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatPattern(c.value, c.pattern), c.expected) << c.value << c.pattern;
    const std::pair<int, const char*> times[] = {{3599, "00:59:59"}, {3600, "01:00:00"}, {65535, "18:12:15"}, {-61, "00:-01:-01"}};
    for (auto [t, text] : times) EXPECT_EQ(testTimeText(t), text) << t;
}

TEST(Conversions, FieldsNumbersAndTheirErrors) {
    EXPECT_EQ(hexField("019a"), 410);
    EXPECT_EQ(hexField("7FFF", true), 32767);
    EXPECT_EQ(hexField("8000", true), -32768);
    EXPECT_EQ(toInt16(" 12.5 "), 12);
    EXPECT_EQ(add16(32767, 0), 32767);
    EXPECT_EQ(wholeOfOneDecimal(2.46), 2); // one decimal first, then halves to even
    EXPECT_EQ(withSignBlank(0), " 0");
    EXPECT_EQ(withSignBlank(-3), "-3");
    EXPECT_THROW(hexField("0G00"), RuntimeError);
    EXPECT_THROW(hexField(" 123"), RuntimeError);
    EXPECT_THROW(toInt16("32768"), RuntimeError);
    EXPECT_THROW(add16(32767, 1), RuntimeError);
}
