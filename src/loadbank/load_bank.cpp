#include "loadbank/load_bank.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace loadbank {
namespace {

// Longer than any request; an unterminated flood is thrown away up to the next line end.
constexpr std::size_t kMaxRequest = 64;

void addNote(std::string& fault, const std::string& note) {
    if (!fault.empty()) fault += ", ";
    fault += note;
}

bool every(int n, std::uint64_t index) { return n > 0 && index % static_cast<unsigned>(n) == 0; }

}  // namespace

std::string checkOptions(const Options& o) {
    if (const char* p = checkBattery(o.battery); *p) return p;
    if (!(o.startSeconds >= 0 && o.startSeconds <= 1e9)) return "start time must be 0 to 1e9 s";
    if (!(o.recordIntervalSeconds >= 1 && o.recordIntervalSeconds <= 65535))
        return "record interval must be 1 to 65535 s";
    if (o.memorySize < 1 || o.memorySize > RecordMemory::kMaxSize) return "memory size must be 1 to 32767";
    if (o.preloadRecords > 10'000'000) return "at most 10000000 preloaded records";
    const FaultOptions& f = o.faults;
    if (f.dropEvery < 0 || f.corruptEvery < 0 || f.splitEvery < 0 || f.joinEvery < 0 ||
        f.closeAfter < 0 || f.cutFirst < 0 || f.pieceSize < 0 || f.strayEvery < 0)
        return "every-n-th counts must not be negative";
    if (!(f.dropChance >= 0 && f.dropChance <= 1) || !(f.corruptChance >= 0 && f.corruptChance <= 1))
        return "chances must be 0 to 1";
    if (f.splitPauseMs < 0 || f.splitPauseMs > 60000) return "split pause must be 0 to 60000 ms";
    if (f.replyDelayMs < 0 || f.replyDelayMs > 60000) return "reply delay must be 0 to 60000 ms";
    if (f.piecePauseMs < 0 || f.piecePauseMs > 60000) return "piece pause must be 0 to 60000 ms";
    if (f.splitAt < 1) return "split point must be at least 1";
    return {};
}

static const Options& validated(const Options& o) {
    if (std::string p = checkOptions(o); !p.empty()) throw std::invalid_argument(p);
    return o;
}

LoadBank::LoadBank(const Options& options)
    : o_(validated(options)),
      discharge_(o_.battery),
      memory_(o_.memorySize),
      now_(o_.startSeconds),
      recording_(o_.recording),
      rng_(o_.faults.seed) {
    // An earlier test's records, one per interval from its start.
    const double k = o_.recordIntervalSeconds;
    const std::uint64_t n = o_.preloadRecords;
    const std::uint64_t first = n > memory_.size() ? n - memory_.size() : 0;
    memory_.skip(first);
    for (std::uint64_t i = first; i < n; ++i)
        memory_.store(encode(discharge_.at(static_cast<double>(i + 1) * k)));
    recordingSince_ = now_;
    nextRecord_ = now_ + k;
    ended_ = now_ >= discharge_.tripSeconds();
    storeDueRecords();
}

std::string LoadBank::encode(const Reading& r) const {
    return encodeDataMessage(quantize(r.volts, r.amps, r.testSeconds, r.ampHours, r.celsius), o_.frame);
}

std::string LoadBank::presentMessage() const { return encode(reading()); }

void LoadBank::advance(double seconds) {
    if (seconds > 0) advanceTo(now_ + seconds);
}

void LoadBank::advanceTo(double seconds) {
    if (!(seconds > now_) || !std::isfinite(seconds)) return;
    now_ = seconds;
    storeDueRecords();
}

void LoadBank::storeDueRecords() {
    const double trip = discharge_.tripSeconds();
    const double k = o_.recordIntervalSeconds;
    if (recording_ && !ended_) {
        const double limit = std::min(now_, trip);
        if (nextRecord_ <= limit) {
            auto n = static_cast<std::uint64_t>(std::floor((limit - nextRecord_) / k)) + 1;
            // A record falling exactly on the trip is the end-of-test record below.
            if (nextRecord_ + static_cast<double>(n - 1) * k >= trip) --n;
            const std::uint64_t first = n > memory_.size() ? n - memory_.size() : 0;
            memory_.skip(first);
            for (std::uint64_t i = first; i < n; ++i)
                memory_.store(encode(discharge_.at(nextRecord_ + static_cast<double>(i) * k)));
            nextRecord_ += static_cast<double>(n) * k;
        }
        // The test ends with one record at the trip; nothing is stored after it.
        if (now_ >= trip && recordingSince_ <= trip) memory_.store(encode(discharge_.at(trip)));
    }
    if (now_ >= trip) ended_ = true;
}

