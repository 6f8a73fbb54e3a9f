#include "platform/transfer/WindowSizer.h"

#include <algorithm>

#include "platform/transfer/TransferEngine.h"

namespace transfer {
namespace {

using Seconds = std::chrono::duration<double>;

constexpr double kFillingGain = 4.0;
// A round whose delivery rate beats the best by less than this did not find more line.
constexpr double kGrowth = 1.25;
constexpr int kFlatRoundsFilled = 1;
constexpr std::size_t kRateRounds = 4;
// An answer later than the path plus this much of the queue ahead of it did not just queue.
constexpr double kBeyondQueue = 1.25;
// Probing costs about one round trip of a nearly idle line: not more often than this.
constexpr int kRoundTripsBetweenProbes = 100;

}  // namespace

WindowSizer::WindowSizer(const Tuning& tuning, uint32_t lineBitsPerSecond)
    : tuning_(tuning), lineBytesPerSecond_(lineBitsPerSecond / 10.0) {}

void WindowSizer::begin(Clock::duration openRoundTrip, std::size_t maxBlock,
                        Clock::time_point now) {
    roundTrip_ = openRoundTrip;
    maxBlock_ = maxBlock;
    filling_ = lineBytesPerSecond_ == 0;
    roundStart_ = now;
    roundBytes_ = wanted();
    nextProbe(now);
}

double WindowSizer::bytesPerSecond() const {
    if (lineBytesPerSecond_ != 0) return lineBytesPerSecond_;
    return rates_.empty() ? 0 : *std::max_element(rates_.begin(), rates_.end());
}

std::size_t WindowSizer::bytes(Clock::time_point now) {
    if (!probing_ && now >= probeDue_) probing_ = true;
    return probing_ ? tuning_.minWindowBytes : wanted();
}

std::size_t WindowSizer::wanted() const {
    if (bytesPerSecond() == 0)
        return std::clamp(tuning_.firstWindowBytes, tuning_.minWindowBytes, tuning_.maxWindowBytes);
    // Filling, a round's window is a multiple of what the last one delivered, however long it
    // took: rate x round trip would count a slow first round twice.
    if (filling_ && lastRoundBytes_ != 0)
        return std::clamp(static_cast<std::size_t>(kFillingGain * double(lastRoundBytes_)),
                          tuning_.minWindowBytes, tuning_.maxWindowBytes);
    const double gain = filling_ ? kFillingGain : tuning_.windowHeadroom;
    const double want = gain * bytesPerSecond() * Seconds(roundTrip_).count() + 2.0 * double(maxBlock_);
    return std::clamp(static_cast<std::size_t>(want), tuning_.minWindowBytes,
                      tuning_.maxWindowBytes);
}

void WindowSizer::nextProbe(Clock::time_point now) {
    probeDue_ = now + std::max<Clock::duration>(tuning_.roundTripProbeEvery,
                                                kRoundTripsBetweenProbes * roundTrip_);
}

void WindowSizer::answered(Clock::duration roundTrip, uint64_t ahead, std::size_t frameBytes,
                           bool probe, Clock::time_point now) {
    // On a line of known rate the block's own crossing is no part of the path.
    Clock::duration path = roundTrip;
    if (lineBytesPerSecond_ != 0)
        path -= std::chrono::duration_cast<Clock::duration>(Seconds(frameBytes / lineBytesPerSecond_));
    path = std::max(path, Clock::duration::zero());
    if (probe) {
        // The queue has drained: this is the path as it is now, quicker or slower.
        roundTrip_ = path;
        probing_ = false;
        roundProbed_ = true;
        nextProbe(now);
        return;
    }
    if (path < roundTrip_) {
        roundTrip_ = path;
        return;
    }
    // Later than the path as known plus a queue of everything ahead of it: the path got slower,
    // by at least what no queue explains.
    const double rate = bytesPerSecond();
    if (rate <= 0) return;
    const auto queue = std::chrono::duration_cast<Clock::duration>(Seconds(double(ahead) / rate));
    if (roundTrip <= roundTrip_ + kBeyondQueue * queue) return;
    const auto slower = roundTrip - queue;
    if (slower > roundTrip_) roundTrip_ += (slower - roundTrip_) / 8;
}

void WindowSizer::acknowledged(uint64_t received, Clock::time_point now) {
    if (probing_) roundProbed_ = true;
    if (received < roundFrom_) {
        // A controller that restarted is loaded again from the start: a new round.
        roundFrom_ = received;
        roundStart_ = now;
        return;
    }
    if (received - roundFrom_ < std::max<std::size_t>(roundBytes_, maxBlock_)) return;
    const double seconds = Seconds(now - roundStart_).count();
    // A round with a probe in it says nothing about what the line can carry.
    if (!roundProbed_ && seconds > 0 && lineBytesPerSecond_ == 0) {
        const double rate = double(received - roundFrom_) / seconds;
        if (rate >= kGrowth * bestRate_) {
            flatRounds_ = 0;
        } else if (++flatRounds_ >= kFlatRoundsFilled) {
            filling_ = false;
        }
        bestRate_ = std::max(bestRate_, rate);
        lastRoundBytes_ = received - roundFrom_;
        rates_.push_back(rate);
        if (rates_.size() > kRateRounds) rates_.pop_front();
    }
    roundProbed_ = probing_;
    roundFrom_ = received;
    roundStart_ = now;
    roundBytes_ = wanted();
}

}  // namespace transfer
