#include <cmath>

#include "app/form1.h"
#include "decode/format.h"

namespace dcload {

namespace {

bool isReplyLength(size_t n) { return n == 32 || n == 33 || n == 6; }

bool allHex(const std::string& s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) return false;
    return !s.empty();
}

} // namespace

void Form1::tcpClientDataArrival() {
    try {
        replyReceived = true;
        ctl.pBar.step();
        const double since = std::floor(static_cast<double>(elapsedSeconds()) - connectTime);
        const std::int32_t secs = static_cast<std::int32_t>(since);
        std::string data = platform_.socket.readAll();

        // A reply split over two reads is joined when the pieces make exactly one reply.
        if (!heldFragment.empty()) {
            std::string joined = heldFragment + data;
            heldFragment.clear();
            // A whole data message on its own wins over a join that would shift its fields.
            if (data.size() != 32 && data.size() != 33 && isReplyLength(joined.size())) data = std::move(joined);
        }
        if (data.size() < 32 && !isReplyLength(data.size()) && allHex(data)) heldFragment = data;

        const size_t n = data.size();
        if (n == 32 || n == 33) {
            std::string stored(trimBlanks(data));
            stored += std::string(trimBlanks(formatPattern(secs, "000000")));
            stored += '\r';
            recordCounter = add32(recordCounter, 1);
            processMessage(stored, 0, 0, 1, 1);
            if (messageCount >= kMessageLogSize) return;
            messageLog[static_cast<size_t>(messageCount)] = stored;
            ++messageCount;
            adjustTimer();
        }
        if (n == 6) {
            const std::int32_t value = toInt32(data);
            if (value >= 32768) {
                wrapFlag = true;
                flashRecordCount = value - 32768;
            } else {
                wrapFlag = false;
                flashRecordCount = value;
            }
            requestMode = modeDownload;
        }
        ctl.lblHCMPointer.caption = "Flash =" + withSignBlank(flashRecordCount) + " Records";
    } catch (const RuntimeError&) {
        // The handler ends quietly at the failing step.
    }
}

} // namespace dcload
