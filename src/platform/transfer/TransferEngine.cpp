#include "platform/transfer/TransferEngine.h"

#include <algorithm>
#include <cstdint>
#include <deque>

#include "platform/comm/ExchangeEngine.h"
#include "platform/comm/LinkAccess.h"
#include "platform/os/Clock.h"
#include "platform/transfer/BlockSource.h"
#include "platform/transfer/WindowSizer.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/Request.h"

namespace transfer {
namespace {

using Clock = std::chrono::steady_clock;
using wire::ReplyCode;

// What one request-reply came to: Ok with a payload, a refusal, or a link-local ending.
struct Answer {
    uint16_t code1 = wire::code(ReplyCode::NotStarted);
    std::vector<uint8_t> payload;
    std::string why;
    bool ok() const { return code1 == wire::code(ReplyCode::Ok); }
    // The link gave up (time-out, lost, not started): worth reconnecting.
    bool linkFailure() const { return code1 >= 0xFF00; }
};

uint16_t linkLocalCode(comm::Ending ending) {
    switch (ending) {
        case comm::Ending::Reply:
            return wire::code(ReplyCode::Ok);
        case comm::Ending::NotStarted:
            return wire::code(ReplyCode::NotStarted);
        case comm::Ending::TimedOut:
            return wire::code(ReplyCode::TimedOut);
        case comm::Ending::LinkLost:
            return wire::code(ReplyCode::LinkLost);
    }
    return wire::code(ReplyCode::BadReply);
}

Answer answerOf(const comm::Outcome& outcome) {
    Answer a;
    if (outcome.ending != comm::Ending::Reply) {
        a.code1 = linkLocalCode(outcome.ending);
        a.why = outcome.why;
        return a;
    }
    a.code1 = outcome.reply.code1;
    a.payload = outcome.reply.payload;
    if (!a.ok()) a.why = std::string("the controller answered: ") + wire::replyCodeName(a.code1);
    return a;
}

// Closes a pipeline whatever way the transfer leaves it, so the link's worker moves on.
struct PipelineGuard {
    std::shared_ptr<comm::Pipeline> pipeline;
    ~PipelineGuard() {
        if (!pipeline) return;
        pipeline->close();
        while (pipeline->next()) {
        }
    }
};

class Run {
  public:
    Run(comm::ExchangeEngine& link, const Job& job, const Tuning& tuning, os::Clock& clock,
        const ProgressCallback& progress)
        : link_(link), job_(job), tuning_(tuning), clock_(clock), progress_(progress),
          window_(tuning, link.lineBitsPerSecond()), blocks_(job.image, link.lineBitsPerSecond()),
          askCompression_(job.compression == Compression::Auto) {}

    Result go();

  private:
    Answer exchange(const wire::Request& request) {
        return answerOf(link_.run(job_.address, request));
    }
    Result fail(const Answer& a, const std::string& what) {
        result_.ending = Ending::Failed;
        result_.code1 = a.code1;
        result_.message = what + ": " + (a.why.empty() ? wire::replyCodeName(a.code1) : a.why);
        return result_;
    }
    // `again`: after a link failure, so reconnect first.
    bool open(Answer& a, bool again = false);
    // Reconnects and sends `request` until the link carries it or reconnectFor has passed.
    bool askAgain(const wire::Request& request, Answer& a);
    // Sends from `received_` to the end; false when the link failed (`a` says how) or the
    // controller refused a block, or the caller cancelled.
    bool sendAll(Answer& a);
    // After a link failure: reconnect and learn how far the controller got.
    bool resume(Answer& a);
    Result commit();
    void abort() { (void)exchange(wire::TransferAbortRequest{id_}); }
    // Giving up after the link failed: one more try to reach the controller and drop the
    // staging, so it does not answer Busy until its idle time-out.
    Result cancelled() {
        std::string why;
        if (id_ != 0 && link_.connect(why)) abort();
        result_.ending = Ending::Cancelled;
        result_.message = "the load was cancelled";
        return result_;
    }
    Result giveUp(const Answer& a, const std::string& what) {
        std::string why;
        if (id_ != 0 && link_.connect(why)) abort();
        return fail(a, what);
    }
    bool report();
    Clock::time_point now() const { return clock_.now(); }
    void sumUpTo(uint64_t end) {
        if (end <= summed_) return;
        checksum_ = wire::crc32(job_.image.subspan(static_cast<std::size_t>(summed_),
                                                   static_cast<std::size_t>(end - summed_)),
                                checksum_);
        summed_ = end;
    }

