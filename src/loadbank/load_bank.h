// The load bank as the logger sees it across the wire: requests in, replies out, on a test
// clock the caller moves forward. No threads and no sleeping; a transport turns the returned
// writes into bytes on a socket (or into events of a fake one).
//
// Requests end in CR, LF or CR LF and may arrive in pieces or several at once:
//   "?"   one data message with the present reading
//   "#P"  the record count (6 digits, +32768 once the memory has wrapped); also rewinds the
//         download to the oldest record, since every download starts with it
//   "Rf"  the next stored record, oldest first; after the newest one: no answer
//   "#C"  clear the memory             (no answer)
//   "#X"  stop recording, rewind       (no answer)
//   "#G"  start recording              (no answer)
// Anything else gets no answer. Replies carry no line end.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "loadbank/data_message.h"
#include "loadbank/discharge.h"
#include "loadbank/record_memory.h"

namespace loadbank {

// Misbehaviour on purpose. Counts ("every n-th") start again with each connection; 0 is off.
struct FaultOptions {
    bool silent = false;           // never answer (commands still act)
    int dropEvery = 0;             // every n-th reply is not sent
    double dropChance = 0;         // each reply is lost with this probability (0..1)
    int corruptEvery = 0;          // every n-th data message gets a wrong checksum
    double corruptChance = 0;      // each data message gets a wrong checksum with this probability
    int splitEvery = 0;            // every n-th reply goes out in two writes ...
    int splitPauseMs = 200;        // ... this far apart ...
    int splitAt = 16;              // ... broken after this many characters
    int joinEvery = 0;             // every n-th reply is held and sent in one write with the next
    int cutFirst = 0;              // the first reply on a connection loses all but this many characters
    int pieceSize = 0;             // every reply goes out in writes of this many characters ...
    int piecePauseMs = 0;          // ... this far apart (1 and 0: a byte at a time)
    int strayEvery = 0;            // every n-th reply is followed by a 6-digit reply nobody asked for
    int closeAfter = 0;            // the connection closes after this many replies
    bool refuseConnections = false;
    int replyDelayMs = 0;          // every reply waits this long before it is written
    char longFormExtra = 0;        // non-zero: data messages get this 33rd character
    std::uint32_t seed = 1;        // for the chance faults, so a run can be repeated
};

struct Options {
    BatteryOptions battery;
    MessageFrame frame;
    double startSeconds = 0;       // test time when the model is made
    double recordIntervalSeconds = 60;
    unsigned memorySize = 60;      // the logger's wrapped download assumes 60 slots
    bool recording = true;         // recording on from the start
    unsigned preloadRecords = 0;   // records left in memory by an earlier test
    FaultOptions faults;
};

// Empty when the options can be used; else what is wrong, in words for an operator.
std::string checkOptions(const Options& o);

// One write on the connection: wait delayMs after the previous write (or the request), send
// the bytes in one go, then close the connection if asked.
struct Write {
    std::string bytes;
    int delayMs = 0;
    bool close = false;
};

struct Answer {
    std::string request;        // without its line end
    std::string reply;          // what the load bank meant to send; empty: no answer due
    std::string fault;          // what was done to it on purpose; empty: nothing
    std::vector<Write> writes;  // what actually goes on the wire, in order
};

class LoadBank {
public:
    // Throws std::invalid_argument when checkOptions() reports a problem.
    explicit LoadBank(const Options& options);

    const Options& options() const { return o_; }
    const Discharge& discharge() const { return discharge_; }

    // Test time. Records due on the way are stored at their own times.
    double time() const { return now_; }
    void advance(double seconds);
    void advanceTo(double seconds);
    Reading reading() const { return discharge_.at(now_); }

    // A new connection: partial input, held replies and every-n-th counters start afresh.
    void connected();
    bool acceptsConnections() const { return !o_.faults.refuseConnections; }

    // Bytes from the logger; one Answer per complete request.
    std::vector<Answer> receive(std::string_view bytes);
    // One request without its line end.
    Answer handle(std::string_view request);

    bool recording() const { return recording_; }
    const RecordMemory& memory() const { return memory_; }
    std::string presentMessage() const;

private:
    std::string encode(const Reading& r) const;
    void storeDueRecords();
    void deliver(Answer& a, bool dataMessage);
    bool chance(double p);

    Options o_;
    Discharge discharge_;
    RecordMemory memory_;
    double now_ = 0;
    bool recording_ = false;
    bool ended_ = false;           // the test's last record has been stored
    double nextRecord_ = 0;
    double recordingSince_ = 0;
    std::string input_;
    bool discarding_ = false;
    // Per connection
    std::uint64_t replies_ = 0;
    std::uint64_t dataReplies_ = 0;
    std::string held_;
    bool closed_ = false;
    std::mt19937 rng_;
};

}  // namespace loadbank
