// The in-memory message log: every stored message of a run in one contiguous text buffer with
// an offset and length per entry, so a week of readings costs about 46 bytes each instead of a
// string object each. Indexed like an array of texts: log[i] reads as a string_view (empty past
// the end) and can be assigned, growing the log as needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dcload {

class MessageLog {
public:
    class Entry {
    public:
        Entry(MessageLog& log, std::size_t i) : log_(log), i_(i) {}
        Entry& operator=(std::string_view text) { log_.set(i_, text); return *this; }
        Entry& operator=(const Entry& other) { log_.set(i_, other.view()); return *this; }
        std::string_view view() const { return static_cast<const MessageLog&>(log_)[i_]; }
        operator std::string_view() const { return view(); }
        operator std::string() const { return std::string(view()); }
        std::size_t size() const { return view().size(); }
        bool empty() const { return view().empty(); }
        std::string_view substr(std::size_t pos, std::size_t n = std::string_view::npos) const {
            return view().substr(pos, n);
        }
        friend bool operator==(const Entry& e, std::string_view s) { return e.view() == s; }
        friend std::ostream& operator<<(std::ostream& os, const Entry& e);

    private:
        MessageLog& log_;
        std::size_t i_;
    };

    std::size_t size() const { return slots_.size(); }
    std::string_view operator[](std::size_t i) const {
        if (i >= slots_.size()) return {};
        return {text_.get() + slots_[i].offset, slots_[i].length};
    }
    Entry operator[](std::size_t i) { return Entry(*this, i); }

    void set(std::size_t i, std::string_view text);   // grows the log up to i when needed
    void push_back(std::string_view text) { set(slots_.size(), text); }
    void resize(std::size_t n);                        // new entries are empty
    void clear() { resize(0); }

    // Bytes held: text buffer and index, allocated capacity included.
    std::size_t memoryBytes() const { return textCapacity_ + slots_.capacity() * sizeof(Slot); }
    // Room for about `bytes` more text and `entries` more entries, allocated exactly.
    void reserveMore(std::size_t bytes, std::size_t entries);
    // Gives back spare capacity beyond an eighth of what is used.
    void trim();

    // Journal: from guard(upTo) on, writes to entries 1..upTo keep their former text, so that
    // restore() can undo them (the periodic reload then reads only what the file added). false
    // from restore() when the journal could not follow (too many writes, or the log shrank).
    void guard(std::size_t upTo);
    bool restore();
    void unguard() { guarded_ = false; guardUpTo_ = 0; journal_.clear(); journalBytes_ = 0; }
    std::size_t textBytes() const { return liveBytes_; }

private:
    struct Slot {
        std::uint32_t offset;
        std::uint32_t length;
    };
    void growText(std::size_t need);
    void growSlots(std::size_t need);
    void compact();
    void write(std::size_t i, std::string_view text);

    std::unique_ptr<char[]> text_;
    std::size_t textSize_ = 0, textCapacity_ = 0;
    std::size_t liveBytes_ = 0;          // bytes that entries point at; the rest is garbage
    std::vector<Slot> slots_;

    bool guarded_ = false;
    std::size_t guardUpTo_ = 0;
    bool journalBroken_ = false;
    std::vector<std::pair<std::size_t, std::string>> journal_;
    std::size_t journalBytes_ = 0;
};

} // namespace dcload
