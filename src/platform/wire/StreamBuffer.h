#pragma once
// Bytes received but not yet taken by a de-framer. Taking from the front is cheap; the storage
// is compacted now and then so it never holds more than the unread bytes for long.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace wire {

class StreamBuffer {
  public:
    void append(std::span<const uint8_t> bytes) {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
    }
    std::span<const uint8_t> unread() const {
        return std::span<const uint8_t>(data_).subspan(read_);
    }
    std::size_t size() const { return data_.size() - read_; }
    void consume(std::size_t count);
    void clear() {
        data_.clear();
        read_ = 0;
    }

  private:
    std::vector<uint8_t> data_;
    std::size_t read_ = 0;
};

}  // namespace wire
