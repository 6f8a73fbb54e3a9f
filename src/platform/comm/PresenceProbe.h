#pragma once
// Presence probes: poll telegrams sent with option 1, which a scan of a bus sends to every
// address and which mostly go unanswered. They are checked against the station list of the
// link's bus head; every other request goes to the link as it is.
#include <chrono>
#include <memory>

#include "platform/comm/ExchangeEngine.h"

namespace comm {

// How long a probe waits for a station to begin its answer when the bus head gives no list
// (a controller answers within 50 ms).
constexpr std::chrono::milliseconds kProbeAnswerTime{60};

bool isPresenceProbe(const wire::Frame& request);

// Submits `request` on the engine. A presence probe first brings the station list up to date
// (one StationList exchange to the direct address when it is stale), then ends at once for an
// address not on it (NoSuchStation, as a gateway answers) or claimed twice (AddressClash), and
// goes out with a short answer time when the head gives no list.
std::shared_ptr<Exchange> submitRequest(ExchangeEngine& engine, wire::Frame request,
                                        StationList::Clock::time_point now);

}  // namespace comm
