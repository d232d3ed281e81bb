#include "app/message_log.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <ostream>

namespace dcload {

namespace {
constexpr std::size_t kMaxText = std::numeric_limits<std::uint32_t>::max() / 2; // offsets are 32-bit
constexpr std::size_t kJournalEntries = 4096;
constexpr std::size_t kJournalBytes = 1u << 20;
} // namespace

std::ostream& operator<<(std::ostream& os, const MessageLog::Entry& e) { return os << e.view(); }

void MessageLog::growText(std::size_t need) {
    if (need <= textCapacity_) return;
    // Grow by an eighth, not double: a week-long run would otherwise hold twice its text.
    const std::size_t cap = std::max(need, textCapacity_ + textCapacity_ / 8 + 65536);
    std::unique_ptr<char[]> bigger(new char[cap]);
    if (textSize_) std::memcpy(bigger.get(), text_.get(), textSize_);
    text_ = std::move(bigger);
    textCapacity_ = cap;
}

void MessageLog::growSlots(std::size_t need) {
    if (need <= slots_.capacity()) return;
    slots_.reserve(std::max(need, slots_.capacity() + slots_.capacity() / 8 + 1024));
}

void MessageLog::reserveMore(std::size_t bytes, std::size_t entries) {
    if (textSize_ + bytes > textCapacity_) {
        std::unique_ptr<char[]> bigger(new char[textSize_ + bytes]);
        if (textSize_) std::memcpy(bigger.get(), text_.get(), textSize_);
        text_ = std::move(bigger);
        textCapacity_ = textSize_ + bytes;
    }
    if (slots_.size() + entries > slots_.capacity()) slots_.reserve(slots_.size() + entries);
}

void MessageLog::trim() {
    const std::size_t keep = textSize_ + textSize_ / 8;
    if (textCapacity_ > keep + 65536) {
        std::unique_ptr<char[]> smaller(new char[keep]);
        if (textSize_) std::memcpy(smaller.get(), text_.get(), textSize_);
        text_ = std::move(smaller);
        textCapacity_ = keep;
    }
    if (slots_.capacity() > slots_.size() + slots_.size() / 8 + 1024) {
        std::vector<Slot> exact;
        exact.reserve(slots_.size() + slots_.size() / 8);
        exact.assign(slots_.begin(), slots_.end());
        slots_.swap(exact);
    }
}

// Packs the entries' texts in entry order, dropping the garbage that rewrites left behind.
void MessageLog::compact() {
    const std::size_t cap = liveBytes_ + liveBytes_ / 8;
    std::unique_ptr<char[]> packed(cap ? new char[cap] : nullptr);
    std::size_t at = 0;
    for (Slot& s : slots_) {
        if (s.length) std::memcpy(packed.get() + at, text_.get() + s.offset, s.length);
        s.offset = static_cast<std::uint32_t>(at);
        at += s.length;
    }
    text_ = std::move(packed);
    textSize_ = at;
    textCapacity_ = cap;
}

void MessageLog::resize(std::size_t n) {
    if (n < slots_.size()) {
        for (std::size_t i = n; i < slots_.size(); ++i) liveBytes_ -= slots_[i].length;
        slots_.resize(n);
        if (guarded_ && guardUpTo_ >= n) journalBroken_ = true;
        if (liveBytes_ == 0) textSize_ = 0;
        else if (textSize_ - liveBytes_ > liveBytes_) compact();
        return;
    }
    growSlots(n);
    slots_.resize(n, Slot{static_cast<std::uint32_t>(textSize_), 0});
}

void MessageLog::set(std::size_t i, std::string_view text) {
    if (i >= slots_.size()) resize(i + 1);
    if (guarded_ && i >= 1 && i <= guardUpTo_ && !journalBroken_) {
        if (journal_.size() >= kJournalEntries || journalBytes_ + slots_[i].length > kJournalBytes) {
            journalBroken_ = true;
        } else {
            journal_.emplace_back(i, std::string((*this)[i]));
            journalBytes_ += slots_[i].length;
        }
    }
    write(i, text);
}

void MessageLog::write(std::size_t i, std::string_view text) {
    Slot& s = slots_[i];
    if (text.size() <= s.length) { // in place; the text may be a piece of this very entry
        if (!text.empty()) std::memmove(text_.get() + s.offset, text.data(), text.size());
        liveBytes_ -= s.length - text.size();
        s.length = static_cast<std::uint32_t>(text.size());
        return;
    }
    std::string copy; // a text taken from this log must survive the buffer growing
    if (text_ && text.data() >= text_.get() && text.data() < text_.get() + textCapacity_) {
        copy.assign(text);
        text = copy;
    }
    const bool last = s.offset + s.length == textSize_;
    const std::size_t at = last ? s.offset : textSize_;
    if (at + text.size() > kMaxText) return; // never reached by a real log: the reader's budget is far below
    growText(at + text.size());
    std::memcpy(text_.get() + at, text.data(), text.size());
    liveBytes_ += text.size() - s.length;
    s.offset = static_cast<std::uint32_t>(at);
    s.length = static_cast<std::uint32_t>(text.size());
    textSize_ = at + text.size();
    const std::size_t garbage = textSize_ - liveBytes_;
    if (garbage > (1u << 20) && garbage > liveBytes_ / 8) compact();
}

void MessageLog::guard(std::size_t upTo) {
    unguard();
    journalBroken_ = false;
    guarded_ = true;
    guardUpTo_ = upTo;
}

bool MessageLog::restore() {
    const bool ok = guarded_ && !journalBroken_;
    guarded_ = false; // the undo writes are not journalled
    if (ok)
        for (auto it = journal_.rbegin(); it != journal_.rend(); ++it) write(it->first, it->second);
    unguard();
    return ok;
}

} // namespace dcload
