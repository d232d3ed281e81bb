#include <cmath>
#include <optional>
#include <vector>

#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

namespace {

constexpr std::int16_t kMostRepliesDue = 3; // a load bank that held one reply back sends two at once
// The longest unfinished run worth keeping: every reply that can be due, each with a 33rd
// character, behind a fragment.
constexpr size_t kMostKept = kMostRepliesDue * 33 + 32;

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// What may stand between replies: the line end a converter adds, a blank.
bool isSeparator(char c) { return c == '\r' || c == '\n' || c == ' '; }
// A 33rd character that cannot change the lines or items of the files: a carriage return, or
// printable ASCII other than comma and double quote. Any other is dropped.
bool keptExtra(char c) { return c == '\r' || (c > ' ' && c <= '~' && c != ',' && c != '"'); }

size_t leadingCount(std::string_view s, size_t most, bool (*accept)(char)) {
    size_t k = 0;
    while (k < most && k < s.size() && accept(s[k])) ++k;
    return k;
}

unsigned hexByte(char hi, char lo) {
    auto v = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    return static_cast<unsigned>(v(hi) * 16 + v(lo));
}

// s starts with 32 hexadecimal characters: the XOR of bytes 1-15 equals byte 16.
bool checksumHolds(std::string_view s) {
    unsigned x = 0;
    for (size_t k = 0; k < 30; k += 2) x ^= hexByte(s[k], s[k + 1]);
    return x == hexByte(s[30], s[31]);
}

// What arrived for one request when it is exactly one data message: line ends and blanks in
// front and blanks behind removed, 32 hexadecimal characters and maybe a 33rd.
struct Whole {
    std::string_view message; // the 32 characters
    int extra = 0;            // the 33rd character, 0 when there is none
};
std::optional<Whole> wholeMessage(std::string_view s) {
    s.remove_prefix(leadingCount(s, s.size(), isSeparator));
    while (s.size() > 33 && s.back() == ' ') s.remove_suffix(1);
    if ((s.size() != 32 && s.size() != 33) || leadingCount(s, 32, isHex) != 32) return std::nullopt;
    return Whole{s.substr(0, 32), s.size() == 33 ? static_cast<unsigned char>(s[32]) : 0};
}

std::string withExtra(std::string_view message, int extra) {
    std::string m(message);
    if (extra > 0 && keptExtra(static_cast<char>(extra))) m += static_cast<char>(extra);
    return m;
}

} // namespace

void Form1::sendRequest(const std::string& text) {
    // Bytes of an earlier reply: its tail may still come, glued to the next reply's head.
    if (!replyBuffer.empty()) checksumDistrusted = true;
    replyBuffer.clear();
    const bool answered = text == "?\r" || text == "Rf\r" || text == "#P\r";
    if (answered && repliesDue < kMostRepliesDue) ++repliesDue;
    countAsked = text == "#P\r";
    platform_.socket.send(text);
}

void Form1::dropPartialReply() {
    replyBuffer.clear();
    repliesDue = 0;
    countAsked = false;
    checksumDistrusted = false; // a new connection carries no tail of an old reply
    replyExtra = -1;
}

void Form1::queueReply(std::string text, bool countReply) {
    repliesDue = static_cast<std::int16_t>(std::max(0, repliesDue - 1));
    if (countReply) countAsked = false;
    else if (checksumHolds(text)) checksumDistrusted = false;
    replyQueue_.push_back({std::move(text), replySecs});
}

// A read that is a record count asked for is taken as it stands. Data messages are framed by
// what arrived for the request: bytes are gathered until they hold a complete reply.
void Form1::frameReplies(const std::string& data, std::int32_t secs) {
    replySecs = secs;
    if (data.size() == 6 && countAsked) {
        replyBuffer.clear();
        queueReply(data, true);
        return;
    }
    if (repliesDue <= 0 || data.empty()) return; // nothing due: a flood costs neither a copy nor a scan
    const bool single = replyBuffer.empty();
    if (single) replyStarted = platform_.clock.seconds();
    replyBuffer += data;
    scanReplies(single ? Scan::SingleRead : Scan::Arrival);
}

