#pragma once
// Payload of StationList (0x08), answered by a bus head or gateway at 255:30: the addresses
// at which stations of its bus answer now, its own included.
//
// Request: empty. Reply: count (u16), then per station PLA (u8), ELA (u8). An address listed
// twice has two stations claiming it.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Result.h"

namespace wire {

// As many as a reply frame holds.
constexpr std::size_t kMaxListedStations = 2042;

struct StationListReply {
    std::vector<Address> stations;
    bool operator==(const StationListReply&) const = default;
};

// Oversized for more stations than a reply holds.
Result<std::vector<uint8_t>> encodePayload(const StationListReply& reply);
Result<StationListReply> decodeStationListReply(std::span<const uint8_t> payload);

}  // namespace wire
