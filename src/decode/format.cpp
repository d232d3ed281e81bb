#include "decode/format.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "app/form1.h"

namespace dcload {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Decimal digits of |value| rounded half away from zero to `decimals`, working on the value's
// 15 significant digits so that 1.005 behaves as the operator reads it.
std::string roundedDigits(double value, int decimals, bool& negative) {
    negative = std::signbit(value);
    double a = std::fabs(value);
    if (!std::isfinite(a)) a = 0.0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", a); // d.dddddddddddddde[+-]xx
    std::string mant;
    mant.push_back(buf[0]);
    int i = 2;
    while (buf[i] != 'e') mant.push_back(buf[i++]);
    int exp = std::atoi(buf + i + 1);
    // Value = 0.mant * 10^(exp+1). Digits before the decimal point: exp+1.
    int intDigits = exp + 1;
    int keep = intDigits + decimals; // digits of mant to keep
    std::string digits;
    if (keep < 0) {
        digits = "0";
        intDigits = 1;
        keep = 1 + decimals;
        digits.assign(static_cast<size_t>(keep), '0');
    } else {
        bool roundUp = keep < static_cast<int>(mant.size()) && mant[static_cast<size_t>(keep)] >= '5';
        digits = mant.substr(0, static_cast<size_t>(std::min<int>(keep, static_cast<int>(mant.size()))));
        while (static_cast<int>(digits.size()) < keep) digits.push_back('0');
        if (roundUp) {
            int k = keep - 1;
            while (k >= 0 && digits[static_cast<size_t>(k)] == '9') digits[static_cast<size_t>(k--)] = '0';
            if (k >= 0) ++digits[static_cast<size_t>(k)];
            else { digits.insert(digits.begin(), '1'); ++intDigits; }
        }
        if (intDigits <= 0) { // 0.00ddd: pad leading zeros so there is one integer digit
            digits.insert(0, static_cast<size_t>(1 - intDigits), '0');
            intDigits = 1;
        }
    }
    // Insert the decimal point.
    std::string out = digits.substr(0, static_cast<size_t>(intDigits));
    if (decimals > 0) {
        out += '.';
        out.append(digits, static_cast<size_t>(intDigits));
    }
    return out;
}

// |value| scaled by 10^decimals and rounded half away from zero, judging halves on the value's
// 15 significant digits (so 1.005 rounds up as the operator reads it). False when out of reach.
bool roundedScaled(double value, int decimals, unsigned long long& out) {
    static const double pow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    if (decimals < 0 || decimals > 6 || !std::isfinite(value)) return false;
    const double x = std::fabs(value) * pow10[decimals];
    if (x >= 1e15) return false;
    const double f = std::floor(x);
    const double frac = x - f;
    int intDigits = 1;
    for (double t = f; t >= 10.0 && intDigits < 16; t /= 10.0) ++intDigits;
    // Half a unit of the 15th significant digit of x.
    static const double tols[] = {0, 5e-15, 5e-14, 5e-13, 5e-12, 5e-11, 5e-10, 5e-9, 5e-8,
                                  5e-7, 5e-6, 5e-5, 5e-4, 5e-3, 5e-2, 5e-1, 5.0};
    const double tol = tols[intDigits];
    out = static_cast<unsigned long long>(f) + ((frac > 0.5 || std::fabs(frac - 0.5) <= tol) ? 1 : 0);
    return true;
}

} // namespace

std::int64_t wholeOfOneDecimal(double value) {
    unsigned long long r = 0;
    if (!roundedScaled(value, 1, r)) return static_cast<std::int64_t>(roundHalfEven(value));
    unsigned long long q = r / 10, rem = r % 10;
    if (rem > 5 || (rem == 5 && (q & 1))) ++q;
    const auto v = static_cast<std::int64_t>(q);
    return std::signbit(value) ? -v : v;
}

namespace {

// Digits of r with `decimals` of them after the point, at least minInt before it.
std::string layout(unsigned long long r, int decimals, int minInt, bool negative) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + r % 10);
        r /= 10;
    } while (r);
    while (n < decimals) digits[n++] = '0';
    int intDigits = n - decimals;
    // Leading zeros of the integer part are shown only as the pattern asks.
    while (intDigits > 0 && digits[n - 1] == '0') { --n; --intDigits; }
    char out[48];
    int k = 0;
    bool nonZero = false;
    for (int i = 0; i < n; ++i) nonZero |= digits[i] != '0';
    if (negative && nonZero) out[k++] = '-';
    for (int i = intDigits; i < minInt; ++i) out[k++] = '0';
    for (int i = n - 1; i >= decimals; --i) out[k++] = digits[i];
    if (decimals > 0) {
        out[k++] = '.';
        for (int i = decimals - 1; i >= 0; --i) out[k++] = digits[i];
    }
    return std::string(out, static_cast<size_t>(k));
}

} // namespace

