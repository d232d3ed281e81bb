// Arbitrary bytes as the stored message of the decoder, on a fresh virtual logger: first in
// replay mode (a new chart, then a further point), then in live mode (shown and logged).
// A conversion error (RuntimeError) reaching the caller is the decoder's documented outcome for
// a malformed field; any other exception, a crash, a hang or a sanitizer report is a finding.
// After a live call that completed, the message must be the last line of the run's result file,
// byte for byte, and the run's CSV file must end with one five-field line.
// Then, when the input holds line feeds, its lines are logged one after another as a live run on
// the same logger (readings kept between messages, one result file growing), with the same checks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_checks.h"
#include "support/virtual_platform.h"

using dcload::fuzz::finding;
using dcload::fuzz::guarded;

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// "dddddd,V,A,Ah,time" + CR LF at the end of the file, and nothing else on that line.
void checkCsvTail(const std::string& csv) {
    if (!endsWith(csv, "\r\n")) finding("live", "CSV file does not end with CR LF");
    const std::size_t lineEnd = csv.size() - 2;
    const std::size_t prev = lineEnd == 0 ? std::string::npos : csv.rfind("\r\n", lineEnd - 1);
    const std::size_t start = prev == std::string::npos ? 0 : prev + 2;
    const std::string line = csv.substr(start, lineEnd - start);
    std::size_t commas = 0;
    for (char c : line) {
        if (c == ',') ++commas;
        if (c == '\r' || c == '\n') finding("live", "line break inside a CSV line");
    }
    if (commas != 4) finding("live", "CSV line without five fields: '" + line + "'");
    if (line.size() < 7 || line[6] != ',') finding("live", "CSV stamp not six digits: '" + line + "'");
    for (std::size_t i = 0; i < 6; ++i)
        if (!dcload::fuzz::isDigit(line[i])) finding("live", "CSV stamp not six digits: '" + line + "'");
}

// One live message, then the checks of a logged message.
void liveMessage(dcload::test::VirtualLogger& vl, const std::string& msg) {
    dcload::Form1& f = *vl.form;
    const bool done = guarded("live", true, [&] { f.processMessage(msg, 0, 0, 1, 1); });
    if (!done || msg.size() == 6) return;
    dcload::fuzz::checkDisplays("live", f);
    if (!vl.timer(dcload::TimerId::TimerRequest).enabled())
        finding("live", "TimerRequest left disabled after a logged message");
    const int n = f.getLastFileNumber();
    const std::string result = vl.readFile("DC_Result_" + std::to_string(n) + ".txt");
    if (!endsWith(result, msg + "\r\n"))
        finding("live", "the message is not the last line of DC_Result_" + std::to_string(n) + ".txt");
    checkCsvTail(vl.readFile("DC_CSV_" + std::to_string(n) + ".csv"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string msg(reinterpret_cast<const char*>(data), size);
    dcload::test::VirtualLogger vl;
    dcload::Form1& f = *vl.form;

    if (guarded("replay, first message", true, [&] { f.processMessage(msg, -1, -1, 1, 1); }) && size != 6)
        dcload::fuzz::checkDisplays("replay, first message", f);
    if (guarded("replay, next message", true, [&] { f.processMessage(msg, -1, 0, 1, 1); }) && size != 6)
        dcload::fuzz::checkDisplays("replay, next message", f);
    dcload::fuzz::checkChart("replay", f.chart);

    liveMessage(vl, msg);

    if (msg.find('\n') != std::string::npos) {
        std::size_t start = 0;
        for (int lines = 0; start <= msg.size() && lines < 64; ++lines) {
            std::size_t end = msg.find('\n', start);
            if (end == std::string::npos) end = msg.size();
            liveMessage(vl, msg.substr(start, end - start));
            start = end + 1;
        }
    }
    return 0;
}
