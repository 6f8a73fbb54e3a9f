#pragma once
// The one transfer engine behind every image load (programs into partitions, operating
// systems, older controllers' applications, port operating systems, web sites).
//
// It runs on the caller's thread over the link it is given: opens a staged transfer on the
// controller, sends the image as a sliding window of blocks (bytes in flight sized from the
// line's rate and the round trip measured as the blocks are answered) with cumulative acknowledgement, calls `progress` after every
// acknowledged window, and commits with the image's CRC-32. The controller swaps the image in
// only at a commit whose checksum matches; the engine then compares the checksum of what the
// controller stored with its own. After a lost link it reconnects, asks how far the transfer
// got and resumes from there, re-sending at most one window. A cancel (progress returning
// false) or a failure aborts the staged transfer, so the old image stays in effect.
//
// Blocks carry deflate where the controller grants it and the line is slow enough for it to
// pay (BlockSource); offsets, acknowledgements and the checksum stay in image bytes, the
// window counts block data on the line.
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/TransferPayloads.h"

namespace comm {
class LinkAccess;
}
namespace os {
class Clock;
}

namespace transfer {

// Whether a transfer's blocks may travel compressed. Auto asks the controller at the open and
// compresses where the link is slow enough for it to pay (a serial line, a slow TCP path);
// Off sends plain blocks, as to a controller that does not offer compression.
enum class Compression { Auto, Off };

struct Job {
    int32_t link = 0;  // a link handle of the general library
    wire::Address address = wire::kDirectAddress;
    wire::TransferTarget target = wire::TransferTarget::Partition;
    uint8_t partition = 0;  // for TransferTarget::Partition
    uint16_t model = 0;     // the image's model; 0 = any
    std::string name;       // code page 850, at most 255 bytes
    std::span<const uint8_t> image;  // stays valid for the whole run
    // The image file's signed head and the product's signature over head and image: the
    // controller checks them at the commit, before the image takes effect.
    std::vector<uint8_t> signedHead;
    std::span<const uint8_t> signature;  // stays valid for the whole run
    // Stage every byte, then stop short of the commit: Result::transfer names the staged
    // transfer, which the caller commits or aborts later (an operating-system upgrade commits
    // only after the application was stopped).
    bool holdCommit = false;
    // Called once every byte is staged, right before the commit: the caller stops what runs
    // there (the controller serves that while the transfer waits for its commit).
    std::function<void()> beforeCommit;
    Compression compression = Compression::Auto;
};

struct Progress {
    uint64_t acknowledged = 0;  // image bytes the controller has staged
    uint64_t total = 0;
    std::size_t window = 0;  // block bytes the engine keeps in flight now
    double fraction() const { return total == 0 ? 1.0 : double(acknowledged) / double(total); }
};
// Called on the caller's thread after each acknowledged window; false cancels the transfer.
using ProgressCallback = std::function<bool(const Progress&)>;

enum class Ending {
    Completed,  // committed, and the controller's checksum of the stored image matches
    Cancelled,  // the progress callback asked to stop; the staged image was dropped
    Failed,     // see `code1` and `message`; the controller keeps its old image
};
const char* endingName(Ending ending);

struct Result {
    Ending ending = Ending::Failed;
    // The controller's reply code for a refusal (wire::ReplyCode), a link-local code
    // (TimedOut, LinkLost, NotStarted, BadReply) when the link gave up, or Ok.
    uint16_t code1 = 0;
    std::string message;          // for the user, empty when completed
    uint32_t storedChecksum = 0;  // what the controller reported at commit
    uint32_t transfer = 0;        // the staged transfer, when Job::holdCommit held it
    // Figures for tests and benchmarks.
    uint64_t bytesSent = 0;    // block data put on the line, re-sent bytes included
    // Of those, bytes sent again after a loss or a resume (of a compressed block, the share
    // that stands for image bytes sent before).
    uint64_t bytesResent = 0;
    uint32_t resumes = 0;    // reconnections after a lost link
    uint32_t compressedBlocks = 0;  // blocks that went as deflate, re-sent ones included
    // From the open to the end: the image's size over this is the load's effective rate.
    std::chrono::steady_clock::duration elapsed{0};
};

struct Tuning {
    // How often a lost link is reopened before the transfer fails.
    uint32_t maxResumes = 8;
    // The window never holds fewer or more block bytes than these.
    std::size_t minWindowBytes = 2 * wire::kMaxBlockData;
    std::size_t maxWindowBytes = 4u << 20;
    // The first round's window on a link that does not know its rate (TCP); a serial line's
    // is sized from its baud rate at once.
    std::size_t firstWindowBytes = 64u << 10;
    // Extra in flight over rate x round trip, for jitter.
    double windowHeadroom = 2.0;
    // How often, at least, the window drains for a moment to measure the path's round trip
    // afresh (it would not see a quicker path otherwise); never more often than every hundred
    // round trips.
    std::chrono::milliseconds roundTripProbeEvery{1000};
    // Time and the waits between reconnections; the steady clock when null.
    os::Clock* clock = nullptr;
    // How long the engine keeps trying to reach a controller that went away mid-transfer.
    // A load gives up at most maxResumes x reconnectFor (plus the link's own time-outs) after
    // the controller went away; it then sends a best-effort abort, so the controller is not
    // left busy with a transfer nobody finishes.
    std::chrono::milliseconds reconnectFor{15000};
};

// The commit of `job`'s transfer `id`, carrying its signature when it has one.
wire::TransferCommitRequest commitRequest(const Job& job, uint32_t id, uint32_t checksum);

class TransferEngine {
  public:
    explicit TransferEngine(comm::LinkAccess& links, Tuning tuning = {});

    // Runs the whole transfer; returns when it has completed, was cancelled or failed. Every
    // exchange it makes ends by the link's time-outs, so this always returns.
    Result run(const Job& job, const ProgressCallback& progress);

  private:
    comm::LinkAccess& links_;
    Tuning tuning_;
};

}  // namespace transfer