// Queues every complete reply in replyBuffer and keeps what may still grow into one.
void Form1::scanReplies(Scan how) {
    std::string s;
    s.swap(replyBuffer);

    // Exactly one data message, however it was packed, is taken like a whole read: also with a
    // checksum error, unless a dropped fragment may have glued itself to it. It waits while a
    // 33rd character may still follow, and when gathered with a checksum error, for the tick
    // (more bytes would make it a fragment in front of a reply).
    if (const auto w = wholeMessage(s)) {
        const bool holds = checksumHolds(w->message);
        const bool complete = w->extra != 0 || replyExtra == 0 || how == Scan::Tick;
        if (!complete || (!holds && how == Scan::Arrival)) {
            replyBuffer = std::move(s);
        } else if (holds || !checksumDistrusted) {
            replyExtra = w->extra;
            queueReply(withExtra(w->message, w->extra));
        } else {
            repliesDue = static_cast<std::int16_t>(std::max(0, repliesDue - 1));
        }
        return;
    }

    size_t i = 0, keepFrom = s.size();
    while (i < s.size() && repliesDue > 0) {
        if (isSeparator(s[i])) {
            ++i;
            continue;
        }
        const std::string_view rest = std::string_view(s).substr(i);
        if (countAsked) {
            const size_t k = leadingCount(rest, 6, isDigit);
            if (k == 6) {
                queueReply(std::string(rest.substr(0, 6)), true);
                i += 6;
                continue;
            }
            if (k == rest.size()) { // a count still arriving
                keepFrom = i;
                break;
            }
        }
        const size_t run = leadingCount(rest, rest.size(), isHex);
        if (run < 32) {
            if (run == rest.size()) { // a data message still arriving
                keepFrom = i;
                break;
            }
            i += std::max<size_t>(run, 1); // a character no reply holds: start again after it
            continue;
        }

        // A run of hexadecimal characters holds replies end to end up to its end, each with the
        // 33rd character this load bank sends when that is a hexadecimal one; what stands in
        // front of the first is a fragment. A candidate whose checksum fails swallows nothing:
        // the next possible start is one character on.
        const size_t end = i + run, from = std::max(i, end > kMostKept ? end - kMostKept : 0);
        const char hexExtra = replyExtra > 0 && isHex(static_cast<char>(replyExtra)) ? static_cast<char>(replyExtra) : 0;
        std::vector<std::uint8_t> tile(end - from + 1, 0); // length of the reply starting there, 0: none
        const auto tilesToEnd = [&](size_t p) { return p == end || tile[p - from] != 0; };
        for (size_t p = end; p-- > from;) {
            if (p + 32 > end || !checksumHolds(std::string_view(s).substr(p, 32))) continue;
            if (tilesToEnd(p + 32)) tile[p - from] = 32;
            else if (hexExtra && p + 33 <= end && s[p + 32] == hexExtra && tilesToEnd(p + 33)) tile[p - from] = 33;
        }
        size_t first = from;
        while (first < end && tile[first - from] == 0) ++first;
        const bool mayGrow = end == s.size() && how != Scan::Tick;
        // No replies end to end: one at the run's start is taken once the run stopped growing,
        // and what follows it is a fragment (a stray count, the head of a reply never finished).
        if (first == end && !mayGrow && checksumHolds(std::string_view(s).substr(i, 32))) {
            for (; i + 32 <= end && repliesDue > 0 && checksumHolds(std::string_view(s).substr(i, 32)); i += 32)
                queueReply(s.substr(i, 32));
            continue;
        }
        // Nothing whole yet, or a fragment in front while the run still grows: wait for more.
        if (first == end || (first > i && mayGrow)) {
            if (end == s.size()) keepFrom = std::max(i, from);
            i = end;
            continue;
        }
        for (size_t p = first; p < end && repliesDue > 0;) {
            const size_t len = tile[p - from];
            if (p + len == end && len == 32) {
                const char next = end < s.size() ? s[end] : 0, after = end + 1 < s.size() ? s[end + 1] : ' ';
                // The character after the run is this reply's 33rd unless more text is glued to it.
                if (next && (next == '\r' || next == replyExtra || isSeparator(after) || isHex(after))) {
                    replyExtra = static_cast<unsigned char>(s[end]);
                    queueReply(withExtra(std::string_view(s).substr(p, 32), replyExtra));
                    i = end + 1;
                    break;
                }
                if (mayGrow && replyExtra != 0) { // its 33rd character may still follow
                    keepFrom = p;
                    break;
                }
                replyExtra = 0;
            }
            queueReply(s.substr(p, len));
            p += len;
            i = p;
        }
        if (keepFrom < s.size()) break;
        i = std::max(i, end);
    }
    if (keepFrom < s.size() && repliesDue > 0) replyBuffer.assign(s, keepFrom);
}

