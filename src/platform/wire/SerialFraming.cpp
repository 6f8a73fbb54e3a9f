#include "platform/wire/SerialFraming.h"

#include <algorithm>

#include "platform/wire/Bytes.h"
#include "platform/wire/Crc16.h"
#include "platform/wire/FrameCodec.h"

namespace wire {

Result<std::vector<uint8_t>> encodeSerialFrame(const Frame& frame) {
    const std::size_t size = frameSize(frame);
    if (size > kMaxFrameSize) return Error::Oversized;
    std::vector<uint8_t> out;
    out.reserve(serialWireSize(size));
    out.push_back(kSerialStartByte);
    ByteWriter(out).u16(static_cast<uint16_t>(size));
    appendFrame(out, frame);
    const uint16_t crc = crc16(std::span<const uint8_t>(out).subspan(1));
    ByteWriter(out).u16(crc);
    return out;
}

void SerialDeframer::dropStartByte() {
    buffer_.consume(1);
    ++skipped_;
}

std::optional<Result<Frame>> SerialDeframer::next() {
    auto bytes = buffer_.unread();
    const auto start = std::find(bytes.begin(), bytes.end(), kSerialStartByte);
    const auto garbage = static_cast<std::size_t>(start - bytes.begin());
    if (garbage > 0) {
        buffer_.consume(garbage);
        skipped_ += garbage;
        bytes = buffer_.unread();
    }
    if (bytes.size() < 3) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(bytes[1] | (bytes[2] << 8));
    if (length < kRequestHeaderSize || length > kMaxFrameSize) {
        dropStartByte();
        return Result<Frame>(length > kMaxFrameSize ? Error::Oversized : Error::WrongLength);
    }
    const std::size_t total = serialWireSize(length);
    if (bytes.size() < total) return std::nullopt;
    const auto checked = bytes.subspan(1, 2 + length);
    const uint16_t sent = static_cast<uint16_t>(bytes[total - 2] | (bytes[total - 1] << 8));
    if (crc16(checked) != sent) {
        dropStartByte();
        return Result<Frame>(Error::BadCrc);
    }
    // The CRC vouches for the whole frame: even if it does not decode, skip all of it.
    auto result = decodeFrame(bytes.subspan(3, length));
    buffer_.consume(total);
    return result;
}

void SerialDeframer::abandonPartial() {
    auto bytes = buffer_.unread();
    if (!bytes.empty() && bytes[0] == kSerialStartByte) dropStartByte();
}

void SerialDeframer::reset() {
    skipped_ += buffer_.size();
    buffer_.clear();
}

}  // namespace wire
