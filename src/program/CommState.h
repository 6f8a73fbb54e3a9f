#pragma once
// The communication state beyond the connection: the network password, the finder and
// whether a Port OS upgrade runs. The password is held in memory only, for the searches and
// the handshakes that need it.
#include <memory>
#include <string>

#include "platform/components/finder/ControllerFinder.h"
#include "platform/secure/Sodium.h"

namespace network {

struct CommState {
    // In a wiped buffer: the one copy in the program, which the finder and links share.
    secure::Secret NetworkPassword;
    // The controller the password was typed for at the prompt; empty: given for whichever
    // controller is chosen (a command line's or a site run's password).
    std::string NetworkPasswordFor;
    bool PortOsUpgradeRunning = false;
    std::unique_ptr<components::ControllerFinder> finder;
};

}  // namespace network
