#pragma once
// Serial framing: start byte 0xA5, u16 length, the frame, CRC-16 of length and frame. There is
// no byte stuffing, so the de-framer finds frames by start byte, plausible length and CRC.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"
#include "platform/wire/StreamBuffer.h"

namespace wire {

constexpr uint8_t kSerialStartByte = 0xA5;
constexpr std::size_t kSerialOverhead = 5;  // start byte, length, CRC

Result<std::vector<uint8_t>> encodeSerialFrame(const Frame& frame);
// Bytes on the line for a frame of `frameBytes` (header plus payload).
constexpr std::size_t serialWireSize(std::size_t frameBytes) {
    return frameBytes + kSerialOverhead;
}

// Feed the bytes as they arrive; next() hands out one frame at a time, nothing while more
// bytes are needed, or an error for a candidate it rejected. It has resynchronised by then:
// keep calling next() until it returns nothing. Bytes before a start byte are skipped silently
// (and counted).
class SerialDeframer {
  public:
    void feed(std::span<const uint8_t> bytes) { buffer_.append(bytes); }
    std::optional<Result<Frame>> next();

    // The line went idle with a frame incomplete: the candidate was garbage with a plausible
    // length. Drop its start byte and scan on from the byte after it.
    void abandonPartial();
    // True while bytes are held that may still become a frame.
    bool hasPartial() const { return buffer_.size() > 0; }
    std::size_t skippedBytes() const { return skipped_; }
    void reset();

  private:
    void dropStartByte();
    StreamBuffer buffer_;
    std::size_t skipped_ = 0;
};

}  // namespace wire