    comm::ExchangeEngine& link_;
    const Job& job_;
    const Tuning& tuning_;
    os::Clock& clock_;
    const ProgressCallback& progress_;
    // The image's checksum, summed as the bytes first go out: no pass of its own before the
    // first block.
    uint32_t checksum_ = 0;
    uint64_t summed_ = 0;
    Result result_;
    uint32_t id_ = 0;
    std::size_t maxBlock_ = wire::kMaxBlockData;
    uint64_t received_ = 0;  // the controller's cumulative acknowledgement, in image bytes
    uint64_t sentEver_ = 0;  // the highest offset ever put on the line
    bool committed_ = false;
    bool cancelled_ = false;
    WindowSizer window_;
    std::size_t windowBytes_ = 0;  // as last sized, for progress
    // Block data the controller answered in order: the window's measure of delivery.
    uint64_t lineDelivered_ = 0;
    BlockSource blocks_;
    // Cleared for good once a controller built before compression refused the longer open.
    bool askCompression_;
};

bool Run::report() {
    if (!progress_) return true;
    if (progress_(Progress{received_, job_.image.size(), windowBytes_})) return true;
    cancelled_ = true;
    return false;
}

bool Run::open(Answer& a, bool again) {
    wire::TransferOpenRequest request{job_.target, job_.partition,
                                      static_cast<uint32_t>(job_.image.size()), job_.model,
                                      job_.name};
    if (askCompression_) {
        request.compression = static_cast<uint8_t>(wire::Compression::Deflate);
        request.windowLog = wire::kMaxWindowLog;
    }
    const auto start = now();
    if (again) {
        if (!askAgain(request, a)) return false;
    } else {
        a = exchange(request);
    }
    if (askCompression_ && a.code1 == wire::code(ReplyCode::BadRequest)) {
        // A controller built before compression takes the longer open for a malformed one:
        // open again as it knows, with plain blocks.
        askCompression_ = false;
        return open(a, again);
    }
    if (!a.ok()) return false;
    auto reply = wire::decodeTransferOpenReply(a.payload);
    // Compression that was not asked for, or no room for a block's form byte and a byte: the
    // host could not send what that controller would read.
    if (reply && reply->compression != wire::Compression::None &&
        (!askCompression_ || reply->maxBlock < 2))
        reply = wire::Error::BadValue;
    if (!reply) {
        a = {wire::code(ReplyCode::BadReply), {}, "the controller's open reply is malformed"};
        return false;
    }
    id_ = reply->transfer;
    maxBlock_ = reply->maxBlock;
    blocks_.granted(reply->compression, reply->windowLog, maxBlock_);
    received_ = 0;
    // A reopen after a restart keeps what was learnt of the path.
    if (!again) window_.begin(now() - start, maxBlock_, now());
    return true;
}

bool Run::sendAll(Answer& a) {
    const uint64_t total = job_.image.size();
    auto pipeline = link_.openPipeline();
    PipelineGuard guard{pipeline};
    // Offsets and acknowledgements count image bytes; the window counts block data on the
    // line, which is fewer where blocks are compressed.
    struct InFlight {
        uint64_t end;  // image offset after the block
        std::size_t dataBytes;
        uint32_t epoch;
        Clock::time_point sentAt;
        uint64_t ahead;  // block data unanswered when it went out, its own included
        std::size_t frameBytes;
        bool probe;
    };
    std::deque<InFlight> inFlight;
    uint64_t next = received_;
    uint32_t epoch = 0;
    uint64_t unanswered = 0;  // block data of this epoch in flight
    uint64_t windowFrom = lineDelivered_;
    while (received_ < total) {
        windowBytes_ = window_.bytes(now());
        while (next < total && unanswered < windowBytes_) {
            Block b = blocks_.at(next);
            const std::size_t n = b.imageBytes, d = b.data.size();
            wire::TransferBlockRequest block{id_, static_cast<uint32_t>(next), std::move(b.data)};
            auto frame = wire::makeRequestFrame(job_.address, 0, block);
            if (!frame) break;
            const std::size_t frameBytes = wire::frameSize(*frame);
            if (!pipeline->push(std::move(frame).value())) break;
            sumUpTo(next + n);
            result_.bytesSent += d;
            // Of a block sent again, the share of its data that stands for image bytes sent
            // before.
            if (next < sentEver_) result_.bytesResent += d * std::min<uint64_t>(n, sentEver_ - next) / n;
            if (b.compressed) ++result_.compressedBlocks;
            next += n;
            unanswered += d;
            sentEver_ = std::max(sentEver_, next);
            inFlight.push_back({next, d, epoch, now(), unanswered, frameBytes, window_.probing()});
        }
        auto outcome = pipeline->next();
        if (!outcome) {
            a = {wire::code(ReplyCode::LinkLost), {}, "the link stopped taking requests"};
            return false;
        }
        const InFlight sent = inFlight.front();
        inFlight.pop_front();
        a = answerOf(*outcome);
        if (!a.ok()) return false;
        auto ack = wire::decodeTransferBlockReply(a.payload);
        if (!ack || ack->received > total) {
            a = {wire::code(ReplyCode::BadReply), {}, "the controller's block reply is malformed"};
            return false;
        }
        received_ = std::max<uint64_t>(received_, ack->received);
        const auto answeredAt = now();
        if (sent.epoch == epoch && ack->received < sent.end) {
            // A block before this one was lost: go back to what the controller holds, with a
            // block made afresh from there. Replies to blocks already sent after the gap
            // belong to the old epoch and are ignored.
            next = received_;
            unanswered = 0;
            ++epoch;
        } else if (sent.epoch == epoch) {
            unanswered -= sent.dataBytes;
            lineDelivered_ += sent.dataBytes;
            window_.answered(answeredAt - sent.sentAt, sent.ahead, sent.frameBytes, sent.probe,
                             answeredAt);
        }
        // Never send again what the controller says it holds.
        next = std::max(next, received_);
        window_.acknowledged(lineDelivered_, answeredAt);
        if (!window_.filling()) blocks_.measured(window_.bytesPerSecond());
        if (lineDelivered_ - windowFrom >= windowBytes_ || received_ == total) {
            windowFrom = lineDelivered_;
            if (!report()) return false;
        }
    }
    return true;
}

bool Run::askAgain(const wire::Request& request, Answer& a) {
    const auto until = now() + tuning_.reconnectFor;
    for (;;) {
        std::string why;
        if (link_.connect(why)) {
            a = exchange(request);
            if (!a.linkFailure()) return true;
        } else {
            a = {wire::code(ReplyCode::NotStarted), {}, why};
        }
        if (now() >= until) return false;
        // A controller that is restarting or a port that is not back yet: try again shortly.
        // The caller's events flow meanwhile, and its Cancel ends the wait at once.
        if (!report()) return false;
        clock_.sleepFor(std::chrono::milliseconds(100));
    }
}

bool Run::resume(Answer& a) {
    if (!askAgain(wire::TransferStatusRequest{id_}, a)) return false;
    if (a.code1 == wire::code(ReplyCode::NotFound)) {
        // The controller dropped the staging area (it restarted): start over.
        return open(a, true);
    }
    if (!a.ok()) return false;
    auto status = wire::decodeTransferStatusReply(a.payload);
    if (!status || status->received > job_.image.size()) {
        a = {wire::code(ReplyCode::BadReply), {}, "the controller's status reply is malformed"};
        return false;
    }
    if (status->state == wire::TransferState::Committed) {
        committed_ = true;
        result_.storedChecksum = status->storedChecksum;
    }
    received_ = status->received;
    return true;
}

Result Run::commit() {
    sumUpTo(job_.image.size());
    if (!committed_) {
        Answer a;
        for (;;) {
            a = exchange(commitRequest(job_, id_, checksum_));
            if (!a.linkFailure()) break;
            if (result_.resumes >= tuning_.maxResumes) return giveUp(a, "the image could not be committed");
            ++result_.resumes;
            if (!resume(a))
                return cancelled_ ? cancelled() : giveUp(a, "the controller could not be reached again");
            if (committed_) break;
            if (received_ < job_.image.size()) {
                // The controller restarted and lost the staged image: send it again.
                if (!sendAll(a)) return cancelled_ ? cancelled() : giveUp(a, "the image transfer failed");
            }
        }
        if (!committed_) {
            if (!a.ok()) {
                abort();
                return fail(a, "the controller refused the image");
            }
            auto reply = wire::decodeTransferCommitReply(a.payload);
            if (!reply) return fail({wire::code(ReplyCode::BadReply), {}, "malformed commit reply"},
                                    "the image could not be committed");
            result_.storedChecksum = reply->storedChecksum;
        }
    }
    if (result_.storedChecksum != checksum_) {
        Answer a{wire::code(ReplyCode::ChecksumMismatch), {}, {}};
        a.why = "the controller stored an image with another checksum";
        return fail(a, "the image was not stored correctly");
    }
    result_.ending = Ending::Completed;
    result_.code1 = wire::code(ReplyCode::Ok);
    result_.message.clear();
    return result_;
}

Result Run::go() {
    if (job_.image.empty() || job_.image.size() > UINT32_MAX) {
        return fail({wire::code(ReplyCode::OutOfRange), {}, "the image is empty or too large"},
                    "the image cannot be loaded");
    }
    if (job_.name.size() > wire::kMaxTransferName) {
        return fail({wire::code(ReplyCode::OutOfRange), {}, "its name is longer than 255 bytes"},
                    "the image cannot be loaded");
    }
    Answer a;
    bool opened = open(a);
    // An open that went out but whose answer was lost is asked again; a controller that
    // cannot be reached at all fails the load at once.
    while (!opened && a.linkFailure() && a.code1 != wire::code(ReplyCode::NotStarted) &&
           result_.resumes < tuning_.maxResumes) {
        ++result_.resumes;
        opened = open(a, true);
    }
    if (!opened) {
        if (a.linkFailure()) return fail(a, "the controller could not be reached");
        return fail(a, "the controller refused the image");
    }
    if (!report()) {
        abort();
        result_.ending = Ending::Cancelled;
        return result_;
    }
    while (!sendAll(a)) {
        if (cancelled_) return cancelled();
        if (!a.linkFailure()) {
            abort();
            return fail(a, "the controller refused a block");
        }
        if (result_.resumes >= tuning_.maxResumes) return giveUp(a, "the link failed too often");
        ++result_.resumes;
        if (!resume(a)) {
            if (cancelled_) return cancelled();
            if (a.linkFailure()) return giveUp(a, "the controller could not be reached again");
            return giveUp(a, "the transfer could not be resumed");
        }
        if (committed_) break;
    }
    // Held: everything is staged; the caller commits it later (an operating-system upgrade
    // commits only after the application was stopped).
    if (job_.holdCommit && !committed_) {
        result_.ending = Ending::Completed;
        result_.transfer = id_;
        return result_;
    }
    if (job_.beforeCommit && !committed_) job_.beforeCommit();
    return commit();
}

}  // namespace

const char* endingName(Ending ending) {
    switch (ending) {
        case Ending::Completed:
            return "completed";
        case Ending::Cancelled:
            return "cancelled";
        case Ending::Failed:
            return "failed";
    }
    return "unknown";
}

TransferEngine::TransferEngine(comm::LinkAccess& links, Tuning tuning)
    : links_(links), tuning_(tuning) {}

wire::TransferCommitRequest commitRequest(const Job& job, uint32_t id, uint32_t checksum) {
    wire::TransferCommitRequest r{id, checksum, {}, {}};
    if (!job.signature.empty()) {
        r.head = job.signedHead;
        r.signature.assign(job.signature.begin(), job.signature.end());
    }
    return r;
}

Result TransferEngine::run(const Job& job, const ProgressCallback& progress) {
    comm::ExchangeEngine* link = links_.engine(job.link);
    if (link == nullptr) {
        Result result;
        result.code1 = wire::code(wire::ReplyCode::NotStarted);
        result.message = "link " + std::to_string(job.link) + " is not open";
        return result;
    }
    os::SteadyClock steady;
    os::Clock& clock = tuning_.clock != nullptr ? *tuning_.clock : steady;
    const auto start = clock.now();
    Result result = Run(*link, job, tuning_, clock, progress).go();
    result.elapsed = clock.now() - start;
    return result;
}

}  // namespace transfer
