#pragma once
// The image transfers of one controller: a staging area that takes blocks, and the commit
// that makes a verified image take effect (a partition's program, the operating system, an
// older controller's application). Nothing staged touches the controller's state until the
// commit; a restart drops the staging area.
#include <chrono>
#include <cstdint>
#include <functional>
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

// Who sent a request: the connection (0 for the serial bus, which is always there) and
// whether it came inside a password-protected session.
struct Caller {
    uint64_t session = 0;
    bool sealed = false;
};

// Where the simulator keeps the checksum of what a load put in place (simulator extensions,
// readable like any other value): a partition's attribute, and two long integers.
constexpr uint16_t kImageChecksumAttribute = 1000;
constexpr uint16_t kImageFile = 900;
constexpr int32_t kApplicationChecksumIndex = 0;
constexpr int32_t kOsChecksumIndex = 1;

class Transfers {
  public:
    using Clock = std::chrono::steady_clock;

    // True while a transfer is open: a second open and partition changes answer Busy.
    bool isOpen(Clock::time_point now = Clock::now());
    // Activation and application control answer Busy while bytes are still arriving. Once
    // every byte is staged and the commit is awaited, the running program may be stopped
    // (and started again) around the commit; only the staged partition itself stays
    // unavailable, so a commit never replaces the program that runs.
    bool blocksActivation(uint8_t partition, Clock::time_point now = Clock::now());
    bool blocksApplicationControl(Clock::time_point now = Clock::now());
    // The controller restarted: whatever was staged is gone.
    void restart() { staged_.reset(); }

    // One transfer request (0x20..0x24). A staged transfer belongs to the connection that
    // opened it; another one gets NotFound for it, unless the owner's connection is gone and
    // it names the transfer's (random) id to resume it, inside a protected session when the
    // owner had one.
    Outcome handle(const wire::Frame& frame, const wire::Request& request, ControllerState& state,
                   const ControllerConfig& config, FaultSettings& faults,
                   const Caller& caller = {});

    // Transfers opened and commits refused for their signature since the start: what the
    // control socket's `transfers` reports, so a test can tell that nothing was even tried.
    uint32_t opened() const { return opened_; }
    uint32_t badSignatures() const { return badSignatures_; }
    // Blocks taken since the start, deflated and plain (a plain transfer's count as plain),
    // and the most memory one block's inflater held.
    uint32_t compressedBlocks() const { return compressedBlocks_; }
    uint32_t plainBlocks() const { return plainBlocks_; }
    std::size_t inflatePeak() const { return inflatePeak_; }
    // The memory the staging area holds: it grows with the bytes that arrive, never with the
    // size an open claims.
    std::size_t stagingCapacity() const { return staged_ ? staged_->bytes.capacity() : 0; }

    // Whether a connection is still there; the link sets it (no answer: still there).
    std::function<bool(uint64_t session)> sessionOpen;

  private:
    struct Staged {
        uint32_t id = 0;
        wire::TransferOpenRequest open;
        uint8_t windowLog = 0;       // granted for deflated blocks; 0: plain blocks only
        std::vector<uint8_t> bytes;  // received without a gap from offset 0
        uint32_t crc = 0;            // of `bytes`, summed as they arrive
        Clock::time_point lastHeard{};
        Caller owner;
    };
    struct Committed {
        uint32_t id = 0;
        uint32_t size = 0;
        uint32_t checksum = 0;
        Caller owner;
    };
    // Whether `caller` may touch what `owner` opened; a caller resuming after its connection
    // was lost becomes the owner.
    bool mayUse(Caller& owner, const Caller& caller);
    Outcome open(const wire::Frame& frame, const wire::TransferOpenRequest& r,
                 ControllerState& state, const ControllerConfig& config);
    Outcome block(const wire::Frame& frame, const wire::TransferBlockRequest& r,
                  FaultSettings& faults);
    Outcome commit(const wire::Frame& frame, const wire::TransferCommitRequest& r,
                   ControllerState& state, const ControllerConfig& config, FaultSettings& faults);
    Outcome status(const wire::Frame& frame, const wire::TransferStatusRequest& r,
                   const Caller& caller);
    // The extra time a reply waits for the flash: writes queue behind each other.
    std::chrono::milliseconds flashDelay(uint32_t writeMs);

    std::optional<Staged> staged_;
    std::optional<Committed> last_;
    uint32_t opened_ = 0;
    uint32_t badSignatures_ = 0;
    uint32_t compressedBlocks_ = 0;
    uint32_t plainBlocks_ = 0;
    std::size_t inflatePeak_ = 0;
    Clock::time_point flashFree_{};
    std::chrono::milliseconds idle_{60000};  // the controller's transfer_idle_ms, as last seen
};

}  // namespace sim
