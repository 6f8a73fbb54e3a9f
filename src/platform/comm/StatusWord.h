#pragma once
// The 32-bit status word the program builds from a reply's two codes, and the word for an
// exchange that could not start.
#include <cstdint>

namespace comm {

constexpr int32_t kStatusNotStarted = 0x01000000;

// Bits 0..7 low byte of code 1, bits 8..15 code 2 (a negative code 2 sets bits 16..31 too,
// as sign extension does), bits 16..23 high byte of code 1.
constexpr int32_t statusWord(uint16_t code1, int8_t code2) {
    const int32_t detail = static_cast<int16_t>(static_cast<uint16_t>(code2) << 8);
    return static_cast<int32_t>(code1 & 0xFFu) | detail |
           static_cast<int32_t>((code1 & 0xFF00u) << 8);
}

}  // namespace comm
