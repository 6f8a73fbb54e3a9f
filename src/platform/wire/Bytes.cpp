#include "platform/wire/Bytes.h"

#include <bit>
#include <cstring>

namespace wire {

void ByteWriter::u16(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::u32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<uint8_t>(v >> shift));
}

void ByteWriter::f32(float v) { u32(std::bit_cast<uint32_t>(v)); }

bool ByteReader::take(std::size_t count) {
    if (failed_ || count > remaining()) {
        failed_ = true;
        return false;
    }
    return true;
}

uint8_t ByteReader::u8() {
    if (!take(1)) return 0;
    return in_[pos_++];
}

uint16_t ByteReader::u16() {
    if (!take(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(in_[pos_] | (in_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t ByteReader::u32() {
    if (!take(4)) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | in_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return v;
}

float ByteReader::f32() { return std::bit_cast<float>(u32()); }

std::span<const uint8_t> ByteReader::bytes(std::size_t count) {
    if (!take(count)) return {};
    auto out = in_.subspan(pos_, count);
    pos_ += count;
    return out;
}

std::string ByteReader::text(std::size_t count) {
    auto b = bytes(count);
    return std::string(b.begin(), b.end());
}

std::span<const uint8_t> ByteReader::rest() { return bytes(remaining()); }

}  // namespace wire
