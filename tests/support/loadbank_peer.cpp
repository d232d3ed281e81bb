#include "support/loadbank_peer.h"

namespace dcload::test {

LoadBankPeer::LoadBankPeer(VirtualLogger& logger, const loadbank::Options& options, long long latencyMs)
    : model(options), logger_(logger), latencyMs_(latencyMs) {
    logger_.socket.refuse = !model.acceptsConnections();
    logger_.socket.onSend = [this](const std::string& text) {
        FakeSocket& s = logger_.socket;
        if (s.generation != generation_) { // a new connection since the last request
            generation_ = s.generation;
            model.connected();
        }
        model.advanceTo(logger_.loop.clock.seconds());
        for (auto& a : model.receive(text)) {
            long long at = latencyMs_;
            std::string wire;
            for (const auto& w : a.writes) {
                at += w.delayMs;
                if (!w.bytes.empty()) s.deliver(w.bytes, at);
                wire += w.bytes;
                if (w.close) s.peerClose(at);
            }
            // One data message on the wire, whole or in two pieces (a pair sent joined is not);
            // pieces make a reading only when their checksum holds.
            const bool verifiable = a.writes.size() == 1 || a.fault.find("bad checksum") == std::string::npos;
            if ((wire.size() == 32 || wire.size() == 33) && a.writes.size() <= 2 && verifiable)
                delivered.push_back(wire);
            answers.push_back(std::move(a));
        }
    };
}

} // namespace dcload::test
