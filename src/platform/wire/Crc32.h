#pragma once
// CRC-32 (the common one: reflected polynomial 0xEDB88320, initial and final XOR 0xFFFFFFFF):
// the checksum of whole images. crc32 of "123456789" is 0xCBF43926. Chain calls by passing the
// previous result as `crc`.
#include <cstdint>
#include <span>

namespace wire {

uint32_t crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

}  // namespace wire
