#pragma once
// A wait that keeps the window alive.
#include "platform/Platform.h"

namespace catalogue {

// Waits about `seconds` (between seconds - 0.5 and seconds + 0.5) while processing events.
void WaitSeconds(Platform& platform, double seconds);
// Waits `seconds` from now, not to a whole second, while processing events: a wait that
// parallel loads must not stretch by up to a second each.
void WaitFromNow(Platform& platform, double seconds);

}  // namespace catalogue
