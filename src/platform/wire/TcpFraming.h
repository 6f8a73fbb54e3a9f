#pragma once
// TCP framing: a u16 length, then the frame.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"
#include "platform/wire/StreamBuffer.h"

namespace wire {

constexpr std::size_t kTcpPrefixSize = 2;

Result<std::vector<uint8_t>> encodeTcpFrame(const Frame& frame);

// Feed the bytes as they arrive; next() hands out one frame at a time, nothing while more
// bytes are needed, or an error for a frame it rejects. A length outside 6..4096 cannot be
// resynchronised on a byte stream: the decoder reports it once, is broken() from then on and
// the connection must be closed.
class TcpFrameDecoder {
  public:
    void feed(std::span<const uint8_t> bytes);
    std::optional<Result<Frame>> next();
    bool broken() const { return broken_; }
    std::size_t buffered() const { return buffer_.size(); }
    void reset();

  private:
    StreamBuffer buffer_;
    bool broken_ = false;
};

}  // namespace wire
