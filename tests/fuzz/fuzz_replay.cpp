// Arbitrary bytes as the current result file of a fresh virtual logger, then the periodic reload
// (importLastData: the file read into the message log and replayed into the chart) and a paged
// read past the end of the log. Both end quietly on a bad record, so nothing may escape. The
// log must then hold the file's non-empty items in order (as the item reader takes them), all but over-long
// ones, and the chart only numbers.
#include <cstdint>
#include <string>

#include "fuzz_checks.h"
#include "results/item_scanner.h"
#include "support/virtual_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    dcload::test::VirtualLogger vl;
    dcload::Form1& f = *vl.form;
    vl.writeFile("DC_Result_" + std::to_string(f.getLastFileNumber()) + ".txt", file);
    f.graphType = static_cast<std::int16_t>(size % 3); // volts, current or temperature
    dcload::fuzz::guarded("importLastData", false, [&] { f.importLastData(); });
    std::size_t kept = 0;
    dcload::ItemReader reader(file);
    for (std::string_view item; reader.next(item);)
        if (!item.empty() && item.size() <= dcload::ItemScanner::kMaxItem && ++kept < f.messageLog.size() &&
            f.messageLog[kept] != item)
            dcload::fuzz::finding("importLastData", "message log entry " + std::to_string(kept) + " differs from the file");
    if (kept && (f.gTimeCount != static_cast<std::int32_t>(kept) || f.messageLog.size() <= kept))
        dcload::fuzz::finding("importLastData", "gTimeCount " + std::to_string(f.gTimeCount) + ", " + std::to_string(kept) + " records");
    dcload::fuzz::checkChart("importLastData", f.chart);
    std::int16_t page = 2;
    dcload::fuzz::guarded("readLFile page 2", false, [&] { f.readLFile(page, false); });
    dcload::fuzz::checkChart("readLFile page 2", f.chart);
    return 0;
}
