// Reads a data message back for the tests, apart from the model's encoder so the two cannot
// share a mistake. Upper-case hex only.
#pragma once

#include <optional>
#include <string>

namespace loadbank::test {

struct Decoded {
    int bytes[16];
    int volts100, amps10, seconds, ampHours, temp10;
};

inline std::optional<Decoded> decode(const std::string& m) {
    if (m.size() != 32 || m.find_first_not_of("0123456789ABCDEF") != std::string::npos) return std::nullopt;
    Decoded d{};
    for (int i = 0; i < 16; ++i) d.bytes[i] = std::stoi(m.substr(static_cast<std::size_t>(2 * i), 2), nullptr, 16);
    auto word = [&](int b) { return d.bytes[b] * 256 + d.bytes[b + 1]; };
    d.volts100 = word(4), d.amps10 = word(6), d.seconds = word(8), d.ampHours = word(10);
    d.temp10 = word(12) >= 0x8000 ? word(12) - 0x10000 : word(12);
    return d;
}

inline bool checksumOk(const std::string& m) {
    auto d = decode(m);
    int x = 0;
    for (int i = 0; d && i < 15; ++i) x ^= d->bytes[i];
    return d && x == d->bytes[15];
}

}  // namespace loadbank::test
