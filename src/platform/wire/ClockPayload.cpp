#include "platform/wire/ClockPayload.h"

#include "platform/wire/Bytes.h"

namespace wire {
namespace {

constexpr std::size_t kClockPayloadSize = 9;

bool inRange(const SetClockRequest& c) {
    return c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= 31 && c.hour <= 23 &&
           c.minute <= 59 && c.second <= 59 && c.weekday >= 1 && c.weekday <= 7;
}

}  // namespace

Result<std::vector<uint8_t>> encodePayload(const SetClockRequest& request) {
    if (!inRange(request)) return Error::BadValue;
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(request.file);
    w.u16(request.year);
    for (uint8_t v : {request.month, request.day, request.hour, request.minute, request.second,
                      request.weekday})
        w.u8(v);
    return out;
}

Result<SetClockRequest> decodeSetClockRequest(std::span<const uint8_t> payload) {
    if (payload.size() < kClockPayloadSize) return Error::Truncated;
    if (payload.size() > kClockPayloadSize) return Error::WrongLength;
    ByteReader r(payload);
    SetClockRequest c;
    c.file = r.u8();
    c.year = r.u16();
    c.month = r.u8();
    c.day = r.u8();
    c.hour = r.u8();
    c.minute = r.u8();
    c.second = r.u8();
    c.weekday = r.u8();
    if (!inRange(c)) return Error::BadValue;
    return c;
}

}  // namespace wire
