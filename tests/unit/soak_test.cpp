// A day of polling in virtual time against the load bank model, with faults mixed in: every
// reading that reached the logger is in the result file and the CSV file exactly once, in order.
// It alone writes enough files to catch a leak of a file descriptor on every write.
#include <gtest/gtest.h>

#include "support/loadbank_peer.h"

using namespace dcload::test;

TEST(Soak, DayOfPollingWithFaultsLosesNoReading) {
    VirtualLogger vl;
    loadbank::Options o;
    o.battery.capacityAh = 1500; // a traction pack: still on load after a day
    o.faults.dropChance = o.faults.corruptChance = 0.01;
    o.faults.splitEvery = 97;
    o.faults.splitPauseMs = 150;
    o.faults.seed = 7;
    LoadBankPeer peer(vl, o);
    vl.dialogs.onPauseDialog = [&] { vl.form->dialogCancelClick(); };
    vl.connect();
    vl.advance(24 * 3600 * 1000LL);
    EXPECT_LE(vl.form->replyBuffer.size(), 31u);
    // The pacing bands hold the rate just above 0.9 a second under these faults.
    ASSERT_GT(peer.delivered.size(), 77000u);
    EXPECT_LT(peer.delivered.size(), 87000u);
    const std::string result = vl.readFile("DC_Result_2.txt"), csv = vl.readFile("DC_CSV_2.csv");
    size_t r = 0, c = 0;
    long long last = -1;
    for (const std::string& m : peer.delivered) { // a line: the message, its stamp, CR, then CR LF
        const size_t end = result.find("\r\r\n", r);
        ASSERT_EQ(result.compare(r, 32, m), 0) << "at " << r;
        const long long stamp = std::stoll(result.substr(r + 32, end - r - 32));
        ASSERT_GE(stamp, last);
        ASSERT_EQ(csv.compare(c, 7, result.substr(end - 6, 6) + ","), 0) << "at " << c;
        c = csv.find("\r\n", c) + 2;
        r = end + 3;
        last = stamp;
    }
    EXPECT_EQ(std::make_pair(r, c), std::make_pair(result.size(), csv.size())); // nothing more
    EXPECT_GE(last, 86390);
    EXPECT_FALSE(vl.fileExists("DC_Result_3.txt"));
}
