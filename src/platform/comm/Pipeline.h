#pragma once
// Several exchanges in flight on one link at once, for bulk transfers: the caller pushes
// requests at any time, the link's worker sends them back to back and hands back the outcomes
// in request order. Every exchange still ends: when the link times out or breaks, the one
// awaited and every one after it end that way, and the pipeline is finished.
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/comm/Exchange.h"
#include "platform/wire/Frame.h"

namespace comm {

class Link;

class Pipeline {
  public:
    // Caller side. Queues a request (its sequence number is set when it is sent). False once
    // the pipeline has finished: the request will not be sent.
    bool push(wire::Frame request);
    // The outcome of the oldest request not yet taken; blocks until it has ended. Empty when
    // nothing is outstanding.
    std::optional<Outcome> next();
    // Another caller's single exchange, carried in the pipeline so that it does not wait for
    // the pipeline's end (a progress callback that reads a variable, say). It ends as usual;
    // next() does not deliver it. False once the pipeline no longer takes requests.
    bool carry(const std::shared_ptr<Exchange>& exchange);
    // Number of requests pushed whose outcome has not been taken.
    std::size_t outstanding() const;
    // No more requests: the worker finishes once the outstanding ones have ended. Outcomes
    // not yet taken are still delivered.
    void close();

    // Worker side: runs the pipeline on `link` until it is closed and drained, or the link
    // failed. `sequence` is the link's sequence counter.
    void run(Link& link, uint16_t& sequence, const std::string& linkName);
    // Worker side: ends everything as not started (the engine shuts down).
    void cancel(const std::string& why);

  private:
    struct Entry {
        wire::Frame request;
        bool sent = false;
        std::optional<Outcome> outcome;
        std::shared_ptr<Exchange> carried;  // someone else's exchange: ended, not delivered
    };
    using Entries = std::list<Entry>;  // stable: the worker sends from entries outside the lock
    // Caller holds the lock. Ends `entry` (a carried one is finished and dropped); returns the
    // entry after it.
    Entries::iterator settle(Entries::iterator entry, Outcome outcome);
    void failAll(Ending ending, const std::string& why);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Entries entries_;  // pushed and not yet taken, oldest first
    bool closed_ = false;
    bool finished_ = false;
};

}  // namespace comm
