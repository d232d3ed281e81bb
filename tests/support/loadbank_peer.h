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
    LoadBankPeer(VirtualLogger& logger, const loadbank::Options& options, long long latencyMs = 40);
    loadbank::LoadBank model;
    // Every data message put on the wire whole, or in two pieces with a good checksum, in order.
    std::vector<std::string> delivered;
    std::vector<loadbank::Answer> answers;
private:
    VirtualLogger& logger_;
    long long latencyMs_;
    int generation_ = -1;
};

} // namespace dcload::test
