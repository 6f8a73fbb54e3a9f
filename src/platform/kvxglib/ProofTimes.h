#pragma once
// The host's budget of password proofs, kept in the machine folder's "ProofTimes.txt" so that
// every program and every run on the machine shares it: one line per controller, its serial
// number and the times (milliseconds of the wall clock) of the proofs that count. No secret.
// Each change is a read-modify-write under an exclusive lock on "ProofTimes.lock", the file
// replaced atomically. A file that cannot be read as written is taken as a spent budget: every
// controller's, for one window from when the damage was found (the file records that and is
// rebuilt from what was readable).
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/comm/ProofBudget.h"

namespace kvxglib {

class ProofTimes final : public comm::ProofBudget {
  public:
    explicit ProofTimes(
        std::string machineDir,
        std::function<Clock::time_point()> now = [] { return Clock::now(); });

    std::optional<Clock::time_point> take(const std::string& controller) override;
    void verified(const std::string& controller, Clock::time_point when) override;

    // The proofs that count against `controller` now (the tests' and the curious' view).
    std::size_t counted(const std::string& controller) const;

  private:
    using Times = std::map<std::string, std::vector<int64_t>>;
    // Runs `change` on the file's counts under the lock and writes them back when it says
    // so; false when the lock or the file could not be had.
    bool update(const std::function<bool(Times&, int64_t now)>& change) const;

    std::string path_;
    std::string lockPath_;
    std::function<Clock::time_point()> now_;
};

}  // namespace kvxglib
