#include "catalogue/WaitSeconds.h"

#include <chrono>
#include <cmath>

namespace catalogue {

void WaitSeconds(Platform& platform, double seconds) {
    using namespace std::chrono;
    // The deadline is a whole second of a clock that never jumps back, so the wait lasts the
    // same across midnight or a change of the wall clock.
    const auto toSeconds = [](steady_clock::time_point t) {
        return duration<double>(t.time_since_epoch()).count();
    };
    const double deadline = std::round(toSeconds(platform.clock.now()) + seconds);
    while (toSeconds(platform.clock.now()) <= deadline) {
        platform.screen.processEvents();
        platform.clock.sleepFor(milliseconds(10));  // events still flow; the core stays cool
    }
}

}  // namespace catalogue
