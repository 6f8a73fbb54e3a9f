#include "platform/wire/TransferPayloads.h"

#include "platform/wire/Bytes.h"

namespace wire {
namespace {

// A fixed-size payload: Truncated when short, WrongLength when longer.
Result<ByteReader> exactly(std::span<const uint8_t> payload, std::size_t size) {
    if (payload.size() < size) return Error::Truncated;
    if (payload.size() > size) return Error::WrongLength;
    return ByteReader(payload);
}

std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    for (uint32_t v : values) w.u32(v);
    return out;
}

}  // namespace

bool isTransferTarget(uint8_t value) { return value >= 1 && value <= 5; }

const char* transferTargetName(TransferTarget target) {
    switch (target) {
        case TransferTarget::Partition:
            return "partition";
        case TransferTarget::OperatingSystem:
            return "operating system";
        case TransferTarget::LegacyApplication:
            return "application";
        case TransferTarget::PortOs:
            return "TCP/IP port operating system";
        case TransferTarget::OptionImage:
            return "option image";
    }
    return "unknown target";
}

Result<std::vector<uint8_t>> encodePayload(const TransferOpenRequest& request) {
    if (!isTransferTarget(static_cast<uint8_t>(request.target)) ||
        request.name.size() > kMaxTransferName)
        return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(request.target));
    w.u8(request.partition);
    w.u32(request.totalSize);
    w.u16(request.model);
    w.u8(static_cast<uint8_t>(request.name.size()));
    w.text(request.name);
    if (request.compression != 0 || request.windowLog != 0) {
        w.u8(request.compression);
        w.u8(request.windowLog);
    }
    return out;
}

Result<TransferOpenRequest> decodeTransferOpenRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    TransferOpenRequest o;
    const uint8_t target = r.u8();
    o.partition = r.u8();
    o.totalSize = r.u32();
    o.model = r.u16();
    const uint8_t length = r.u8();
    o.name = r.text(length);
    if (r.failed()) return Error::Truncated;
    if (!r.atEnd()) {
        // A host that asks for compressed blocks adds the method and its window.
        o.compression = r.u8();
        o.windowLog = r.u8();
        if (r.failed()) return Error::Truncated;
        if (!r.atEnd()) return Error::WrongLength;
    }
    if (!isTransferTarget(target)) return Error::BadValue;
    o.target = static_cast<TransferTarget>(target);
    return o;
}

Result<std::vector<uint8_t>> encodePayload(const TransferOpenReply& reply) {
    if (reply.maxBlock == 0 || reply.maxBlock > kMaxBlockData) return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u32(reply.transfer);
    w.u16(reply.maxBlock);
    if (reply.compression != Compression::None) {
        if (reply.compression != Compression::Deflate || reply.windowLog < kMinWindowLog ||
            reply.windowLog > kMaxWindowLog)
            return Error::BadValue;
        w.u8(static_cast<uint8_t>(reply.compression));
        w.u8(reply.windowLog);
    }
    return out;
}

Result<TransferOpenReply> decodeTransferOpenReply(std::span<const uint8_t> payload) {
    if (payload.size() != 6 && payload.size() != 8)
        return payload.size() < 6 ? Error::Truncated : Error::WrongLength;
    ByteReader r(payload);
    TransferOpenReply o;
    o.transfer = r.u32();
    o.maxBlock = r.u16();
    if (o.maxBlock == 0 || o.maxBlock > kMaxBlockData) return Error::BadValue;
    if (payload.size() == 8) {
        const uint8_t method = r.u8();
        o.windowLog = r.u8();
        // Granted compression is always one the host knows, with a window it can keep to.
        if (method != static_cast<uint8_t>(Compression::Deflate) || o.windowLog < kMinWindowLog ||
            o.windowLog > kMaxWindowLog)
            return Error::BadValue;
        o.compression = Compression::Deflate;
    }
    return o;
}

Result<std::vector<uint8_t>> encodePayload(const TransferBlockRequest& request) {
    if (request.data.empty() || request.data.size() > kMaxBlockData) return Error::BadValue;
    std::vector<uint8_t> out = words({request.transfer, request.offset});
    out.insert(out.end(), request.data.begin(), request.data.end());
    return out;
}

Result<TransferBlockRequest> decodeTransferBlockRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    TransferBlockRequest b;
    b.transfer = r.u32();
    b.offset = r.u32();
    if (r.failed()) return Error::Truncated;
    auto rest = r.rest();
    if (rest.empty()) return Error::Truncated;
    if (rest.size() > kMaxBlockData) return Error::Oversized;
    b.data.assign(rest.begin(), rest.end());
    return b;
}

Result<std::vector<uint8_t>> encodeBlockData(const BlockData& data) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(data.form));
    if (data.form == BlockForm::Plain) {
        if (data.bytes.empty() || data.bytes.size() > kMaxPlainInCompressed) return Error::BadValue;
    } else if (data.form == BlockForm::Deflate) {
        if (data.imageBytes == 0 || data.bytes.empty() || data.bytes.size() > kMaxDeflateInBlock)
            return Error::BadValue;
        w.u16(data.imageBytes);
    } else {
        return Error::BadValue;
    }
    w.bytes(data.bytes);
    return out;
}

Result<BlockData> decodeBlockData(std::span<const uint8_t> data) {
    ByteReader r(data);
    BlockData b;
    const uint8_t form = r.u8();
    if (r.failed()) return Error::Truncated;
    if (form == static_cast<uint8_t>(BlockForm::Deflate)) {
        b.form = BlockForm::Deflate;
        b.imageBytes = r.u16();
        if (r.failed()) return Error::Truncated;
        if (b.imageBytes == 0) return Error::BadValue;
    } else if (form != static_cast<uint8_t>(BlockForm::Plain)) {
        return Error::BadValue;
    }
    auto rest = r.rest();
    if (rest.empty()) return Error::Truncated;
    b.bytes.assign(rest.begin(), rest.end());
    return b;
}

