// The load bank model behind the fake socket: requests the logger sends reach the model at
// the virtual time they are sent, and its writes come back as separate arrivals, split, late
// or closing exactly as the model says.
#pragma once

#include <string>
#include <vector>

#include "loadbank/load_bank.h"
#include "support/virtual_platform.h"

namespace dcload::test {

class LoadBankPeer {
public:
    LoadBankPeer(VirtualLogger& logger, const loadbank::Options& options, long long latencyMs = 40) : model(options) {
        logger.socket.refuse = !model.acceptsConnections();
        logger.socket.onSend = [this, &logger, latencyMs](const std::string& text) {
            FakeSocket& s = logger.socket;
            if (s.generation != generation_) { // a new connection since the last request
                generation_ = s.generation;
                model.connected();
            }
            model.advanceTo(logger.loop.clock.seconds());
            for (const auto& a : model.receive(text)) {
                long long at = latencyMs;
                std::string wire;
                for (const auto& w : a.writes) {
                    at += w.delayMs;
                    if (!w.bytes.empty()) s.deliver(w.bytes, at);
                    if (w.close) s.peerClose(at);
                    wire += w.bytes;
                }
                // One data message on the wire is a reading however it was packed (a pair sent
                // joined is not one), also with a bad checksum.
                if (wire.size() == 32 || wire.size() == 33) delivered.push_back(wire);
            }
        };
    }
    loadbank::LoadBank model;
    // Every data message put on the wire alone, in order.
    std::vector<std::string> delivered;
private:
    int generation_ = -1;
};

} // namespace dcload::test
