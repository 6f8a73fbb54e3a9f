#pragma once
// The reply bytes of the trial telegrams (activate on trial, trial status): what a controller
// grants, and where a trial stands.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/wire/Result.h"

namespace wire {

// The trial time the controller granted, in milliseconds (at most what was asked).
struct TrialGrant {
    uint32_t trialMs = 0;
    bool operator==(const TrialGrant&) const = default;
};

enum class TrialState : uint8_t {
    Running = 0,    // no trial since the last plain activation (or ever)
    OnTrial = 1,    // the program runs until confirmed or until the time ends
    Confirmed = 2,  // the host confirmed it in time: it stays
    Returned = 3,   // the controller went back to the return partition by itself
};
enum class ReturnReason : uint8_t {
    None = 0,
    DidNotStart = 1,  // the program did not start: the return came at once
    TimeRanOut = 2,   // nobody confirmed within the trial time
};

struct TrialReport {
    TrialState state = TrialState::Running;
    bool programRuns = false;  // the active partition's program runs now
    uint8_t partition = 0;     // active partition and sub-application now
    uint8_t subApplication = 0;
    uint8_t returnPartition = 0;  // where the last trial returns (returned) to; 0 without one
    uint8_t returnSubApplication = 0;
    uint32_t remainingMs = 0;  // on trial: time left to confirm; 0 otherwise
    ReturnReason reason = ReturnReason::None;  // Returned only
    bool operator==(const TrialReport&) const = default;
};
constexpr std::size_t kTrialReportSize = 11;

Result<std::vector<uint8_t>> encodePayload(const TrialGrant& grant);
Result<TrialGrant> decodeTrialGrant(std::span<const uint8_t> bytes);
// Refuses unknown states and reasons, a program flag other than 0 or 1, a reason outside the
// returned state and any other length.
Result<std::vector<uint8_t>> encodePayload(const TrialReport& report);
Result<TrialReport> decodeTrialReport(std::span<const uint8_t> bytes);

}  // namespace wire
