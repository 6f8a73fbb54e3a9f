#pragma once
// The communication state beyond the connection: the network password, the finder and
// whether a Port OS upgrade runs. The password is held in memory only, for the searches and
// the handshakes that need it.
#include <memory>
#include <string>

#include "platform/components/finder/ControllerFinder.h"

namespace network {

struct CommState {
    std::string NetworkPassword;
    bool PortOsUpgradeRunning = false;
    std::unique_ptr<components::ControllerFinder> finder;
};

}  // namespace network
