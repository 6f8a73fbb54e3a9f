#pragma once
// CRC-16/CCITT-FALSE (polynomial 0x1021, initial 0xFFFF, no reflection, no final XOR): the
// check of serial frames. crc16 of "123456789" is 0x29B1.
#include <cstdint>
#include <span>

namespace wire {

uint16_t crc16(std::span<const uint8_t> bytes, uint16_t crc = 0xFFFF);

}  // namespace wire
