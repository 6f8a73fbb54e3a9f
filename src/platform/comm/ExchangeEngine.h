#pragma once
// Runs the exchanges of one link on a worker thread of its own, one at a time and in order,
// so that the caller never blocks on the line: it submits, then polls or waits. The engine
// numbers the requests, takes only the reply that answers the request (address, command and
// sequence) and drops anything else, such as a late reply to an exchange that timed out.
// Every exchange ends: with a reply, a failure to start or a time-out of the link. A link
// that broke is reopened by the next exchange. Bulk transfers keep many requests in flight
// through a pipeline instead (Pipeline.h); exchanges submitted meanwhile travel with it.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/comm/Exchange.h"
#include "platform/comm/Link.h"
#include "platform/comm/Pipeline.h"
#include "platform/comm/StationList.h"
#include "platform/wire/Request.h"

namespace comm {

class ExchangeEngine {
  public:
    explicit ExchangeEngine(std::unique_ptr<Link> link, uint16_t firstSequence = 1);
    // Ends the exchange in progress (as lost) and those queued (as not started).
    ~ExchangeEngine();
    ExchangeEngine(const ExchangeEngine&) = delete;
    ExchangeEngine& operator=(const ExchangeEngine&) = delete;

    // Queues a request; the engine sets its sequence number. Never blocks. On a link that
    // carries no secrets, a request that would expose one ends at once with AuthRequired
    // (SecretGuard.h) and never reaches the line. A non-zero
    // `answerLimit` shortens this exchange's wait for the reply to begin (Exchange.h).
    std::shared_ptr<Exchange> submit(wire::Frame request,
                                     std::chrono::milliseconds answerLimit = {});
    // Builds the request frame (NotStarted at once when it cannot be encoded) and queues it.
    std::shared_ptr<Exchange> submit(wire::Address address, const wire::Request& request);
    // Submits and waits for the end. When nothing else is queued or running, the exchange
    // runs on the caller's thread: it waits anyway, and two thread switches are saved.
    Outcome run(wire::Address address, const wire::Request& request);

    // Starts a pipeline (see Pipeline.h): it runs on the worker once the exchanges queued
    // before it have ended, and holds the link until it is closed and drained or has failed.
    std::shared_ptr<Pipeline> openPipeline();

    // The line's rate in bits per second (10 bits a byte), 0 when unknown (TCP).
    uint32_t lineBitsPerSecond() const { return lineBitsPerSecond_; }

    // Opens the link now if it is closed; blocks for at most the link's connect time-out.
    bool connect(std::string& why);

    const std::string& name() const { return name_; }
    // Whether a password may travel on this link (Link::carriesSecrets; fixed for its life).
    bool carriesSecrets() const { return carriesSecrets_; }

    // What the head of this link's bus last said is on it; only the caller's thread uses it.
    StationList& stations() { return stations_; }

  private:
    struct Job {
        std::shared_ptr<Exchange> exchange;
        bool openOnly = false;
        std::shared_ptr<Pipeline> pipeline;
    };
    void work();
    void process(Job& job);
    void enqueue(Job job);
    // True when a running pipeline took the exchange along.
    bool carried(const std::shared_ptr<Exchange>& exchange);

    std::unique_ptr<Link> link_;
    std::string name_;
    bool carriesSecrets_;
    uint32_t lineBitsPerSecond_;
    uint16_t sequence_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::shared_ptr<Pipeline> running_;  // the pipeline on the worker, if any
    bool busy_ = false;  // an exchange is running (on the worker or on a caller)
    bool stopping_ = false;
    StationList stations_;
    std::thread worker_;
};

}  // namespace comm
