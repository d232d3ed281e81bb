#include "command_line.h"
#include "net.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

namespace loadbank {
namespace {

bool toDouble(const std::string& s, double& out) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && p == end && std::isfinite(out);
}

bool toInt(const std::string& s, long long lo, long long hi, long long& out) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && p == end && out >= lo && out <= hi;
}

bool toHexBytes(const std::string& s, std::size_t count, unsigned char* out) {
    if (s.size() != count * 2) return false;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned v = 0;
        auto [p, ec] = std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, v, 16);
        if (ec != std::errc() || p != s.data() + 2 * i + 2) return false;
        out[i] = static_cast<unsigned char>(v);
    }
    return true;
}

using Setter = std::function<std::string(SimSettings&, const std::string&)>;

struct OptionDef {
    const char* name;
    bool takesValue;
    Setter set;
};

template <class Get>
Setter real(Get get, double lo, double hi, const char* what) {
    return [=](SimSettings& s, const std::string& v) -> std::string {
        double d;
        if (!toDouble(v, d) || d < lo || d > hi) {
            char msg[128];
            std::snprintf(msg, sizeof msg, "%s: expected a number from %g to %g", what, lo, hi);
            return msg;
        }
        get(s) = d;
        return {};
    };
}

template <class T, class Get>
Setter whole(Get get, long long lo, long long hi, const char* what) {
    return [=](SimSettings& s, const std::string& v) -> std::string {
        long long n;
        if (!toInt(v, lo, hi, n))
            return std::string(what) + ": expected a whole number from " + std::to_string(lo) + " to " +
                   std::to_string(hi);
        get(s) = static_cast<T>(n);
        return {};
    };
}

template <class Get>
Setter flag(Get get) {
    return [=](SimSettings& s, const std::string&) -> std::string {
        get(s) = true;
        return {};
    };
}

#define FIELD(expr) [](SimSettings& s) -> auto& { return expr; }

