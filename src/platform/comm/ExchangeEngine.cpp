#include "platform/comm/ExchangeEngine.h"

#include "platform/comm/SecretGuard.h"

namespace comm {
namespace {

// The library answers for the controller: the request never goes on the line.
std::shared_ptr<Exchange> refusedInClear(wire::Frame request) {
    auto exchange = std::make_shared<Exchange>(std::move(request));
    exchange->finish({Ending::Reply,
                      wire::makeReplyFrame(exchange->request(), wire::ReplyCode::AuthRequired),
                      "a password would cross the link in clear"});
    return exchange;
}

}  // namespace

ExchangeEngine::ExchangeEngine(std::unique_ptr<Link> link, uint16_t firstSequence)
    : link_(std::move(link)),
      name_(link_->name()),
      carriesSecrets_(link_->carriesSecrets()),
      lineBitsPerSecond_(link_->lineBitsPerSecond()),
      sequence_(firstSequence) {
    worker_ = std::thread([this] { work(); });
}

ExchangeEngine::~ExchangeEngine() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (running_) running_->cancel("link closed");
    }
    link_->abort();
    wake_.notify_all();
    worker_.join();
}

void ExchangeEngine::enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            queue_.push_back(std::move(job));
            wake_.notify_one();
            return;
        }
    }
    if (job.pipeline) job.pipeline->cancel("link closed");
    if (job.exchange) job.exchange->finish({Ending::NotStarted, {}, "link closed"});
}

std::shared_ptr<Pipeline> ExchangeEngine::openPipeline() {
    auto pipeline = std::make_shared<Pipeline>();
    enqueue({nullptr, false, pipeline});
    return pipeline;
}

std::shared_ptr<Exchange> ExchangeEngine::submit(wire::Frame request,
                                                 std::chrono::milliseconds answerLimit) {
    if (!carriesSecrets_ && exposesSecret(request)) return refusedInClear(std::move(request));
    auto exchange = std::make_shared<Exchange>(std::move(request));
    exchange->answerLimit = answerLimit;
    if (!carried(exchange)) enqueue({exchange, false, nullptr});
    return exchange;
}

bool ExchangeEngine::carried(const std::shared_ptr<Exchange>& exchange) {
    std::lock_guard lock(mutex_);
    return running_ && running_->carry(exchange);
}

std::shared_ptr<Exchange> ExchangeEngine::submit(wire::Address address,
                                                 const wire::Request& request) {
    auto frame = wire::makeRequestFrame(address, 0, request);
    if (!frame) {
        auto exchange = std::make_shared<Exchange>(wire::Frame{});
        exchange->finish(
            {Ending::NotStarted,
             {},
             std::string("request cannot be encoded: ") + wire::errorName(frame.error())});
        return exchange;
    }
    return submit(std::move(frame).value());
}

Outcome ExchangeEngine::run(wire::Address address, const wire::Request& request) {
    auto frame = wire::makeRequestFrame(address, 0, request);
    if (!frame) return submit(address, request)->wait();
    if (!carriesSecrets_ && exposesSecret(*frame))
        return refusedInClear(std::move(frame).value())->outcome();
    Job job{std::make_shared<Exchange>(std::move(frame).value()), false, nullptr};
    // A pipeline holds the link (a transfer whose progress callback asks something): travel
    // with it rather than wait for its end.
    if (carried(job.exchange)) return job.exchange->wait();
    {
        std::unique_lock lock(mutex_);
        if (busy_ || !queue_.empty() || stopping_) {
            lock.unlock();
            enqueue(job);
            return job.exchange->wait();
        }
        busy_ = true;
    }
    process(job);
    {
        std::lock_guard lock(mutex_);
        busy_ = false;
    }
    wake_.notify_all();
    return job.exchange->outcome();
}

bool ExchangeEngine::connect(std::string& why) {
    auto exchange = std::make_shared<Exchange>(wire::Frame{});
    enqueue({exchange, true, nullptr});
    const Outcome& outcome = exchange->wait();
    why = outcome.why;
    return outcome.ending == Ending::Reply;
}

void ExchangeEngine::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || (!queue_.empty() && !busy_); });
            if (stopping_) break;
            job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        process(job);
        std::lock_guard lock(mutex_);
        busy_ = false;
    }
    std::deque<Job> left;
    {
        std::lock_guard lock(mutex_);
        left.swap(queue_);
    }
    for (Job& job : left) {
        if (job.pipeline) job.pipeline->cancel("link closed");
        if (job.exchange) job.exchange->finish({Ending::NotStarted, {}, "link closed"});
    }
}

void ExchangeEngine::process(Job& job) {
    if (job.pipeline) {
        std::string why;
        if (!link_->isOpen() && !link_->open(why)) {
            job.pipeline->cancel(why);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                job.pipeline->cancel("link closed");
                return;
            }
            running_ = job.pipeline;
        }
        job.pipeline->run(*link_, sequence_, name_);
        std::lock_guard lock(mutex_);
        running_.reset();
        return;
    }
    Exchange& exchange = *job.exchange;
    std::string why;
    if (!link_->isOpen() && !link_->open(why)) {
        exchange.finish({Ending::NotStarted, {}, why});
        return;
    }
    if (job.openOnly) {
        exchange.finish({Ending::Reply, {}, {}});
        return;
    }
    wire::Frame& request = exchange.mutableRequest();
    request.reply = false;
    request.sequence = sequence_++;
    if (exchange.answerLimit.count() > 0) link_->limitNextAnswer(exchange.answerLimit);
    if (!link_->send(request, why)) {
        exchange.finish({Ending::NotStarted, {}, why});
        return;
    }
    exchange.markSent();
    for (;;) {
        Received received = link_->receive();
        switch (received.kind) {
            case Received::Kind::Frame:
                // Anything else is stale or meant for someone else: drop it and keep waiting.
                if (wire::answers(received.frame, request)) {
                    exchange.finish({Ending::Reply, std::move(received.frame), {}});
                    return;
                }
                break;
            case Received::Kind::TimedOut:
                exchange.finish({Ending::TimedOut, {}, "no answer from " + name_ + " in time"});
                return;
            case Received::Kind::Lost:
                exchange.finish({Ending::LinkLost, {}, "link " + name_ + " lost"});
                return;
        }
    }
}

}  // namespace comm
