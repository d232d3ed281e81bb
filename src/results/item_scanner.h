// The item reader's rule (item_reader.h) for a file read in pieces: the same items in the same
// order, whatever the piece boundaries, keeping only the unfinished item between pieces. An item
// longer than kMaxItem bytes is not a record (no stored message comes near): it is counted in
// `overlong` and its bytes are not kept, so a huge "line" costs no memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "results/item_reader.h"

namespace dcload {

class ItemScanner {
public:
    static constexpr std::size_t kMaxItem = 4096;

    // Calls onItem(std::string_view) for every item that ends inside data, in order.
    template <class F>
    void feed(std::string_view data, F&& onItem) {
        const char* p = data.data();
        const char* const end = p + data.size();
        while (p < end) {
            switch (mode_) {
            case Mode::AfterCR:
                if (*p == '\n') ++p;
                mode_ = Mode::Start;
                break;
            case Mode::AfterQuote: {
                const char* q = ItemReader::findSeparator(p, end);
                if (q != end) mode_ = *q == '\r' ? Mode::AfterCR : Mode::Start;
                p = q == end ? end : q + 1;
                break;
            }
            case Mode::Start:
                partial_.clear();
                tooLong_ = false;
                if (*p == '"') {
                    mode_ = Mode::Quoted;
                    ++p;
                    break;
                }
                mode_ = Mode::Plain;
                [[fallthrough]];
            case Mode::Plain: {
                const char* q = ItemReader::findSeparator(p, end);
                if (q == end) {
                    keep(p, end);
                    p = end;
                    break;
                }
                if (partial_.empty() && !tooLong_) { // the whole item is here: no copy
                    if (static_cast<std::size_t>(q - p) > kMaxItem) ++overlong;
                    else onItem(std::string_view(p, static_cast<std::size_t>(q - p)));
                } else {
                    keep(p, q);
                    complete(onItem);
                }
                mode_ = *q == '\r' ? Mode::AfterCR : Mode::Start;
                p = q + 1;
                break;
            }
            case Mode::Quoted: {
                const char* q = static_cast<const char*>(std::memchr(p, '"', static_cast<std::size_t>(end - p)));
                keep(p, q ? q : end);
                if (!q) {
                    p = end;
                    break;
                }
                complete(onItem);
                mode_ = Mode::AfterQuote;
                p = q + 1;
                break;
            }
            }
        }
    }

    // The item the data so far ends in, as the item reader takes it at the end of the data: true
    // with `item` set, or with `tooLong` when it is over-long; false when the data ends between items.
    bool pending(std::string_view& item, bool& tooLong) const {
        if (mode_ != Mode::Plain && mode_ != Mode::Quoted) return false;
        tooLong = tooLong_;
        item = partial_;
        return true;
    }

    std::uint64_t overlong = 0;

private:
    enum class Mode : std::uint8_t { Start, Plain, Quoted, AfterQuote, AfterCR };

    void keep(const char* a, const char* b) {
        const std::size_t n = static_cast<std::size_t>(b - a);
        if (tooLong_) return;
        if (partial_.size() + n > kMaxItem) {
            tooLong_ = true;
            partial_.clear();
            return;
        }
        partial_.append(a, n);
    }
    template <class F>
    void complete(F& onItem) {
        if (tooLong_) ++overlong;
        else onItem(std::string_view(partial_));
        partial_.clear();
        tooLong_ = false;
    }

    Mode mode_ = Mode::Start;
    std::string partial_;
    bool tooLong_ = false;
};

} // namespace dcload
