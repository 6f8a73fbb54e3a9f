#pragma once
// One request and its outcome, shared between the caller and the link's worker. The caller
// polls done() (or waits); the worker fills the outcome exactly once.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/wire/Frame.h"

namespace comm {

enum class Ending {
    Reply,       // a reply arrived: see the frame's codes
    NotStarted,  // the request could not be sent (no link, port cannot open, too large)
    TimedOut,    // no reply within the link's time-out
    LinkLost,    // the link broke during the exchange
};

const char* endingName(Ending ending);

struct Outcome {
    Ending ending = Ending::NotStarted;
    wire::Frame reply;  // for Ending::Reply
    std::string why;    // for the others: what went wrong, for messages
};

class Exchange {
  public:
    explicit Exchange(wire::Frame request) : request_(std::move(request)) {}

    const wire::Frame& request() const { return request_; }
    // The longest wait for the reply to begin, where the link knows answer times (serial);
    // zero: the link's own time-out. Set before the exchange is submitted.
    std::chrono::milliseconds answerLimit{0};

    // True once the request is on the line, or once the exchange has ended without.
    bool sentOrEnded() const { return stage_.load(std::memory_order_acquire) >= Stage::Sent; }
    bool done() const { return stage_.load(std::memory_order_acquire) == Stage::Done; }
    // Blocks until sent or ended; true when the request was sent.
    bool waitStarted();
    // Blocks until the exchange has ended.
    const Outcome& wait();
    // Blocks until the exchange has ended or `limit` has passed; true when ended.
    bool waitFor(std::chrono::microseconds limit);
    // Only after done().
    const Outcome& outcome() const { return outcome_; }

    // Worker side.
    wire::Frame& mutableRequest() { return request_; }
    void markSent();
    void finish(Outcome outcome);

  private:
    enum class Stage : int { Queued = 0, Sent = 1, Done = 2 };
    void advance(Stage stage);

    wire::Frame request_;
    Outcome outcome_;
    bool sent_ = false;
    std::atomic<Stage> stage_{Stage::Queued};
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace comm
