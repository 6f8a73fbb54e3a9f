#pragma once
// What one search heard from one controller: its discovery reply and the address the reply came
// from, which is where the controller is reached. Handed on, it lets another finder list the
// controller without asking the network again.
#include <string>

#include "platform/wire/DiscoveryPayload.h"

namespace components {

struct Sighting {
    wire::DiscoveryReply reply;
    std::string host;
};

}  // namespace components
