#include "platform/wire/Crc16.h"

#include <array>

namespace wire {
namespace {

constexpr std::array<uint16_t, 256> makeTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            c = static_cast<uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = makeTable();

}  // namespace

uint16_t crc16(std::span<const uint8_t> bytes, uint16_t crc) {
    for (uint8_t b : bytes)
        crc = static_cast<uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ b) & 0xFF]);
    return crc;
}

}  // namespace wire
