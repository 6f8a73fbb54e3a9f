#include "sim/BusStations.h"

#include <algorithm>

#include "platform/wire/Request.h"
#include "platform/wire/StationListPayload.h"

namespace sim {

wire::Frame stationListReply(const wire::Frame& request,
                             const std::vector<wire::Address>& present) {
    if (!request.payload.empty())
        return wire::makeReplyFrame(request, wire::ReplyCode::BadRequest);
    auto payload = wire::encodePayload(wire::StationListReply{present});
    if (!payload) return wire::makeReplyFrame(request, wire::ReplyCode::TooLarge);
    return wire::makeReplyFrame(request, wire::ReplyCode::Ok, 0, std::move(payload).value());
}

std::vector<uint8_t> collide(const std::vector<uint8_t>& first,
                             const std::vector<uint8_t>& second) {
    // The second sender starts half a character late: its bits land shifted by four.
    constexpr int kShift = 4;
    const std::size_t size = std::max(first.size(), second.size() + 1);
    std::vector<uint8_t> line(size, 0xFF);  // an idle line reads as ones
    for (std::size_t i = 0; i < first.size(); ++i) line[i] = first[i];
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned low = i < second.size() ? second[i] : 0xFF;
        const unsigned high = i > 0 && i - 1 < second.size() ? second[i - 1] : 0xFF;
        line[i] &= static_cast<uint8_t>((low << kShift) | (high >> (8 - kShift)));
    }
    return line;
}

}  // namespace sim
