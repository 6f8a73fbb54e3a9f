#pragma once
// Waiting for a controller that restarts (after an operating-system upgrade): it is polled at
// each address it may come back at until one answers or the limit passes. Window events are
// processed between polls, so the window stays alive; the limit bounds the whole wait.
#include <chrono>
#include <optional>
#include <vector>

#include "platform/wire/Frame.h"

namespace comm {
class LinkAccess;
}
namespace os {
class Clock;
}
namespace ui {
class Screen;
}

namespace components {

struct ReturnWait {
    comm::LinkAccess& links;
    os::Clock& clock;
    ui::Screen& screen;
    std::chrono::milliseconds limit;
    std::chrono::milliseconds pause{200};  // between rounds of polls
};

// The controller's own address as its poll reply gives it, or nullopt when none of
// `candidates` answered within the limit.
std::optional<wire::Address> awaitController(const ReturnWait& wait, int32_t link,
                                             const std::vector<wire::Address>& candidates);

}  // namespace components
