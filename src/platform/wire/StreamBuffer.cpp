#include "platform/wire/StreamBuffer.h"

namespace wire {

void StreamBuffer::consume(std::size_t count) {
    read_ += count < size() ? count : size();
    if (read_ == data_.size()) {
        clear();
    } else if (read_ >= 4096 && read_ * 2 >= data_.size()) {
        data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(read_));
        read_ = 0;
    }
}

}  // namespace wire
