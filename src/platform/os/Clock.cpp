#include "platform/os/Clock.h"

#include <thread>

namespace os {

std::chrono::steady_clock::time_point SteadyClock::now() const {
    return std::chrono::steady_clock::now();
}

void SteadyClock::sleepFor(std::chrono::milliseconds span) { std::this_thread::sleep_for(span); }

}  // namespace os