bool Form1::settleReply() {
    if (replyBuffer.empty()) return false;
    // Stamped when taken, so that its result and CSV lines carry the same second.
    replySecs = static_cast<std::int32_t>(std::floor(static_cast<double>(elapsedSeconds()) - connectTime));
    scanReplies(Scan::Tick);
    if (!replyQueue_.empty()) {
        try {
            takeReplies();
        } catch (const RuntimeError&) {
        }
    }
    if (replyBuffer.empty()) return false;
    if (platform_.clock.seconds() - replyStarted < kReplyWaitSeconds) return true;
    replyBuffer.clear(); // never completed: dropped, and its bytes count as the answer
    checksumDistrusted = replyReceived = true;
    return false;
}

bool Form1::takeReply(const Reply& reply) {
    const std::string& data = reply.text;
    if (data.size() == 6) {
        const std::int32_t value = toInt32(data);
        if (value >= 32768) {
            wrapFlag = true;
            flashRecordCount = value - 32768;
        } else {
            wrapFlag = false;
            flashRecordCount = value;
        }
        requestMode = modeDownload;
        downloadCounted();
        return true;
    }
    std::string stored = data;
    stored += std::string(trimBlanks(formatPattern(reply.secs, "000000")));
    stored += '\r';
    recordCounter = add32(recordCounter, 1);
    ++readingsTaken;
    if (!checksumHolds(data)) {
        ++checksumErrors;
        ctl.StatusBarChecksum = "Checksum errors: " + std::to_string(checksumErrors) + " (last: reading " +
                                std::to_string(readingsTaken) + ")";
    }
    linkReading();
    const bool runWasStarted = fileStarted;
    link.decodingLive = true; // until the decoder returns or throws
    struct Live { bool& on; ~Live() { on = false; } } live{link.decodingLive};
    processMessage(stored, 0, 0, 1, 1);
    if (fileStarted && !runWasStarted) showRun();
    if (requestMode == modeDownload) storedRecordLogged();
    else ctl.lblStoredRecord.visible = false; // the tiles show a live reading again
    // The log grows past its first 100,001 entries, so pacing and captions go on in tests of days.
    messageLog[static_cast<size_t>(messageCount)] = stored;
    ++messageCount;
    adjustTimer();
    return true;
}

// Oldest first, also when a dialog opened by one reply lets a later arrival in.
void Form1::takeReplies() {
    bool goOn = true;
    while (!replyQueue_.empty()) {
        const Reply reply = std::move(replyQueue_.front());
        replyQueue_.pop_front();
        try {
            goOn = takeReply(reply) && goOn;
        } catch (const RuntimeError&) {
            goOn = false; // a count that is not a number: its steps end there
        }
    }
    if (goOn) ctl.lblHCMPointer.caption = "Flash =" + withSignBlank(flashRecordCount) + " Records";
}

void Form1::tcpClientDataArrival() {
    try {
        replyReceived = true;
        ctl.pBar.step();
        const double since = std::floor(static_cast<double>(elapsedSeconds()) - connectTime);
        frameReplies(platform_.socket.readAll(), static_cast<std::int32_t>(since));
        takeReplies();
    } catch (const RuntimeError&) {
        // The handler ends quietly at the failing step.
    }
}

} // namespace dcload
