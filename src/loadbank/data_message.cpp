#include "loadbank/data_message.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace loadbank {
namespace {

const char kHex[] = "0123456789ABCDEF";

void putByte(std::string& out, std::uint8_t b) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0x0F]);
}

void putWord(std::string& out, std::uint16_t w) {
    putByte(out, static_cast<std::uint8_t>(w >> 8));
    putByte(out, static_cast<std::uint8_t>(w & 0xFF));
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

long clampRound(double v, long lo, long hi) {
    if (std::isnan(v)) return lo < 0 && hi > 0 ? 0 : lo;
    double r = std::round(v);
    if (r < static_cast<double>(lo)) return lo;
    if (r > static_cast<double>(hi)) return hi;
    return static_cast<long>(r);
}

}  // namespace

RawReading quantize(double volts, double amps, double testSeconds, double ampHours,
                    double celsius) {
    RawReading r;
    r.centivolts = static_cast<std::uint16_t>(clampRound(volts * 100.0, 0, 0xFFFF));
    r.deciamps = static_cast<std::uint16_t>(clampRound(amps * 10.0, 0, 0xFFFF));
    // Test time and amp-hours are counted in whole units on the instrument, so they truncate.
    r.seconds = static_cast<std::uint16_t>(
        clampRound(std::isnan(testSeconds) ? 0.0 : std::floor(testSeconds), 0, 0xFFFF));
    r.ampHours = static_cast<std::uint16_t>(
        clampRound(std::isnan(ampHours) ? 0.0 : std::floor(ampHours), 0, 0xFFFF));
    r.decicelsius = static_cast<std::int16_t>(clampRound(celsius * 10.0, -32768, 32767));
    return r;
}

std::string encodeDataMessage(const RawReading& r, const MessageFrame& frame) {
    std::string out;
    out.reserve(32);
    for (std::uint8_t b : frame.leading) putByte(out, b);
    putWord(out, r.centivolts);
    putWord(out, r.deciamps);
    putWord(out, r.seconds);
    putWord(out, r.ampHours);
    putWord(out, static_cast<std::uint16_t>(r.decicelsius));
    putByte(out, frame.byte15);
    putByte(out, messageChecksum(out));
    return out;
}

std::uint8_t messageChecksum(const std::string& message) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i + 1 < message.size() && i < 30; i += 2)
        x ^= static_cast<std::uint8_t>(hexValue(message[i]) * 16 + hexValue(message[i + 1]));
    return x;
}

std::string corruptChecksum(const std::string& message) {
    if (message.size() < 32) return message;
    std::string out = message.substr(0, 30);
    // Any non-zero XOR makes the sum wrong; 0x5A changes both digits.
    putByte(out, static_cast<std::uint8_t>(messageChecksum(message) ^ 0x5A));
    out += message.substr(32);
    return out;
}

std::string encodeRecordCount(unsigned count, bool wrapped) {
    if (count > 0x7FFF) throw std::out_of_range("record count needs more than 15 bits");
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06u", count + (wrapped ? 0x8000u : 0u));
    return buf;
}

}  // namespace loadbank
