#pragma once
// How many block bytes a transfer keeps in flight: the line's rate times the path's round trip,
// with headroom, both measured while the transfer runs.
//
// A round trip measured on a block includes the time it queued behind the blocks sent before
// it, and with the window full that queue is the window itself: smoothing those figures would
// make the window feed its own growth. So the path's round trip is the quickest answer seen
// (a quicker one is taken at once), raised when an answer comes later than everything in
// flight ahead of it could explain (the path got slower), and measured afresh now and then by
// letting the window drain to its minimum for one round trip (the only way to see it got
// quicker while a queue stands). The rate is the line's own when the link knows it, else the
// best delivery rate of the last rounds; until that stops growing the window grows fourfold a
// round, so a long path fills quickly.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace transfer {

struct Tuning;

class WindowSizer {
  public:
    using Clock = std::chrono::steady_clock;

    WindowSizer(const Tuning& tuning, uint32_t lineBitsPerSecond);

    // The open's round trip is the first estimate, before any block was answered.
    void begin(Clock::duration openRoundTrip, std::size_t maxBlock, Clock::time_point now);
    // The bytes the window holds now; starts a probe when one is due.
    std::size_t bytes(Clock::time_point now);
    bool probing() const { return probing_; }
    // A block of `frameBytes` on the line was answered `roundTrip` after it went out with
    // `ahead` bytes unanswered (itself included); `probe`: it went out while probing.
    void answered(Clock::duration roundTrip, uint64_t ahead, std::size_t frameBytes, bool probe,
                  Clock::time_point now);
    // The block data the controller answered in order is now `delivered` in all.
    void acknowledged(uint64_t delivered, Clock::time_point now);

    Clock::duration roundTrip() const { return roundTrip_; }
    // Still growing to find the path's rate: what it delivers now is not yet what it can.
    bool filling() const { return filling_; }
    double bytesPerSecond() const;

  private:
    void nextProbe(Clock::time_point now);
    std::size_t wanted() const;

    const Tuning& tuning_;
    const double lineBytesPerSecond_;  // 0 when the link does not know its rate
    std::size_t maxBlock_ = 0;
    Clock::duration roundTrip_{0};
    // Delivery rate, one figure a round.
    std::deque<double> rates_;
    double bestRate_ = 0;
    int flatRounds_ = 0;
    bool filling_ = false;
    uint64_t roundFrom_ = 0;
    uint64_t lastRoundBytes_ = 0;
    std::size_t roundBytes_ = 0;
    Clock::time_point roundStart_{};
    bool roundProbed_ = false;
    bool probing_ = false;
    Clock::time_point probeDue_{};
};

}  // namespace transfer
