#pragma once
// Every decoder of the wire codec driven by one input: the fuzz target's body, shared with the
// test that replays the seed corpus.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace wirefuzz {

struct StreamOutcome {
    std::size_t frames = 0;  // frames handed out
    std::size_t errors = 0;  // candidates rejected
};

// Feeds `bytes` to the bare-frame, TCP and serial decoders and to every payload decoder.
// Whatever decodes must encode back to the same bytes; false (with the reason in `failure`)
// when it does not.
bool exerciseWireDecoders(std::span<const uint8_t> bytes, std::string& failure);

// The stream decoders alone, fed in chunks of `chunk` bytes (the serial one is told the line
// went idle at the end, as often as it holds a partial frame).
StreamOutcome decodeTcpStream(std::span<const uint8_t> bytes, std::size_t chunk);
StreamOutcome decodeSerialStream(std::span<const uint8_t> bytes, std::size_t chunk);

}  // namespace wirefuzz
