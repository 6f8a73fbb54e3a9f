#include "catalogue/WaitSeconds.h"

#include <chrono>
#include <cmath>

namespace catalogue {
namespace {

// Seconds of a clock that never jumps back, so a wait lasts the same across midnight or a
// change of the wall clock.
double toSeconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

void waitUntil(Platform& platform, double deadline) {
    while (toSeconds(platform.clock.now()) <= deadline) {
        platform.screen.processEvents();
        // Events still flow; the core stays cool.
        platform.clock.sleepFor(std::chrono::milliseconds(10));
    }
}

}  // namespace

void WaitSeconds(Platform& platform, double seconds) {
    // The deadline is a whole second.
    waitUntil(platform, std::round(toSeconds(platform.clock.now()) + seconds));
}

void WaitFromNow(Platform& platform, double seconds) {
    waitUntil(platform, toSeconds(platform.clock.now()) + seconds);
}

}  // namespace catalogue
