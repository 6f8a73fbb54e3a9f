#pragma once
// The host's own limit on password proofs: at most 3 a minute to one controller, however many
// links and checks ask for them. Whoever answers in the controller's place can test one guess
// of the password per proof it receives, so the host does not hand proofs out freely. The
// clock is passed in, so tests need no waiting.
#include <chrono>
#include <functional>
#include <limits>
#include <string>

#include "platform/secure/FailureLimiter.h"

namespace comm {

class ProofBudget {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxProofs = 3;
    static constexpr std::chrono::seconds kWindow{60};

    explicit ProofBudget(std::function<Clock::time_point()> now = [] { return Clock::now(); })
        : now_(std::move(now)) {}

    // True, and the proof counted, when `controller` may be sent one more now.
    bool take(const std::string& controller);

  private:
    std::function<Clock::time_point()> now_;
    // The same sliding count as a controller's limit of failed proofs, of proofs sent here.
    secure::FailureLimiter sent_{kMaxProofs, kWindow, std::numeric_limits<std::size_t>::max()};
};

}  // namespace comm