Result<std::vector<uint8_t>> encodePayload(const TransferBlockReply& reply) {
    return words({reply.received});
}

Result<TransferBlockReply> decodeTransferBlockReply(std::span<const uint8_t> payload) {
    auto r = exactly(payload, 4);
    if (!r) return r.error();
    return TransferBlockReply{r->u32()};
}

Result<std::vector<uint8_t>> encodePayload(const TransferCommitRequest& request) {
    std::vector<uint8_t> out = words({request.transfer, request.checksum});
    if (request.head.empty() && request.signature.empty()) return out;
    if (request.head.empty() || request.head.size() > kMaxSignedHead ||
        request.signature.size() != kCommitSignatureSize)
        return Error::BadValue;
    ByteWriter w(out);
    w.u16(static_cast<uint16_t>(request.head.size()));
    w.bytes(request.head);
    w.bytes(request.signature);
    return out;
}

Result<TransferCommitRequest> decodeTransferCommitRequest(std::span<const uint8_t> payload) {
    if (payload.size() < 8) return Error::Truncated;
    ByteReader r(payload);
    TransferCommitRequest c;
    c.transfer = r.u32();
    c.checksum = r.u32();
    if (r.atEnd()) return c;
    const uint16_t headSize = r.u16();
    if (r.failed()) return Error::Truncated;
    if (headSize == 0 || headSize > kMaxSignedHead) return Error::BadValue;
    const auto head = r.bytes(headSize);
    const auto signature = r.bytes(kCommitSignatureSize);
    if (r.failed()) return Error::Truncated;
    if (!r.atEnd()) return Error::WrongLength;
    c.head.assign(head.begin(), head.end());
    c.signature.assign(signature.begin(), signature.end());
    return c;
}

Result<std::vector<uint8_t>> encodePayload(const TransferCommitReply& reply) {
    return words({reply.storedChecksum});
}

Result<TransferCommitReply> decodeTransferCommitReply(std::span<const uint8_t> payload) {
    auto r = exactly(payload, 4);
    if (!r) return r.error();
    return TransferCommitReply{r->u32()};
}

Result<std::vector<uint8_t>> encodePayload(const TransferAbortRequest& request) {
    return words({request.transfer});
}

Result<TransferAbortRequest> decodeTransferAbortRequest(std::span<const uint8_t> payload) {
    auto r = exactly(payload, 4);
    if (!r) return r.error();
    return TransferAbortRequest{r->u32()};
}

Result<std::vector<uint8_t>> encodePayload(const TransferStatusRequest& request) {
    return words({request.transfer});
}

Result<TransferStatusRequest> decodeTransferStatusRequest(std::span<const uint8_t> payload) {
    auto r = exactly(payload, 4);
    if (!r) return r.error();
    return TransferStatusRequest{r->u32()};
}

Result<std::vector<uint8_t>> encodePayload(const TransferStatusReply& reply) {
    if (reply.state != TransferState::Receiving && reply.state != TransferState::Committed)
        return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(reply.state));
    w.u32(reply.received);
    w.u32(reply.totalSize);
    w.u32(reply.storedChecksum);
    return out;
}

Result<TransferStatusReply> decodeTransferStatusReply(std::span<const uint8_t> payload) {
    auto r = exactly(payload, 13);
    if (!r) return r.error();
    const uint8_t state = r->u8();
    TransferStatusReply s;
    s.received = r->u32();
    s.totalSize = r->u32();
    s.storedChecksum = r->u32();
    if (state > 1) return Error::BadValue;
    s.state = static_cast<TransferState>(state);
    return s;
}

Result<std::vector<uint8_t>> encodePayload(const TransferReadRequest& request) {
    if (!isTransferTarget(static_cast<uint8_t>(request.target)) ||
        static_cast<uint8_t>(request.part) > 1 || request.length > kMaxReadData)
        return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(request.target));
    w.u8(static_cast<uint8_t>(request.part));
    w.u32(request.offset);
    w.u16(request.length);
    return out;
}

Result<TransferReadRequest> decodeTransferReadRequest(std::span<const uint8_t> payload) {
    auto r = exactly(payload, 8);
    if (!r) return r.error();
    const uint8_t target = r->u8();
    const uint8_t part = r->u8();
    TransferReadRequest q;
    q.offset = r->u32();
    q.length = r->u16();
    if (!isTransferTarget(target) || part > 1 || q.length > kMaxReadData) return Error::BadValue;
    q.target = static_cast<TransferTarget>(target);
    q.part = static_cast<ReadPart>(part);
    return q;
}

Result<std::vector<uint8_t>> encodePayload(const TransferReadReply& reply) {
    if (static_cast<uint8_t>(reply.state) > 2 || reply.data.size() > kMaxReadData ||
        reply.data.size() > reply.totalSize)
        return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(reply.state));
    w.u32(reply.totalSize);
    w.u32(reply.checksum);
    w.bytes(reply.data);
    return out;
}

Result<TransferReadReply> decodeTransferReadReply(std::span<const uint8_t> payload) {
    if (payload.size() < 9) return Error::Truncated;
    if (payload.size() > 9 + kMaxReadData) return Error::Oversized;
    ByteReader r(payload);
    const uint8_t state = r.u8();
    TransferReadReply p;
    p.totalSize = r.u32();
    p.checksum = r.u32();
    const auto data = r.rest();
    if (state > 2 || data.size() > p.totalSize) return Error::BadValue;
    p.state = static_cast<ApplicationState>(state);
    p.data.assign(data.begin(), data.end());
    return p;
}

}  // namespace wire
