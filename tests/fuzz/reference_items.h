// A second, index-based reading of the logger's item rule, used by the fuzz targets to check
// the real reader: an item ends at a comma or a line end (CR, CR LF or LF); an item that starts
// with a double quote runs to the next double quote and loses its quotes, and what follows it up
// to the next separator is dropped; an unterminated quote takes the rest of the data. A
// separator at the very end does not start another item.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace dcload::fuzz {

inline bool isSeparator(char c) { return c == ',' || c == '\r' || c == '\n'; }

inline std::vector<std::string_view> referenceItems(std::string_view data) {
    std::vector<std::string_view> items;
    const std::size_t n = data.size();
    std::size_t i = 0;
    auto skipSeparator = [&] {
        if (i >= n) return;
        if (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n') i += 2;
        else i += 1;
    };
    while (i < n) {
        if (data[i] == '"') {
            const std::size_t close = data.find('"', i + 1);
            if (close == std::string_view::npos) {
                items.push_back(data.substr(i + 1));
                break;
            }
            items.push_back(data.substr(i + 1, close - i - 1));
            i = close + 1;
            while (i < n && !isSeparator(data[i])) ++i;
            skipSeparator();
        } else {
            std::size_t end = i;
            while (end < n && !isSeparator(data[end])) ++end;
            items.push_back(data.substr(i, end - i));
            i = end;
            skipSeparator();
        }
    }
    return items;
}

} // namespace dcload::fuzz
