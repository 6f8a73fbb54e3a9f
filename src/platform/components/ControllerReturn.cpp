#include "platform/components/ControllerReturn.h"

#include "platform/components/Channel.h"
#include "platform/os/Clock.h"
#include "platform/ui/Screen.h"
#include "platform/wire/Telegram.h"

namespace components {

std::optional<wire::Address> awaitController(const ReturnWait& wait, int32_t link,
                                             const std::vector<wire::Address>& candidates) {
    const auto deadline = wait.clock.now() + wait.limit;
    const auto poll = wire::telegram::buildTelegram(wire::telegram::Poll{});
    do {
        for (const wire::Address& at : candidates) {
            Channel c(wait.links, link, at);
            std::vector<uint8_t> own;
            if (c.telegram(poll, &own) && own.size() == 2) return wire::Address{own[0], own[1]};
            if (wait.clock.now() >= deadline) break;
        }
        wait.screen.processEvents();
        if (wait.clock.now() >= deadline) break;
        wait.clock.sleepFor(wait.pause);
    } while (wait.clock.now() < deadline);
    return std::nullopt;
}

}  // namespace components
