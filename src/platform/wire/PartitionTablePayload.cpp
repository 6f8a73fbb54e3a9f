#include "platform/wire/PartitionTablePayload.h"

#include "platform/wire/Bytes.h"

namespace wire {

namespace {

bool validAction(uint8_t a) {
    return a == uint8_t(PartitionAction::Create) || a == uint8_t(PartitionAction::Remove);
}

}  // namespace

Result<std::vector<uint8_t>> encodePayload(const PartitionTableRequest& request) {
    if (request.changes.empty() || request.changes.size() > kMaxPartitionChanges)
        return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(static_cast<uint8_t>(request.changes.size()));
    for (const PartitionChange& c : request.changes) {
        if (!validAction(uint8_t(c.action))) return Error::BadValue;
        w.u8(uint8_t(c.action));
        w.u8(c.partition);
        if (c.action != PartitionAction::Create) continue;
        if (c.name.size() > kMaxPartitionName) return Error::BadValue;
        w.u8(c.kind);
        w.u8(c.type);
        w.u32(c.maxSize);
        w.u8(static_cast<uint8_t>(c.name.size()));
        w.text(c.name);
    }
    return out;
}

Result<PartitionTableRequest> decodePartitionTableRequest(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    const uint8_t count = r.u8();
    if (r.failed()) return Error::Truncated;
    if (count == 0 || count > kMaxPartitionChanges) return Error::BadValue;
    PartitionTableRequest request;
    for (uint8_t i = 0; i < count; ++i) {
        PartitionChange c;
        const uint8_t action = r.u8();
        c.partition = r.u8();
        if (r.failed()) return Error::Truncated;
        if (!validAction(action)) return Error::BadValue;
        c.action = PartitionAction(action);
        if (c.action == PartitionAction::Create) {
            c.kind = r.u8();
            c.type = r.u8();
            c.maxSize = r.u32();
            const uint8_t length = r.u8();
            if (r.failed()) return Error::Truncated;
            if (length > kMaxPartitionName) return Error::BadValue;
            c.name = r.text(length);
            if (r.failed()) return Error::Truncated;
        } else {
            c.kind = 0;  // a remove carries none of the create's fields
            c.type = 0;
        }
        request.changes.push_back(std::move(c));
    }
    if (!r.atEnd()) return Error::WrongLength;
    return request;
}

Result<std::vector<uint8_t>> encodePayload(const ApplicationControlRequest& request) {
    const uint8_t a = uint8_t(request.action);
    if (a < 1 || a > 3) return Error::BadValue;
    return std::vector<uint8_t>{a};
}

Result<ApplicationControlRequest> decodeApplicationControlRequest(
    std::span<const uint8_t> payload) {
    if (payload.empty()) return Error::Truncated;
    if (payload.size() != 1) return Error::WrongLength;
    if (payload[0] < 1 || payload[0] > 3) return Error::BadValue;
    return ApplicationControlRequest{ApplicationAction(payload[0])};
}

}  // namespace wire
