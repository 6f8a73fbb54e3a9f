#include "platform/wire/StationListPayload.h"

#include "platform/wire/Bytes.h"

namespace wire {

Result<std::vector<uint8_t>> encodePayload(const StationListReply& reply) {
    if (reply.stations.size() > kMaxListedStations) return Error::Oversized;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u16(static_cast<uint16_t>(reply.stations.size()));
    for (const Address& a : reply.stations) {
        w.u8(a.pla);
        w.u8(a.ela);
    }
    return out;
}

Result<StationListReply> decodeStationListReply(std::span<const uint8_t> payload) {
    ByteReader r(payload);
    const std::size_t count = r.u16();
    if (r.failed()) return Error::Truncated;
    if (count > kMaxListedStations) return Error::Oversized;
    if (r.remaining() != count * 2) return Error::WrongLength;
    StationListReply reply;
    reply.stations.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t pla = r.u8();
        const uint8_t ela = r.u8();
        reply.stations.push_back({pla, ela});
    }
    return reply;
}

}  // namespace wire
