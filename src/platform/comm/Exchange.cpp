#include "platform/comm/Exchange.h"

namespace comm {

const char* endingName(Ending ending) {
    switch (ending) {
        case Ending::Reply:
            return "reply";
        case Ending::NotStarted:
            return "could not start";
        case Ending::TimedOut:
            return "timed out";
        case Ending::LinkLost:
            return "link lost";
    }
    return "?";
}

void Exchange::advance(Stage stage) {
    {
        std::lock_guard lock(mutex_);
        stage_.store(stage, std::memory_order_release);
    }
    changed_.notify_all();
}

void Exchange::markSent() {
    sent_ = true;
    advance(Stage::Sent);
}

void Exchange::finish(Outcome outcome) {
    outcome_ = std::move(outcome);
    advance(Stage::Done);
}

bool Exchange::waitStarted() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stage_.load() >= Stage::Sent; });
    return sent_;
}

const Outcome& Exchange::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stage_.load() == Stage::Done; });
    return outcome_;
}

}  // namespace comm

namespace comm {

bool Exchange::waitFor(std::chrono::microseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return stage_.load() == Stage::Done; });
}

}  // namespace comm