const std::vector<OptionDef>& optionTable() {
    static const std::vector<OptionDef> table = {
        {"--help", false, flag(FIELD(s.help))},
        {"-h", false, flag(FIELD(s.help))},
        {"--verbose", false, flag(FIELD(s.verbose))},
        {"-v", false, flag(FIELD(s.verbose))},
        {"--port", true, whole<std::uint16_t>(FIELD(s.server.port), 0, 65535, "--port")},
        {"--bind", true,
         [](SimSettings& s, const std::string& v) -> std::string {
             const std::string addr = v == "localhost" ? "127.0.0.1" : v;
             [[maybe_unused]] const net::Startup sockets; // Winsock, on Windows
             in_addr a{};
             if (::inet_pton(AF_INET, addr.c_str(), &a) != 1)
                 return "--bind: expected an IPv4 address such as 127.0.0.1";
             s.server.bind = addr;
             return {};
         }},
        {"--duration", true, real(FIELD(s.durationSeconds), 0, 1e9, "--duration")},
        {"--speed", true, real(FIELD(s.server.speed), 0, 1e6, "--speed")},
        {"--cells", true, whole<int>(FIELD(s.server.model.battery.cells), 1, 1000, "--cells")},
        {"--current", true, real(FIELD(s.server.model.battery.current), 0.1, 6553.5, "--current")},
        {"--capacity", true, real(FIELD(s.server.model.battery.capacityAh), 0.001, 65535, "--capacity")},
        {"--start-volts", true, real(FIELD(s.server.model.battery.startCellVolts), 0.01, 100, "--start-volts")},
        {"--end-volts", true, real(FIELD(s.server.model.battery.endCellVolts), 0.01, 100, "--end-volts")},
        {"--recovery-volts", true,
         real(FIELD(s.server.model.battery.recoveryCellVolts), 0, 1, "--recovery-volts")},
        {"--ambient", true, real(FIELD(s.server.model.battery.ambientCelsius), -100, 200, "--ambient")},
        {"--temp-rise", true, real(FIELD(s.server.model.battery.temperatureRise), 0, 100, "--temp-rise")},
        {"--start-at", true, real(FIELD(s.server.model.startSeconds), 0, 1e9, "--start-at")},
        {"--header", true,
         [](SimSettings& s, const std::string& v) -> std::string {
             if (!toHexBytes(v, 4, s.server.model.frame.leading.data()))
                 return "--header: expected 8 hex digits, e.g. 01010100";
             return {};
         }},
        {"--byte15", true,
         [](SimSettings& s, const std::string& v) -> std::string {
             if (!toHexBytes(v, 1, &s.server.model.frame.byte15)) return "--byte15: expected 2 hex digits";
             return {};
         }},
        {"--long-replies", true,
         [](SimSettings& s, const std::string& v) -> std::string {
             if (v == "cr") s.server.model.faults.longFormExtra = '\r';
             else if (v == "space") s.server.model.faults.longFormExtra = ' ';
             else return "--long-replies: expected cr or space";
             return {};
         }},
        {"--record-interval", true,
         real(FIELD(s.server.model.recordIntervalSeconds), 1, 65535, "--record-interval")},
        {"--memory-size", true, whole<unsigned>(FIELD(s.server.model.memorySize), 1, 32767, "--memory-size")},
        {"--no-recording", false,
         [](SimSettings& s, const std::string&) -> std::string {
             s.server.model.recording = false;
             return {};
         }},
        {"--preload", true, whole<unsigned>(FIELD(s.server.model.preloadRecords), 0, 10'000'000, "--preload")},
        {"--silent", false, flag(FIELD(s.server.model.faults.silent))},
        {"--drop-every", true, whole<int>(FIELD(s.server.model.faults.dropEvery), 0, 1'000'000, "--drop-every")},
        {"--drop-chance", true, real(FIELD(s.server.model.faults.dropChance), 0, 1, "--drop-chance")},
        {"--corrupt-every", true,
         whole<int>(FIELD(s.server.model.faults.corruptEvery), 0, 1'000'000, "--corrupt-every")},
        {"--corrupt-chance", true, real(FIELD(s.server.model.faults.corruptChance), 0, 1, "--corrupt-chance")},
        {"--split-every", true, whole<int>(FIELD(s.server.model.faults.splitEvery), 0, 1'000'000, "--split-every")},
        {"--split-pause", true, whole<int>(FIELD(s.server.model.faults.splitPauseMs), 0, 60000, "--split-pause")},
        {"--split-at", true, whole<int>(FIELD(s.server.model.faults.splitAt), 1, 1000, "--split-at")},
        {"--join-every", true, whole<int>(FIELD(s.server.model.faults.joinEvery), 0, 1'000'000, "--join-every")},
        {"--cut-first", true, whole<int>(FIELD(s.server.model.faults.cutFirst), 0, 1000, "--cut-first")},
        {"--pieces", true, whole<int>(FIELD(s.server.model.faults.pieceSize), 0, 1000, "--pieces")},
        {"--piece-pause", true, whole<int>(FIELD(s.server.model.faults.piecePauseMs), 0, 60000, "--piece-pause")},
        {"--stray-every", true, whole<int>(FIELD(s.server.model.faults.strayEvery), 0, 1'000'000, "--stray-every")},
        {"--close-after", true, whole<int>(FIELD(s.server.model.faults.closeAfter), 0, 1'000'000, "--close-after")},
        {"--refuse", false, flag(FIELD(s.server.model.faults.refuseConnections))},
        {"--delay", true, whole<int>(FIELD(s.server.model.faults.replyDelayMs), 0, 60000, "--delay")},
        {"--seed", true,
         whole<std::uint32_t>(FIELD(s.server.model.faults.seed), 0, std::numeric_limits<std::uint32_t>::max(),
                              "--seed")},
    };
    return table;
}

#undef FIELD

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool inlineValue = false;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        const OptionDef* def = nullptr;
        for (const OptionDef& o : optionTable())
            if (name == o.name) def = &o;
        if (!def) {
            out.error = "unknown option " + args[i];
            return out;
        }
        if (def->takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                out.error = name + " needs a value";
                return out;
            }
            value = args[++i];
        } else if (!def->takesValue && inlineValue) {
            out.error = name + " takes no value";
            return out;
        }
        if (std::string e = def->set(out.settings, value); !e.empty()) {
            out.error = e;
            return out;
        }
    }
    if (!out.settings.help) {
        if (std::string e = checkOptions(out.settings.server.model); !e.empty()) out.error = e;
    }
    return out;
}

