// The fields of a stored message, read exactly as processMessage reads them, for every part of
// the logger that needs a message's readings without showing or saving them.
#pragma once

#include <array>
#include <string_view>

namespace dcload {

struct Checksum {
    unsigned computed = 0; // XOR of bytes 1-15
    unsigned received = 0; // byte 16
};

// Checksum of the first 32 characters. Throws RuntimeError (type mismatch) on a non-hex byte.
Checksum messageChecksum(std::string_view msg);

// Slots 1-9 of the reading slots (only when the text is longer than 16 characters). Throws
// RuntimeError at the first field that is empty or not hex; slots before it keep their values.
void decodeSlots(std::string_view msg, std::array<float, 21>& readings);

} // namespace dcload
