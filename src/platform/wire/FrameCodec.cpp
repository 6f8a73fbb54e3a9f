#include "platform/wire/FrameCodec.h"

#include "platform/wire/Bytes.h"
#include "platform/wire/Command.h"

namespace wire {
namespace {

constexpr uint8_t kReplyBit = 0x01;
constexpr uint8_t kSealedBit = 0x02;
constexpr uint8_t kReservedBits = 0x0C;

}  // namespace

void appendFrame(std::vector<uint8_t>& out, const Frame& frame) {
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>((kProtocolVersion << 4) | (frame.reply ? kReplyBit : 0) |
                                 (frame.sealed ? kSealedBit : 0)));
    w.u8(frame.address.pla);
    w.u8(frame.address.ela);
    w.u8(frame.command);
    w.u16(frame.sequence);
    if (frame.reply) {
        w.u16(frame.code1);
        w.i8(frame.code2);
    }
    w.bytes(frame.payload);
}

Result<std::vector<uint8_t>> encodeFrame(const Frame& frame) {
    if (frameSize(frame) > maxFrameSize(frame)) return Error::Oversized;
    std::vector<uint8_t> out;
    out.reserve(frameSize(frame));
    appendFrame(out, frame);
    return out;
}

Result<Frame> decodeFrame(std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxSealedFrameSize) return Error::Oversized;
    if (bytes.size() < kRequestHeaderSize) return Error::Truncated;
    ByteReader r(bytes);
    const uint8_t control = r.u8();
    if ((control >> 4) != kProtocolVersion || (control & kReservedBits) != 0)
        return Error::BadHeader;
    Frame f;
    f.reply = (control & kReplyBit) != 0;
    f.sealed = (control & kSealedBit) != 0;
    if (bytes.size() > maxFrameSize(f)) return Error::Oversized;
    if (f.reply && bytes.size() < kReplyHeaderSize) return Error::Truncated;
    f.address.pla = r.u8();
    f.address.ela = r.u8();
    f.command = r.u8();
    // Only the sealed-frame command may carry the sealed bit.
    if (f.sealed && f.command != kSealedCommand) return Error::BadHeader;
    f.sequence = r.u16();
    if (f.reply) {
        f.code1 = r.u16();
        f.code2 = r.i8();
    }
    auto rest = r.rest();
    f.payload.assign(rest.begin(), rest.end());
    return f;
}

}  // namespace wire
