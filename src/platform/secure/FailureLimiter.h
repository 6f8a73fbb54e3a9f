#pragma once
// The limit on failed password proofs: at most `maxFailures` within `window` per source
// address, and at most `budget` within `window` from all sources together, so that a guesser
// with many addresses gains nothing past the budget. While a source is at its limit (or the
// budget is spent), its proofs are not even checked. The caller passes the time, so tests
// need no waiting.
#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <string>

namespace secure {

class FailureLimiter {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kDefaultMaxFailures = 5;
    static constexpr std::size_t kDefaultBudget = 50;
    static constexpr std::chrono::seconds kDefaultWindow{60};
    // Sources remembered at most; beyond it the one whose failures are oldest is forgotten.
    static constexpr std::size_t kMaxSources = 4096;

    explicit FailureLimiter(std::size_t maxFailures = kDefaultMaxFailures,
                            Clock::duration window = kDefaultWindow,
                            std::size_t budget = kDefaultBudget)
        : maxFailures_(maxFailures), budget_(budget), window_(window) {}

    // True while `source` has had maxFailures failures within the window before `now`, or all
    // sources together `budget` of them.
    bool limited(const std::string& source, Clock::time_point now);
    void recordFailure(const std::string& source, Clock::time_point now);

  private:
    void forgetOld(std::deque<Clock::time_point>& failures, Clock::time_point now) const;

    std::size_t maxFailures_;
    std::size_t budget_;
    Clock::duration window_;
    std::map<std::string, std::deque<Clock::time_point>> failures_;
    std::deque<Clock::time_point> all_;  // every source's, at most `budget` of them
};

// The key under which a peer's failures count: an IPv4 address as it is (also when it comes
// as an IPv4-mapped IPv6 address), an IPv6 address by its /64 network (one host commonly
// holds a whole /64), anything else as given.
std::string failureSource(const std::string& address);

}  // namespace secure
