#pragma once
// How a search reaches the network, from section Link of Kvxmatic.Ini: DiscoveryPort,
// DiscoveryWaitMs and DiscoveryTarget (the broadcast address; loopback in tests and the demo).
// A key that is missing or does not parse keeps its default.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/wire/DiscoveryPayload.h"

namespace components {

struct DiscoverySettings {
    uint16_t port = 48890;
    std::chrono::milliseconds wait{1000};
    wire::Ipv4 target{255, 255, 255, 255};
    int rounds = 4;  // requests per target, spread over the first part of the wait
};

DiscoverySettings readDiscoverySettings(const std::function<std::string(const char*)>& lookup);

}  // namespace components
