#include "platform/comm/WriteBatch.h"

#include <algorithm>

namespace comm {

uint8_t* WriteBatch::open() {
    buffer_[0] = 0;
    used_ = 1;
    address_.reset();
    open_ = true;
    return buffer_.data();
}

bool WriteBatch::append(wire::Address address, const wire::WriteRequest& write, uint8_t* start,
                        uint8_t*& cursor) {
    if (!open_ || start != buffer_.data() || cursor != buffer_.data() + used_) return false;
    if (buffer_[0] == wire::kMaxBatchEntries) return false;
    if (address_ && *address_ != address) return false;
    const auto entry = wire::encodeBatchEntry(write);
    if (!entry || entry->size() > buffer_.size() - used_) return false;
    std::copy(entry->begin(), entry->end(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
    used_ += entry->size();
    ++buffer_[0];
    address_ = address;
    cursor = buffer_.data() + used_;
    return true;
}

std::optional<std::pair<wire::Address, std::vector<uint8_t>>> WriteBatch::take(std::size_t count) {
    const bool whole = open_ && count == used_ && address_.has_value();
    open_ = false;
    if (!whole) return std::nullopt;
    return std::make_pair(
        *address_, std::vector<uint8_t>(buffer_.begin(),
                                        buffer_.begin() + static_cast<std::ptrdiff_t>(used_)));
}

}  // namespace comm
