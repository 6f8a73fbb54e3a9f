#pragma once
// Fault knobs of one controller: what the reliability tests make a link do wrong. Set from the
// network file and, at run time, from the control socket.
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sim {

struct FaultSettings {
    uint32_t latencyMs = 0;        // added before every reply
    uint32_t rateBps = 0;          // link rate limit in bits per second (10 bits a byte); 0 = none
    uint32_t dropReply = 0;        // drop the N-th reply from now (once); 0 = none
    uint32_t closeAfterBytes = 0;  // close the link after N more reply bytes (once); 0 = none
    bool garbage = false;          // answer bytes that are no frame
    // Transfers and restarts (TransferFaults.cpp).
    uint32_t cutAfterRequestBytes = 0;  // cut the link after N more request bytes (once)
    uint32_t requestRateBps = 0;        // TCP: requests take their time to arrive; 0 = none
    bool corruptCommit = false;         // a commit stores the image with one byte changed
    bool corruptSilently = false;       // the same, but answering the checksum it was sent
    bool refuseCommit = false;          // a commit is refused (Refused)
    bool keepOsVersion = false;         // an OS commit restarts into the version it had
    uint32_t restartAfterBlocks = 0;    // restart at the N-th transfer block from now (once)
    uint32_t flashWriteMs = 0;          // every staged block and commit waits N ms for flash
    uint32_t restartMs = 500;           // how long a restart keeps the controller away
    uint32_t transferIdleMs = 60000;    // an open transfer nobody talks to is dropped
    // Reads of these variables (file, index) are answered Busy; writes go through.
    std::vector<std::pair<uint16_t, int32_t>> busyReads;

    bool readIsBusy(uint16_t file, int32_t index) const {
        for (const auto& [f, i] : busyReads)
            if (f == file && i == index) return true;
        return false;
    }

    // Programs of a KVXreal C controller.
    uint32_t trialMs = 30000;  // longest trial granted; 0: the controller knows no trial
    bool startFails = false;   // a program activated or started from now on does not start
    uint32_t startMs = 0;      // a program activated or started takes this long to run
};

// The transfer knobs of setFault; false with `error` empty when `knob` is none of them.
bool setTransferFault(FaultSettings& faults, const std::string& knob, uint32_t number,
                      std::string& error);

// Knob names of the control socket: latency_ms, rate_bps, drop_reply, close_after_bytes,
// garbage, busy_read (FILE.INDEX, one more variable each time). False (and `error` set) for an unknown knob or a bad number.
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
        requestBytes_ = 0;
    }
    ReplyPlan plan(std::vector<uint8_t> reply);
    // How many of `count` request bytes arriving now get through before the link is cut;
    // `cut` is set when the cut falls within them (the knob is then spent).
    std::size_t admitRequestBytes(std::size_t count, bool& cut);
    // When a request of `bytes` that arrives now has crossed a rate-limited link.
    std::chrono::steady_clock::time_point requestArrival(std::size_t bytes);

  private:
    uint32_t replies_ = 0;
    uint64_t bytes_ = 0;
    uint32_t noise_ = 0x2545F491;
    uint64_t requestBytes_ = 0;
    std::chrono::steady_clock::time_point requestLineFree_{};
};

}  // namespace sim