void LoadBank::connected() {
    input_.clear();
    discarding_ = false;
    replies_ = 0;
    dataReplies_ = 0;
    held_.clear();
    closed_ = false;
}

std::vector<Answer> LoadBank::receive(std::string_view bytes) {
    std::vector<Answer> answers;
    for (char c : bytes) {
        if (closed_) break;  // closing after the last allowed reply: the rest is not read
        if (c == '\r' || c == '\n') {
            if (!discarding_ && !input_.empty()) answers.push_back(handle(input_));
            input_.clear();
            discarding_ = false;
        } else if (!discarding_) {
            if (input_.size() >= kMaxRequest) {
                input_.clear();
                discarding_ = true;
            } else {
                input_.push_back(c);
            }
        }
    }
    return answers;
}

Answer LoadBank::handle(std::string_view request) {
    Answer a;
    a.request = std::string(request);
    bool data = false;
    if (request == "?") {
        a.reply = presentMessage();
        data = true;
    } else if (request == "#P") {
        memory_.rewind();
        a.reply = encodeRecordCount(memory_.count(), memory_.wrapped());
    } else if (request == "Rf") {
        if (auto r = memory_.next()) {
            a.reply = *r;
            data = true;
        }
    } else if (request == "#C") {
        memory_.clear();
    } else if (request == "#X") {
        recording_ = false;
        memory_.rewind();
    } else if (request == "#G") {
        if (!recording_) {
            recording_ = true;
            recordingSince_ = now_;
            nextRecord_ = now_ + o_.recordIntervalSeconds;
        }
    }
    if (!a.reply.empty()) deliver(a, data);
    return a;
}

bool LoadBank::chance(double p) {
    if (p <= 0) return false;
    // Drawn even at certainty so that changing one chance does not shift the others' draws.
    const double draw = static_cast<double>(rng_()) / 4294967296.0;
    return draw < p;
}

void LoadBank::deliver(Answer& a, bool dataMessage) {
    const FaultOptions& f = o_.faults;
    if (f.silent) {
        a.fault = "silent";
        return;
    }
    ++replies_;
    if (dataMessage) ++dataReplies_;

    std::string bytes = a.reply;
    const bool dropRandom = chance(f.dropChance);
    if (every(f.dropEvery, replies_) || dropRandom) {
        addNote(a.fault, "dropped");
        bytes.clear();
    } else {
        if (dataMessage) {
            const bool corruptRandom = chance(f.corruptChance);
            if (every(f.corruptEvery, dataReplies_) || corruptRandom) {
                bytes = corruptChecksum(bytes);
                addNote(a.fault, "bad checksum");
            }
            if (f.longFormExtra) bytes.push_back(f.longFormExtra);
        }
        if (!held_.empty()) {
            bytes = held_ + bytes;
            held_.clear();
            addNote(a.fault, "joined with the previous reply");
        } else if (every(f.joinEvery, replies_)) {
            held_ = bytes;
            bytes.clear();
            addNote(a.fault, "held back to go out with the next reply");
        }
    }

    const bool closing = f.closeAfter > 0 && replies_ == static_cast<std::uint64_t>(f.closeAfter);
    if (closing && !held_.empty()) {
        bytes = held_ + bytes;  // nothing may stay behind a close
        held_.clear();
    }
    if (f.cutFirst > 0 && replies_ == 1 && bytes.size() > static_cast<std::size_t>(f.cutFirst)) {
        bytes.resize(static_cast<std::size_t>(f.cutFirst));
        addNote(a.fault, "cut short");
    }
    if (!bytes.empty()) {
        if (f.pieceSize > 0) {
            const auto size = static_cast<std::size_t>(f.pieceSize);
            for (std::size_t at = 0; at < bytes.size(); at += size)
                a.writes.push_back({bytes.substr(at, size), at == 0 ? f.replyDelayMs : f.piecePauseMs, false});
            addNote(a.fault, "sent in pieces");
        } else if (every(f.splitEvery, replies_) && bytes.size() >= 2) {
            const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(f.splitAt), bytes.size() - 1);
            a.writes.push_back({bytes.substr(0, at), f.replyDelayMs, false});
            a.writes.push_back({bytes.substr(at), f.splitPauseMs, false});
            addNote(a.fault, "split in two writes");
        } else {
            a.writes.push_back({bytes, f.replyDelayMs, false});
        }
    }
    if (every(f.strayEvery, replies_)) {
        a.writes.push_back({"000012", 100, false});
        addNote(a.fault, "followed by a stray count");
    }
    if (closing) {
        if (a.writes.empty()) a.writes.push_back({"", f.replyDelayMs, true});
        a.writes.back().close = true;
        closed_ = true;
        addNote(a.fault, "closing the connection");
    }
}

}  // namespace loadbank
