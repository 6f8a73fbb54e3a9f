#pragma once
// Whether a request reads or writes a variable that holds or guards the controller's secrets
// (alone or in a batch). Once the controller has a network password only the authenticated
// host may: otherwise anyone on the network could set a password of their own and lock the
// owner out.
#include "platform/wire/Frame.h"

namespace sim {

bool touchesSecrets(const wire::Frame& request);

}  // namespace sim
