#pragma once
// What one controller keeps to guard its network password across connections: the failed
// proofs per source address and the hellos it has seen. The clock is injectable for tests.
#include <chrono>
#include <functional>

#include "platform/secure/FailureLimiter.h"
#include "platform/secure/HelloReplayGuard.h"

namespace sim {

struct PasswordGuard {
    secure::FailureLimiter failures;
    secure::HelloReplayGuard hellos;
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
};

}  // namespace sim
