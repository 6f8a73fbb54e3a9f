#pragma once
// The limit on failed password proofs: at most `maxFailures` within `window` per source
// address. While a source is at its limit, its proofs are not even checked. The caller passes
// the time, so tests need no waiting.
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
    static constexpr std::chrono::seconds kDefaultWindow{60};
    // Sources remembered at most; beyond it the one whose failures are oldest is forgotten.
    static constexpr std::size_t kMaxSources = 4096;

    explicit FailureLimiter(std::size_t maxFailures = kDefaultMaxFailures,
                            Clock::duration window = kDefaultWindow)
        : maxFailures_(maxFailures), window_(window) {}

    // True while `source` has had maxFailures failures within the window before `now`.
    bool limited(const std::string& source, Clock::time_point now);
    void recordFailure(const std::string& source, Clock::time_point now);

  private:
    void forgetOld(std::deque<Clock::time_point>& failures, Clock::time_point now) const;

    std::size_t maxFailures_;
    Clock::duration window_;
    std::map<std::string, std::deque<Clock::time_point>> failures_;
};

}  // namespace secure
