#pragma once
// What a link asks of the simulator: who answers a frame, and what to do once a controller
// has answered (save its state, restart it).
#include <vector>

#include "platform/wire/Frame.h"
#include "sim/Controller.h"

namespace sim {

struct Routed {
    Controller* answerer = nullptr;  // whose state changed; null when the gateway answered alone
    Outcome outcome;
};

class Router {
  public:
    virtual ~Router() = default;
    // A frame that came in over TCP to `gateway`: itself, a bus station behind it, or
    // "no such station".
    virtual Routed routeTcp(Controller& gateway, const wire::Frame& request,
                            const Caller& caller) = 0;
    // The bus station a serial frame is for; null when nobody answers.
    virtual Controller* serialStation(wire::Address to) = 0;
    // Every station there to answer a serial frame: more than one when stations share the
    // address.
    virtual std::vector<Controller*> serialStations(wire::Address to) = 0;
    // How a serial station answers (the bus head also tells which stations are on the bus).
    virtual Outcome answerOnBus(Controller& station, const wire::Frame& request) = 0;
    // Called after the reply (if any) is queued on its link.
    virtual void settle(Controller& answerer, const Outcome& outcome) = 0;
    // A cold-started controller is away for a moment and answers nothing.
    virtual bool isDown(const Controller& controller) const = 0;
};

}  // namespace sim
