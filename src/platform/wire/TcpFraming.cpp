#include "platform/wire/TcpFraming.h"

#include "platform/wire/Bytes.h"
#include "platform/wire/FrameCodec.h"

namespace wire {

Result<std::vector<uint8_t>> encodeTcpFrame(const Frame& frame) {
    const std::size_t size = frameSize(frame);
    if (size > maxFrameSize(frame)) return Error::Oversized;
    std::vector<uint8_t> out;
    out.reserve(kTcpPrefixSize + size);
    ByteWriter(out).u16(static_cast<uint16_t>(size));
    appendFrame(out, frame);
    return out;
}

void TcpFrameDecoder::feed(std::span<const uint8_t> bytes) {
    if (!broken_) buffer_.append(bytes);
}

std::optional<Result<Frame>> TcpFrameDecoder::next() {
    if (broken_) return std::nullopt;
    auto bytes = buffer_.unread();
    if (bytes.size() < kTcpPrefixSize) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(bytes[0] | (bytes[1] << 8));
    // Sealed frames may exceed kMaxFrameSize by their overhead; decodeFrame checks the rest.
    if (length < kRequestHeaderSize || length > kMaxSealedFrameSize) {
        broken_ = true;
        buffer_.clear();
        return Result<Frame>(length > kMaxSealedFrameSize ? Error::Oversized
                                                          : Error::WrongLength);
    }
    if (bytes.size() < kTcpPrefixSize + length) return std::nullopt;
    auto result = decodeFrame(bytes.subspan(kTcpPrefixSize, length));
    buffer_.consume(kTcpPrefixSize + length);
    return result;
}

void TcpFrameDecoder::reset() {
    buffer_.clear();
    broken_ = false;
}

}  // namespace wire
