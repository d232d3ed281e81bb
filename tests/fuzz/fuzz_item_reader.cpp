// The item reader over arbitrary bytes: every item must lie inside the input, the loop must end
// within one item per input byte, and the items must be those of the plain reading of the rule
// (reference_items.h): same count, same positions, same contents.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "reference_items.h"
#include "results/item_reader.h"

namespace {

[[noreturn]] void finding(const char* what, std::size_t index) {
    std::fprintf(stderr, "FINDING: item reader: %s (item %zu)\n", what, index);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> expected = dcload::fuzz::referenceItems(input);

    dcload::ItemReader reader(input);
    std::string_view item;
    std::size_t count = 0;
    while (reader.next(item)) {
        // Each item consumes at least one byte, so there are never more items than bytes.
        if (count >= size) finding("more items than input bytes: the loop does not end", count);
        const char* begin = input.data();
        const char* end = begin + size;
        if (item.size() > size || item.data() < begin || item.data() > end ||
            static_cast<std::size_t>(end - item.data()) < item.size())
            finding("item is not a part of the input", count);
        if (count >= expected.size()) finding("more items than expected", count);
        if (item.data() != expected[count].data() || item.size() != expected[count].size())
            finding("item differs from the expected one", count);
        ++count;
    }
    if (count != expected.size()) finding("fewer items than expected", count);
    // The end is final.
    if (reader.next(item)) finding("an item after the end", count);
    return 0;
}
