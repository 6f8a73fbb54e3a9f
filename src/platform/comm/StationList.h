#pragma once
// What the head of a link's bus (the serial bus head, or the gateway on TCP) last said is on
// its bus. It lets a presence probe of an absent station fail at once instead of costing a
// round trip or, on a serial bus, a whole answer time-out.
#include <chrono>
#include <map>

#include "platform/comm/Exchange.h"
#include "platform/wire/Frame.h"

namespace comm {

class StationList {
  public:
    using Clock = std::chrono::steady_clock;
    // A list (or a head's refusal to give one) is asked again after this long.
    static constexpr std::chrono::seconds kRefresh{3};

    enum class Verdict {
        Poll,       // on the list, or the direct address: ask the station
        PollShort,  // no list to go by: ask with a short answer time
        Absent,     // not on the list: nobody would answer
        Clash,      // listed more than once: two stations claim the address
    };

    // True when the list must be fetched before the next probe.
    bool stale(Clock::time_point now) const;
    // Takes how the StationList exchange to the direct address ended. A good list replaces
    // the old one; anything else (an older head's UnknownCommand, a silent head, a bad
    // reply) leaves no list until the next fetch.
    void take(const Outcome& fetched, Clock::time_point now);
    Verdict verdict(wire::Address to) const;
    bool listed() const { return listed_; }

  private:
    bool fetched_ = false;
    bool listed_ = false;
    Clock::time_point fetchedAt_{};
    std::map<wire::Address, int> counts_;
};

}  // namespace comm
