#pragma once
// The decoders of the password handshake and of sealed frames, driven by one input: the fuzz
// target's body, shared with the test that replays its seed corpus.
#include <cstdint>
#include <span>
#include <string>

namespace securefuzz {

// Decodes `bytes` as every handshake payload, as a sealed payload and as a frame. Whatever
// decodes must encode back to the same bytes; a proof taken from the input must never be
// accepted; a sealed frame is opened under fixed keys and whatever opens must be a sound
// inner frame. False (with the reason in `failure`) when one of these does not hold.
bool exerciseSecureDecoders(std::span<const uint8_t> bytes, std::string& failure);

}  // namespace securefuzz
