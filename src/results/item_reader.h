// The one item-by-item reader of the logger's text files. An item ends at a comma or at a line
// end (CR, CR LF or LF); an item that starts with a double quote runs to the next double quote
// and loses its quotes (it may then hold commas); what follows it up to the separator is dropped.
#pragma once

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>

namespace dcload {

class ItemReader {
public:
    explicit ItemReader(std::string_view data) : p_(data.data()), end_(data.data() + data.size()) {}

    // Next item into `item`; false at the end of the data.
    bool next(std::string_view& item) {
        if (p_ >= end_) return false;
        const char* start = p_;
        if (*p_ == '"') {
            const char* close = static_cast<const char*>(std::memchr(p_ + 1, '"', static_cast<size_t>(end_ - p_ - 1)));
            if (!close) { // unterminated quote: the rest of the data
                item = std::string_view(p_ + 1, static_cast<size_t>(end_ - p_ - 1));
                p_ = end_;
                return true;
            }
            item = std::string_view(p_ + 1, static_cast<size_t>(close - p_ - 1));
            p_ = close + 1;
            skipToSeparator();
            return true;
        }
        const char* q = findSeparator(p_, end_);
        item = std::string_view(start, static_cast<size_t>(q - start));
        p_ = q;
        consumeSeparator();
        return true;
    }

    // First ',', CR or LF at or after p (end when none). Sixteen or eight bytes at a time:
    // result files are read back on every periodic reload.
    static const char* findSeparator(const char* p, const char* end) {
#if defined(__SSE2__)
        const __m128i comma = _mm_set1_epi8(','), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, cr)),
                                             _mm_cmpeq_epi8(v, lf));
            const int mask = _mm_movemask_epi8(hit);
            if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask));
            p += 16;
        }
#endif
        constexpr std::uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
        while (end - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            const std::uint64_t a = w ^ (ones * ','), b = w ^ (ones * '\r'), c = w ^ (ones * '\n');
            const std::uint64_t m = ((a - ones) & ~a) | ((b - ones) & ~b) | ((c - ones) & ~c);
            if (m & highs) {
                // The lowest flagged byte is exact; stop the bytewise check there.
                for (int i = 0; i < 8; ++i)
                    if (p[i] == ',' || p[i] == '\r' || p[i] == '\n') return p + i;
            }
            p += 8;
        }
        while (p < end && *p != ',' && *p != '\r' && *p != '\n') ++p;
        return p;
    }

private:
    void skipToSeparator() {
        p_ = findSeparator(p_, end_);
        consumeSeparator();
    }
    void consumeSeparator() {
        if (p_ >= end_) return;
        if (*p_ == '\r') {
            ++p_;
            if (p_ < end_ && *p_ == '\n') ++p_;
        } else {
            ++p_; // ',' or '\n'
        }
    }
    const char* p_;
    const char* end_;
};

} // namespace dcload
