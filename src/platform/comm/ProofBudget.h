#pragma once
// The host's own limit on password proofs: at most 3 a minute to one controller, however many
// links, checks and runs of the programs ask for them. Whoever answers in the controller's
// place can test one guess of the password per proof it receives, so the host does not hand
// proofs out freely. A proof counts from the moment it is sent until the controller proved the
// password back; one that never got that far (refused, unanswered, cut off, answered with
// anything else) keeps counting for the whole window.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace comm {

class ProofBudget {
  public:
    // Wall time: the counts are shared with other processes of the machine.
    using Clock = std::chrono::system_clock;
    static constexpr std::size_t kMaxProofs = 3;
    static constexpr std::chrono::seconds kWindow{60};

    virtual ~ProofBudget() = default;

    // Counts one proof to `controller` and gives the time it is counted under; nothing when
    // the budget is spent or the count cannot be kept (then no proof may be sent).
    virtual std::optional<Clock::time_point> take(const std::string& controller) = 0;
    // The proof counted at `when` ended with the controller's verified answer: it no longer
    // counts.
    virtual void verified(const std::string& controller, Clock::time_point when) = 0;
};

}  // namespace comm
