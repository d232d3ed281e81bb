#include <cmath>

#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

namespace {

constexpr std::int16_t kMostRepliesDue = 3; // a load bank that held one reply back sends two at once

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
// What may stand between replies: the line end a converter adds, a blank.
bool isSeparator(char c) { return c == '\r' || c == '\n' || c == ' '; }

size_t leadingCount(std::string_view s, size_t most, bool (*accept)(char)) {
    size_t k = 0;
    while (k < most && k < s.size() && accept(s[k])) ++k;
    return k;
}

unsigned hexByte(char hi, char lo) {
    auto v = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    return static_cast<unsigned>(v(hi) * 16 + v(lo));
}

// s holds 32 hexadecimal characters: the XOR of bytes 1-15 equals byte 16.
bool checksumHolds(std::string_view s) {
    unsigned x = 0;
    for (size_t k = 0; k < 30; k += 2) x ^= hexByte(s[k], s[k + 1]);
    return x == hexByte(s[30], s[31]);
}

// The data message a read of 32 or 33 characters holds by itself; empty when it holds none.
// Blanks at either end are trimmed; a 33rd character is kept only when it is a carriage return,
// since any other (line feed, NUL, comma, quote, a byte above 127) would change the lines or
// items of the result file. Whatever is left must be exactly 32 hexadecimal characters.
std::string wholeDataMessage(std::string_view data) {
    if (data.size() != 32 && data.size() != 33) return {};
    std::string_view tail;
    if (data.size() == 33 && data.back() == '\r') {
        tail = data.substr(32);
        data = data.substr(0, 32);
    }
    data = trimBlanks(data);
    if (data.size() == 33) data = data.substr(0, 32);
    if (data.size() != 32 || leadingCount(data, 32, isHex) != 32) return {};
    return std::string(data) + std::string(tail);
}

} // namespace

void Form1::sendRequest(const std::string& text) {
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
}

// A read that is a whole reply by itself is taken as it stands (a data message even with a
// checksum error, which is only shown). Anything else is gathered with the pieces before it,
// and only what passes the strict test is taken: 32 hexadecimal characters whose checksum holds,
// or 6 digits when a count was asked for; never more replies than requests are due.
void Form1::frameReplies(const std::string& data, std::int32_t secs) {
    const auto answered = [this] { repliesDue = static_cast<std::int16_t>(std::max(0, repliesDue - 1)); };
    if (data.size() == 6 && countAsked) {
        replyBuffer.clear();
        countAsked = false;
        answered();
        replyQueue_.push_back({data, secs});
        return;
    }
    if (std::string m = wholeDataMessage(data); !m.empty() && (replyBuffer.empty() || checksumHolds(m))) {
        replyBuffer.clear();
        answered();
        replyQueue_.push_back({std::move(m), secs});
        return;
    }

    // Nothing due: a flood costs neither a copy nor a scan.
    std::string gathered;
    if (repliesDue > 0 && !replyBuffer.empty()) gathered = replyBuffer + data;
    const std::string_view s = repliesDue > 0 && replyBuffer.empty() ? std::string_view(data) : std::string_view(gathered);
    replyBuffer.clear();
    size_t i = 0;
    while (i < s.size() && repliesDue > 0) {
        if (isSeparator(s[i])) {
            ++i;
            continue;
        }
        const std::string_view rest = s.substr(i);
        if (countAsked) {
            const size_t k = leadingCount(rest, 6, isDigit);
            if (k == 6) {
                replyQueue_.push_back({std::string(rest.substr(0, 6)), secs});
                countAsked = false;
                answered();
                i += 6;
                continue;
            }
            if (k == rest.size()) break; // a count still arriving
        }
        const size_t k = leadingCount(rest, 32, isHex);
        if (k == 32) {
            if (checksumHolds(rest)) {
                std::string m(rest.substr(0, 32));
                if (rest.size() > 32 && rest[32] == '\r') m += '\r';
                replyQueue_.push_back({std::move(m), secs});
                answered();
            }
            i += 32; // a well-formed message with a bad checksum is dropped whole
            continue;
        }
        if (k == rest.size()) break; // a data message still arriving
        i += k + 1;                  // a character no reply holds: start again after it
    }
    if (repliesDue > 0 && i < s.size()) replyBuffer.assign(s.substr(i));
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
        return true;
    }
    std::string stored = data;
    stored += std::string(trimBlanks(formatPattern(reply.secs, "000000")));
    stored += '\r';
    recordCounter = add32(recordCounter, 1);
    linkReading();
    const bool runWasStarted = fileStarted;
    link.decodingLive = true; // until the decoder returns or throws
    struct Live { bool& on; ~Live() { on = false; } } live{link.decodingLive};
    processMessage(stored, 0, 0, 1, 1);
    if (fileStarted && !runWasStarted) showRun();
    // The log grows past its first 100,001 entries, so pacing and captions go on in tests of days.
    messageLog[static_cast<size_t>(messageCount)] = stored;
    ++messageCount;
    adjustTimer();
    return true;
}

void Form1::tcpClientDataArrival() {
    bool goOn = true;
    try {
        replyReceived = true;
        ctl.pBar.step();
        const double since = std::floor(static_cast<double>(elapsedSeconds()) - connectTime);
        const std::int32_t secs = static_cast<std::int32_t>(since);
        frameReplies(platform_.socket.readAll(), secs);
        // Oldest first, also when a dialog opened by one reply lets a later arrival in.
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
    } catch (const RuntimeError&) {
        // The handler ends quietly at the failing step.
    }
}

} // namespace dcload