const std::string& helpText() {
    static const std::string text = R"(Usage: loadbank-sim [options]

Pretends to be a DC load bank on a discharge test, so that the data logger (or an
operator in training) has something to connect to. It listens on 127.0.0.1 port 2200
and answers the logger's requests: "?" (present reading), "#P" (number of stored
records), "Rf" (next stored record, oldest first), "#C" (clear memory), "#X" (stop
recording) and "#G" (start recording). One connection at a time; a new connection
replaces the old one. Stop it with Ctrl+C.

Connection:
  --port N              TCP port (default 2200; 0 picks a free port, shown at start)
  --bind ADDRESS        address to listen on (default 127.0.0.1, this computer only).
                        Give another address only if other computers must connect.
  --duration SECONDS    stop by itself after this many seconds (default: run until Ctrl+C)
  -v, --verbose         print every request, reply and connection event
  -h, --help            this text

The battery and the test (constant-current discharge of a lead-acid string):
  --cells N             cells in the string (default 24, i.e. a 48 V battery)
  --current AMPS        discharge current (default 50.0)
  --capacity AH         capacity at that current (default 100, so about 2 hours at 50 A)
  --start-volts V       volts per cell on load at the start (default 2.12)
  --end-volts V         volts per cell at which the load trips (default 1.75)
  --recovery-volts V    how far each cell recovers after the trip (default 0.15)
  --ambient DEGC        room temperature (default 21.0)
  --temp-rise DEGC      how far the battery warms during the test (default 6.0)
  --start-at SECONDS    test time already run when the simulator starts (default 0)
  --speed X             how fast test time runs: 1 = real time, 60 = one minute per
                        second, so a 2-hour test takes 2 minutes (default 1)
After the trip the current reads 0.0 A, the test time and amp-hours stop, and the
voltage creeps back up a little.

The data message:
  --header HEX          the first four bytes, 8 hex digits (default 01010100)
  --byte15 HEX          byte 15, 2 hex digits (default 00)
  --long-replies cr|space   send 33-character data messages: the 32 characters plus a
                        carriage return or a space (default: 32 characters)

The record memory:
  --record-interval S   one record every S seconds of test time while recording (default 60)
  --memory-size N       records the memory holds before the oldest are overwritten
                        (default 60; then "#P" reports the wrap with 32768 added)
  --no-recording        start with recording off (until the logger sends "#G")
  --preload N           records of an earlier test already in memory (default 0)
Recording stops by itself with one last record at the trip.

Faults on purpose (to train for, or to test the logger against):
  --silent              never answer anything
  --drop-every N        leave every N-th reply unanswered
  --drop-chance P       leave each reply unanswered with probability P (0 to 1)
  --corrupt-every N     wrong checksum on every N-th data message
  --corrupt-chance P    wrong checksum with probability P (0 to 1)
  --split-every N       send every N-th reply in two pieces ...
  --split-pause MS      ... this many milliseconds apart (default 200) ...
  --split-at N          ... broken after N characters (default 16)
  --join-every N        hold back every N-th reply and send it together with the next one
  --cut-first N         cut the first reply on each connection to N characters
  --pieces N            send every reply in pieces of N characters ...
  --piece-pause MS      ... this many milliseconds apart (default 0)
  --stray-every N       follow every N-th reply with a count nobody asked for
  --close-after N       hang up after N replies on each connection
  --refuse              refuse every connection
  --delay MS            wait this many milliseconds before each reply
  --seed N              start of the random faults, so a run can be repeated (default 1)
"Every N-th" counts start again with each new connection.

Examples:
  loadbank-sim --speed 60 -v
  loadbank-sim --port 2201 --drop-every 5 --corrupt-every 7
)";
    return text;
}

}  // namespace loadbank
