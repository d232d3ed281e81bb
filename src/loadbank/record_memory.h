// The load bank's record memory: a ring of stored data messages with a read pointer for
// downloads.
//
// Count and order, as the logger expects them: until the ring has been overwritten the count
// is the number of records held. Once it has wrapped, the count is the slot the next record
// goes to (records written modulo the size) and the wrap flag is set, so the oldest records
// are the slots after the count, then come slots 0 up to the count. A download always runs
// oldest first and ends after the newest record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace loadbank {

class RecordMemory {
public:
    static constexpr unsigned kMaxSize = 32767;  // the count must fit below bit 15

    // Throws std::invalid_argument outside 1..kMaxSize.
    explicit RecordMemory(unsigned size);

    void store(const std::string& message);
    // Counts n records as written without keeping them; they would be overwritten anyway.
    void skip(std::uint64_t n) { written_ += n; }
    void clear();

    unsigned size() const { return size_; }
    unsigned count() const;     // what the count reply carries, without the wrap flag
    bool wrapped() const { return written_ > size_; }
    unsigned held() const;      // records a download returns
    std::uint64_t written() const { return written_; }

    void rewind() { readSeq_ = 0; }
    // The next record of the download, oldest first; nothing after the newest one.
    std::optional<std::string> next();

private:
    unsigned size_;
    std::vector<std::string> slots_;
    std::uint64_t written_ = 0;   // records ever stored since the last clear
    std::uint64_t readSeq_ = 0;   // sequence number of the next record to download
};

}  // namespace loadbank
