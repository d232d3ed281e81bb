// Arbitrary bytes as the current result file of a fresh virtual logger, then the periodic reload
// (importLastData: the file is read into the message log and replayed into the chart) and a
// paged read past the end of the log. Both handlers end quietly on a bad record, so no exception
// may reach the caller. The message log must then hold the file's non-empty items in order
// (the reader's rule, reference_items.h), all of them but over-long ones.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_checks.h"
#include "reference_items.h"
#include "results/item_scanner.h"
#include "support/virtual_platform.h"

using dcload::fuzz::finding;
using dcload::fuzz::guarded;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    dcload::test::VirtualLogger vl;
    dcload::Form1& f = *vl.form;

    const int n = f.getLastFileNumber();
    vl.writeFile("DC_Result_" + std::to_string(n) + ".txt", file);
    f.graphType = static_cast<std::int16_t>(size % 3);   // volts, current or temperature

    guarded("importLastData", false, [&] { f.importLastData(); });

    // What the reload must have read.
    std::vector<std::string_view> records;
    for (std::string_view item : dcload::fuzz::referenceItems(file))
        if (!item.empty() && item.size() <= dcload::ItemScanner::kMaxItem) records.push_back(item);
    const std::size_t kept = records.size();
    if (!records.empty()) {
        if (f.gTimeCount != static_cast<std::int32_t>(kept))
            finding("importLastData", "gTimeCount " + std::to_string(f.gTimeCount) + ", expected " +
                                          std::to_string(kept));
        if (f.messageLog.size() <= kept) finding("importLastData", "message log shorter than the count");
        for (std::size_t i = 0; i < kept; ++i)
            if (f.messageLog[i + 1] != records[i])
                finding("importLastData", "message log entry " + std::to_string(i + 1) + " differs from the file");
    }
    dcload::fuzz::checkChart("importLastData", f.chart);

    // A page past the end of the log: empty entries are not plotted; nothing escapes.
    std::int16_t page = 2;
    guarded("readLFile page 2", false, [&] { f.readLFile(page, false); });
    dcload::fuzz::checkChart("readLFile page 2", f.chart);
    return 0;
}
