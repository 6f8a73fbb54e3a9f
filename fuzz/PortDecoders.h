#pragma once
// The port-settings decoder (0x50 replies, 0x51 and 0x52 requests) driven by one input: the
// fuzz target's body, shared with the test that replays its seed corpus.
#include <cstdint>
#include <span>
#include <string>

namespace portfuzz {

// Decodes `bytes` as a port-settings payload and as a frame whose payload, for a port-settings
// command, is decoded too. Whatever decodes must encode back to the same bytes, hold no field
// code 0 and no text over 255 bytes, and every known field code must name its field both ways.
// False (with the reason in `failure`) when one of these does not hold.
bool exercisePortDecoders(std::span<const uint8_t> bytes, std::string& failure);

}  // namespace portfuzz