std::string formatPattern(double value, std::string_view pattern) {
    const size_t dot = pattern.find('.');
    int decimals = 0, minInt = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (dot != std::string_view::npos && i > dot) decimals += pattern[i] == '0' || pattern[i] == '#';
        else minInt += pattern[i] == '0';
    }
    unsigned long long r = 0;
    if (roundedScaled(value, decimals, r)) return layout(r, decimals, minInt, std::signbit(value));

    // Out of reach of the quick path (huge or odd values): work on the text of the value.
    bool negative = false;
    std::string s = roundedDigits(value, decimals, negative);
    size_t p = s.find('.');
    std::string ip = s.substr(0, p);
    std::string fp = p == std::string::npos ? "" : s.substr(p + 1);
    size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "" : ip.substr(nz);
    if (static_cast<int>(ip.size()) < minInt) ip = std::string(static_cast<size_t>(minInt) - ip.size(), '0') + ip;
    bool allZero = ip.find_first_not_of('0') == std::string::npos && fp.find_first_not_of('0') == std::string::npos;
    std::string out = (negative && !allZero) ? "-" : "";
    out += ip;
    if (decimals > 0) {
        out += '.';
        out += fp;
    }
    return out;
}

std::string withSignBlank(long long value) {
    std::string out = value < 0 ? "" : " ";
    out += std::to_string(value);
    return out;
}

std::int32_t hexField(std::string_view field, bool signed16) {
    if (field.empty()) throw conversionError();
    std::int64_t v = 0;
    for (char c : field) {
        int d = hexDigit(c);
        if (d < 0) throw conversionError();
        v = v * 16 + d;
        if (v > 0xFFFFFFFFLL) throw overflowError();
    }
    if (signed16 && field.size() == 4 && v >= 0x8000) v -= 0x10000;
    return static_cast<std::int32_t>(v);
}

namespace {
std::int64_t parseWhole(std::string_view text, std::int64_t lo, std::int64_t hi) {
    size_t i = 0, n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    while (n > i && isBlank(text[n - 1])) --n;
    if (i >= n) throw conversionError();
    bool neg = false;
    if (text[i] == '+' || text[i] == '-') { neg = text[i] == '-'; ++i; }
    double intPart = 0;
    bool any = false;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        intPart = intPart * 10 + (text[i] - '0');
        ++i; any = true;
        if (intPart > 1e18) throw overflowError();
    }
    double frac = 0, scale = 0.1;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') { frac += (text[i] - '0') * scale; scale /= 10; ++i; any = true; }
    }
    if (!any || i != n) throw conversionError();
    double v = roundHalfEven(intPart + frac);
    if (neg) v = -v;
    if (v < static_cast<double>(lo) || v > static_cast<double>(hi)) throw overflowError();
    return static_cast<std::int64_t>(v);
}
} // namespace

std::int16_t toInt16(std::string_view text) {
    return static_cast<std::int16_t>(parseWhole(text, -32768, 32767));
}

std::int32_t toInt32(std::string_view text) {
    return static_cast<std::int32_t>(parseWhole(text, std::numeric_limits<std::int32_t>::min(),
                                                std::numeric_limits<std::int32_t>::max()));
}

double roundHalfEven(double v) {
    double f = std::floor(v);
    double diff = v - f;
    if (diff > 0.5) return f + 1;
    if (diff < 0.5) return f;
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1;
}

std::int16_t add16(std::int32_t a, std::int32_t b) {
    std::int32_t r = a + b;
    if (r < -32768 || r > 32767) throw overflowError();
    return static_cast<std::int16_t>(r);
}

std::int32_t add32(std::int64_t a, std::int64_t b) {
    std::int64_t r = a + b;
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        throw overflowError();
    return static_cast<std::int32_t>(r);
}

std::string testTimeText(std::int32_t t) {
    std::int32_t m = t / 60; // truncates toward zero
    std::int32_t h = 0;
    if (m > 59) { h = m / 60; m = m % 60; }
    std::int32_t s = t % 60;  // sign of t
    if (t >= 0 && h < 100) { // the everyday case, written directly: it runs for every replayed point
        char out[8] = {static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
                       static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10), ':',
                       static_cast<char>('0' + s / 10), static_cast<char>('0' + s % 10)};
        return std::string(out, 8);
    }
    return formatPattern(h, "00") + ":" + formatPattern(m, "00") + ":" + formatPattern(s, "00");
}

std::string hexUpper(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", value);
    return buf;
}

std::string_view trimBlanks(std::string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && s[a] == ' ') ++a;
    while (b > a && s[b - 1] == ' ') --b;
    return s.substr(a, b - a);
}

} // namespace dcload
