#pragma once
// What a bus head or gateway knows of its serial bus: the StationList (0x08) it answers, and
// what the line carries when two stations that share an address answer at once.
#include <cstdint>
#include <vector>

#include "platform/wire/Frame.h"

namespace sim {

// The reply to a StationList request listing `present` (an address twice when two stations
// have it); BadRequest for a request with a payload, TooLarge for a list no frame holds.
wire::Frame stationListReply(const wire::Frame& request, const std::vector<wire::Address>& present);

// Two serial replies sent at the same moment: the line holds the first overlaid with the
// second a few bits behind (a low bit of either sender wins), which no receiver can read.
std::vector<uint8_t> collide(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second);

}  // namespace sim
