#include "link/Exchange.h"

#include <chrono>

namespace clink {

void WaitForExchange(Platform& platform, kvxglib::RequestHandle request, bool yield) {
    while (static_cast<int16_t>(platform.glib.ExchangeComplete(request)) == 0) {
        if (yield)
            platform.glib.Yield();
        else
            platform.clock.sleepFor(std::chrono::milliseconds(1));
    }
}

}  // namespace clink
