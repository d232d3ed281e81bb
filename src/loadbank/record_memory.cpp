#include "loadbank/record_memory.h"

#include <stdexcept>

namespace loadbank {

RecordMemory::RecordMemory(unsigned size) : size_(size) {
    if (size < 1 || size > kMaxSize) throw std::invalid_argument("memory size must be 1 to 32767");
    slots_.resize(size);
}

void RecordMemory::store(const std::string& message) {
    slots_[written_ % size_] = message;
    ++written_;
}

void RecordMemory::clear() {
    for (auto& s : slots_) s.clear();
    written_ = 0;
    readSeq_ = 0;
}

unsigned RecordMemory::count() const {
    return static_cast<unsigned>(wrapped() ? written_ % size_ : written_);
}

unsigned RecordMemory::held() const {
    return static_cast<unsigned>(wrapped() ? size_ : written_);
}

std::optional<std::string> RecordMemory::next() {
    const std::uint64_t oldest = written_ > size_ ? written_ - size_ : 0;
    if (readSeq_ < oldest) readSeq_ = oldest;  // overwritten while downloading: skip ahead
    if (readSeq_ >= written_) return std::nullopt;
    return slots_[readSeq_++ % size_];
}

}  // namespace loadbank
