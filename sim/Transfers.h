#pragma once
// The image transfers of one controller: a staging area that takes blocks, and the commit
// that makes a verified image take effect (a partition's program, the operating system, an
// older controller's application). Nothing staged touches the controller's state until the
// commit; a restart drops the staging area.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Request.h"

namespace sim {

struct ControllerConfig;
struct ControllerState;
struct Outcome;
struct FaultSettings;

// Where the simulator keeps the checksum of what a load put in place (simulator extensions,
// readable like any other value): a partition's attribute, and two long integers.
constexpr uint16_t kImageChecksumAttribute = 1000;
constexpr uint16_t kImageFile = 900;
constexpr int32_t kApplicationChecksumIndex = 0;
constexpr int32_t kOsChecksumIndex = 1;

class Transfers {
  public:
    using Clock = std::chrono::steady_clock;

    // True while a transfer is open: partition changes and activation answer Busy.
    bool isOpen(Clock::time_point now = Clock::now());
    // True while an open transfer still waits for bytes. One whose every byte is staged only
    // waits for its commit: an older controller's application may be stopped and cleared
    // before it.
    bool receiving(Clock::time_point now = Clock::now());
    // The controller restarted: whatever was staged is gone.
    void restart() { staged_.reset(); }

    // One transfer request (0x20..0x24).
    Outcome handle(const wire::Frame& frame, const wire::Request& request,
                   ControllerState& state, const ControllerConfig& config,
                   FaultSettings& faults);

  private:
    struct Staged {
        uint32_t id = 0;
        wire::TransferOpenRequest open;
        std::vector<uint8_t> bytes;  // received without a gap from offset 0
        Clock::time_point lastHeard{};
    };
    struct Committed {
        uint32_t id = 0;
        uint32_t size = 0;
        uint32_t checksum = 0;
    };
    Outcome open(const wire::Frame& frame, const wire::TransferOpenRequest& r,
                 ControllerState& state, const ControllerConfig& config);
    Outcome block(const wire::Frame& frame, const wire::TransferBlockRequest& r,
                  FaultSettings& faults);
    Outcome commit(const wire::Frame& frame, const wire::TransferCommitRequest& r,
                   ControllerState& state, FaultSettings& faults);
    Outcome status(const wire::Frame& frame, const wire::TransferStatusRequest& r);
    // The extra time a reply waits for the flash: writes queue behind each other.
    std::chrono::milliseconds flashDelay(uint32_t writeMs);

    std::optional<Staged> staged_;
    std::optional<Committed> last_;
    uint32_t nextId_ = 1;
    Clock::time_point flashFree_{};
    std::chrono::milliseconds idle_{60000};  // the controller's transfer_idle_ms, as last seen
};

}  // namespace sim
