// The item reader over arbitrary bytes against the logger's other reading of the same rule, the
// item scanner, fed a byte at a time (so no piece reaches the reader's wide search): the same
// items in the same order, over-long ones aside, and the end is final.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "results/item_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> scanned;
    dcload::ItemScanner scanner;
    for (std::size_t i = 0; i < size; ++i) scanner.feed(input.substr(i, 1), [&](std::string_view s) { scanned.emplace_back(s); });
    std::string_view item;
    bool tooLong = false;
    if (scanner.pending(item, tooLong) && !tooLong) scanned.emplace_back(item);
    dcload::ItemReader reader(input);
    std::size_t n = 0;
    for (std::size_t all = 0; all <= size && reader.next(item); ++all) // no more items than bytes
        if (item.size() <= dcload::ItemScanner::kMaxItem && (n >= scanned.size() || item != scanned[n++])) n = SIZE_MAX;
    if (n != scanned.size() || reader.next(item)) {
        std::fprintf(stderr, "FINDING: the item reader and the scanner differ, or an item came after the end\n");
        std::abort();
    }
    return 0;
}
