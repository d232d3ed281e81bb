// Arbitrary bytes as the stored message of the decoder, on a fresh virtual logger: first in
// replay mode (a new chart, then a further point), then live (shown and logged), then, when the
// input holds line feeds, its lines one after another as a live run. A conversion error
// (RuntimeError) reaching the caller is the decoder's documented outcome for a malformed field;
// anything else escaping, a crash or a hang is a finding. A message logged live must be the last
// line of the run's result file, byte for byte, and the CSV file must end with its line.
#include <cstdint>
#include <regex>
#include <string>

#include "fuzz_checks.h"
#include "support/virtual_platform.h"

using dcload::fuzz::finding;
using dcload::fuzz::guarded;

namespace {

// The reading tiles: volts "##0.00", current and temperature "##0.0", amp-hours "0000.0".
void checkShown(const char* step, const dcload::Form1& f) {
    const auto& c = f.ctl;
    const std::string tiles = c.lblU[0].caption + " " + c.lblA[0].caption + " " + c.lblT.caption + " " + c.lblAh.caption;
    if (!std::regex_match(tiles, std::regex("-?[0-9]+\\.[0-9]{2} -?[0-9]+\\.[0-9] -?[0-9]+\\.[0-9] -?[0-9]{4,}\\.[0-9]")))
        finding(step, "tiles show '" + tiles + "'");
}

void liveMessage(dcload::test::VirtualLogger& vl, const std::string& msg) {
    dcload::Form1& f = *vl.form;
    if (!guarded("live", true, [&] { f.processMessage(msg, 0, 0, 1, 1); }) || msg.size() == 6) return;
    checkShown("live", f);
    if (!vl.timer(dcload::TimerId::TimerRequest).enabled()) finding("live", "TimerRequest left disabled");
    const std::string n = std::to_string(f.getLastFileNumber());
    const std::string result = vl.readFile("DC_Result_" + n + ".txt"), csv = vl.readFile("DC_CSV_" + n + ".csv");
    if (result.size() < msg.size() + 2 || result.compare(result.size() - msg.size() - 2, std::string::npos, msg + "\r\n") != 0)
        finding("live", "the message is not the last line of DC_Result_" + n + ".txt");
    // "dddddd,V,A,Ah,time" CR LF, the last line of the file.
    if (!std::regex_search(csv, std::regex("(^|\n)[0-9]{6}(,[^,\r\n]*){4}\r\n$")))
        finding("live", "the CSV file does not end with a line of a six-digit stamp and five fields");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string msg(reinterpret_cast<const char*>(data), size);
    dcload::test::VirtualLogger vl;
    dcload::Form1& f = *vl.form;
    for (const int next : {-1, 0})
        if (guarded("replay", true, [&] { f.processMessage(msg, -1, next, 1, 1); }) && size != 6)
            checkShown("replay", f);
    dcload::fuzz::checkChart("replay", f.chart);
    liveMessage(vl, msg);
    for (std::size_t start = 0, end = 0, lines = 0; msg.find('\n') != std::string::npos && start <= size && lines < 64;
         start = end + 1, ++lines) {
        end = std::min(msg.find('\n', start), size);
        liveMessage(vl, msg.substr(start, end - start));
    }
    return 0;
}
