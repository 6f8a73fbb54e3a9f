#pragma once
// Fault knobs of one controller: what the reliability tests make a link do wrong. Set from the
// network file and, at run time, from the control socket.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct FaultSettings {
    uint32_t latencyMs = 0;        // added before every reply
    uint32_t rateBps = 0;          // link rate limit in bits per second (10 bits a byte); 0 = none
    uint32_t dropReply = 0;        // drop the N-th reply from now (once); 0 = none
    uint32_t closeAfterBytes = 0;  // close the link after N more reply bytes (once); 0 = none
    bool garbage = false;          // answer bytes that are no frame
};

// Knob names of the control socket: latency_ms, rate_bps, drop_reply, close_after_bytes,
// garbage. False (and `error` set) for an unknown knob or a bad number.
bool setFault(FaultSettings& faults, const std::string& knob, const std::string& value,
              std::string& error);

// What to do with one reply on its way out.
struct ReplyPlan {
    bool drop = false;
    std::vector<uint8_t> bytes;  // what goes on the link
    bool closeAfter = false;     // close (TCP) or stop talking (serial) after these bytes
    std::chrono::milliseconds delay{0};
    uint32_t rateBps = 0;
};

// Counts replies and bytes against the one-shot knobs of one controller.
class FaultState {
  public:
    FaultSettings settings;

    // Arms the one-shot counters afresh: called whenever a knob is set.
    void rearm() {
        replies_ = 0;
        bytes_ = 0;
    }
    ReplyPlan plan(std::vector<uint8_t> reply);

  private:
    uint32_t replies_ = 0;
    uint64_t bytes_ = 0;
    uint32_t noise_ = 0x2545F491;
};

}  // namespace sim
