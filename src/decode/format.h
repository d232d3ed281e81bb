// Number formats and conversions of the logger. Pure functions, locale-independent: the
// decimal separator is always ".", so a CSV line keeps its five fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dcload {

// Digit-pattern formatting ("##0.00", "##0.0", "0000.0", "00", "000000", "##00.0", "00.0"):
// '0' a digit always shown, '#' a digit shown only when significant; rounded half away from
// zero to the pattern's decimals (on the value's 15 significant digits); "-" for negatives.
std::string formatPattern(double value, std::string_view pattern);

// The chart's value of a quantity: formatted to one decimal (as the displays round), then taken
// to a whole number with halves to the even neighbour ("12.5" gives 12, "41.5" gives 42).
std::int64_t wholeOfOneDecimal(double value);

// A whole number with the sign position kept: " 12", "-5".
std::string withSignBlank(long long value);

// Hexadecimal field as the decoder reads it. Throws RuntimeError (type mismatch) for an empty
// field or one with a non-hex character. 4-character fields from "8000" read as 32768..65535,
// or as -32768..-1 when signed16 is set.
std::int32_t hexField(std::string_view field, bool signed16 = false);

// Text to 16-bit / 32-bit integer: blanks around, optional sign, digits, optional decimals
// rounded half to even. Throws RuntimeError: type mismatch when not a number, overflow when
// out of range.
std::int16_t toInt16(std::string_view text);
std::int32_t toInt32(std::string_view text);

// Round half to the even neighbour.
double roundHalfEven(double v);

// 16-bit / 32-bit arithmetic that raises the overflow error instead of wrapping.
std::int16_t add16(std::int32_t a, std::int32_t b);
std::int32_t add32(std::int64_t a, std::int64_t b);

// Test time in seconds as hh:mm:ss ("00:07:00"), defined for negative values too.
std::string testTimeText(std::int32_t t);

// Upper-case hexadecimal without leading zeros.
std::string hexUpper(unsigned value);

// Text without blanks at both ends.
std::string_view trimBlanks(std::string_view s);

} // namespace dcload
