#pragma once
// A wait that keeps the window alive.
#include "platform/Platform.h"

namespace catalogue {

// Waits about `seconds` (between seconds - 0.5 and seconds + 0.5) while processing events.
void WaitSeconds(Platform& platform, double seconds);

}  // namespace catalogue
