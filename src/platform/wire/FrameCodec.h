#pragma once
// The bare frame (header and payload) without link framing: what a UDP datagram holds and what
// the TCP and serial framings wrap.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"

namespace wire {

// Oversized when header plus payload exceed kMaxFrameSize.
Result<std::vector<uint8_t>> encodeFrame(const Frame& frame);
// Appends the frame to `out`; the caller has checked the size.
void appendFrame(std::vector<uint8_t>& out, const Frame& frame);
// Decodes exactly `bytes` as one frame.
Result<Frame> decodeFrame(std::span<const uint8_t> bytes);

}  // namespace wire
