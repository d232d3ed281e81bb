// The load bank's 32-character data message and 6-character record count, written from
// scratch here so that a fault in the logger's decoder cannot hide behind a shared one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace loadbank {

// The five readings exactly as the message carries them.
struct RawReading {
    std::uint16_t centivolts = 0;   // volts x 100
    std::uint16_t deciamps = 0;     // amperes x 10
    std::uint16_t seconds = 0;      // test time
    std::uint16_t ampHours = 0;     // whole Ah
    std::int16_t decicelsius = 0;   // degrees C x 10, two's complement on the wire
};

// The bytes around the readings that the logger does not interpret.
struct MessageFrame {
    std::array<std::uint8_t, 4> leading{0x01, 0x01, 0x01, 0x00};
    std::uint8_t byte15 = 0x00;
};

// Physical values in, message integers out: rounded to the message's resolution and held
// inside what each field can carry.
RawReading quantize(double volts, double amps, double testSeconds, double ampHours,
                    double celsius);

// Upper-case hex, 32 characters, last byte = XOR of the fifteen before it.
std::string encodeDataMessage(const RawReading& r, const MessageFrame& frame = {});

// The XOR of the first fifteen bytes of a 32-character message (no validation of digits).
std::uint8_t messageChecksum(const std::string& message);

// Same message with its last byte changed so the checksum no longer matches.
std::string corruptChecksum(const std::string& message);

// Six decimal digits; bit 15 (32768) added when the memory has wrapped.
std::string encodeRecordCount(unsigned count, bool wrapped);

}  // namespace loadbank
