#include "sim/PacedOutput.h"

#include <algorithm>

namespace sim {
namespace {

using std::chrono::microseconds;

// Bytes due within this much of now go out in one write: timers are not finer than that.
constexpr microseconds kSlack(1000);

}  // namespace

PacedOutput::PacedOutput(asio::io_context& io, Write write, std::function<void()> close)
    : timer_(io), write_(std::move(write)), close_(std::move(close)) {}

void PacedOutput::push(std::vector<uint8_t> bytes, std::chrono::milliseconds delay,
                       uint32_t bitsPerSecond, bool closeAfter) {
    pushAt(std::move(bytes), Clock::now() + delay, bitsPerSecond, closeAfter);
}

void PacedOutput::pushAt(std::vector<uint8_t> bytes, Clock::time_point due,
                         uint32_t bitsPerSecond, bool closeAfter) {
    if (stopped_) return;
    queued_ += bytes.size();
    queue_.push_back(Item{std::move(bytes), due, bitsPerSecond, closeAfter});
    if (!busy_) next();
}

void PacedOutput::holdUntil(Clock::time_point until) { lineFree_ = std::max(lineFree_, until); }

void PacedOutput::whenDrained(std::function<void()> then) {
    if (idle()) {
        then();
        return;
    }
    drained_ = std::move(then);
}

void PacedOutput::whenBelow(std::size_t bytes, std::function<void()> then) {
    if (queued_ <= bytes) {
        then();
        return;
    }
    relieveAt_ = bytes;
    relieved_ = std::move(then);
}

void PacedOutput::relieve() {
    if (!relieved_ || queued_ > relieveAt_) return;
    auto then = std::move(relieved_);
    relieved_ = nullptr;
    then();
}

void PacedOutput::stop() {
    stopped_ = true;
    queue_.clear();
    queued_ = 0;
    relieved_ = nullptr;
    timer_.cancel();
    write_ = nullptr;
    close_ = nullptr;
    drained_ = nullptr;
}

PacedOutput::Clock::time_point PacedOutput::byteTime(std::size_t index) const {
    const Item& item = queue_.front();
    // A byte is on the line once its last bit is.
    return start_ +
           microseconds(static_cast<int64_t>(index + 1) * 10'000'000 / item.bitsPerSecond);
}

void PacedOutput::next() {
    if (stopped_) return;
    if (queue_.empty()) {
        busy_ = false;
        if (drained_) {
            auto then = std::move(drained_);
            drained_ = nullptr;
            then();
        }
        return;
    }
    busy_ = true;
    sent_ = 0;
    coalesce();
    start_ = std::max({Clock::now(), queue_.front().due, lineFree_});
    if (start_ <= Clock::now()) {
        pump();
        return;
    }
    timer_.expires_at(start_);
    timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
        if (!ec) self->pump();
    });
}

void PacedOutput::coalesce() {
    // Unpaced replies that are all due go out in one write: a burst of small replies (a
    // transfer's acknowledgements) must not cost one write each.
    const auto now = Clock::now();
    if (queue_.front().bitsPerSecond != 0 || queue_.front().due > now) return;
    Item merged = std::move(queue_.front());
    queue_.pop_front();
    while (!merged.closeAfter && !queue_.empty() && queue_.front().bitsPerSecond == 0 &&
           queue_.front().due <= now) {
        const Item& more = queue_.front();
        merged.bytes.insert(merged.bytes.end(), more.bytes.begin(), more.bytes.end());
        merged.closeAfter = more.closeAfter;
        queue_.pop_front();
    }
    queue_.push_front(std::move(merged));
}

void PacedOutput::pump() {
    if (stopped_) return;
    const Item& item = queue_.front();
    std::size_t count = item.bytes.size() - sent_;
    if (item.bitsPerSecond != 0 && count > 0) {
        // Every byte whose time has come (or nearly): one write, then wait for the next.
        const auto horizon = Clock::now() + kSlack;
        std::size_t due = sent_;
        while (due < item.bytes.size() && byteTime(due) <= horizon) ++due;
        // Bytes may go a little early to save timers, but never the last one: a reply is not
        // complete before the line could have carried all of it.
        if (due == item.bytes.size() && byteTime(due - 1) > Clock::now()) --due;
        count = due - sent_;
        if (count == 0) {
            timer_.expires_at(byteTime(sent_));
            timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
                if (!ec) self->pump();
            });
            return;
        }
    }
    if (count == 0) {
        written(0, true);
        return;
    }
    write_(item.bytes.data() + sent_, count,
           [self = shared_from_this(), count](bool ok) { self->written(count, ok); });
}

void PacedOutput::closeLink() {
    // The link's close may stop this output again: take the callback out first.
    auto close = std::move(close_);
    stop();
    if (close) close();
}

void PacedOutput::written(std::size_t count, bool ok) {
    if (stopped_) return;
    if (!ok) {
        closeLink();
        return;
    }
    sent_ += count;
    const Item& item = queue_.front();
    if (sent_ < item.bytes.size()) {
        pump();
        return;
    }
    if (item.bitsPerSecond != 0 && !item.bytes.empty())
        lineFree_ = std::max(lineFree_, byteTime(item.bytes.size() - 1));
    const bool closeAfter = item.closeAfter;
    queued_ -= item.bytes.size();
    queue_.pop_front();
    if (closeAfter) {
        closeLink();
        return;
    }
    relieve();
    if (stopped_) return;
    next();
}

}  // namespace sim
