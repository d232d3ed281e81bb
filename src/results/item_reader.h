// The one item-by-item reader of the logger's text files. An item ends at a comma or at a line
// end (CR, CR LF or LF); an item that starts with a double quote runs to the next double quote
// and loses its quotes (it may then hold commas); what follows it up to the separator is dropped.
#pragma once

#include <cstring>
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
        const char* q = p_;
        while (q < end_ && *q != ',' && *q != '\r' && *q != '\n') ++q;
        item = std::string_view(start, static_cast<size_t>(q - start));
        p_ = q;
        consumeSeparator();
        return true;
    }

private:
    void skipToSeparator() {
        while (p_ < end_ && *p_ != ',' && *p_ != '\r' && *p_ != '\n') ++p_;
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
