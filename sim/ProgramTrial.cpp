#include "sim/ProgramTrial.h"

#include <algorithm>
#include <chrono>

#include "sim/SystemVariables.h"
#include "sim/WebSite.h"

namespace sim {
namespace {

using wire::ReplyCode;
using wire::TrialState;
namespace tg = wire::telegram;

constexpr int32_t kActiveSubApplicationIndex = 89;

void setActive(ControllerState& state, uint8_t partition, uint8_t subApplication) {
    state.variables.set(kSystemFile, kActivePartitionIndex, wire::Value::int16(partition));
    state.variables.set(kSystemFile, kActiveSubApplicationIndex,
                        wire::Value::int16(subApplication));
}

int32_t activeNumber(const ControllerState& state, int32_t index) {
    const StoredVariable* v = state.variables.find(kSystemFile, index);
    return v != nullptr ? v->value.integer : 0;
}

// The program that ran before is put back as it ran: the start knobs are for new programs.
void goBack(ControllerState& state, wire::ReturnReason reason) {
    ProgramTrial& t = state.trial;
    setActive(state, t.returnPartition, t.returnSubApplication);
    state.programRunsFromMs = t.returnPartition == tg::kDeactivatePartition ? -1 : 0;
    t.state = TrialState::Returned;
    t.reason = reason;
    t.deadlineMs = 0;
}

bool exists(const ControllerState& state, uint8_t partition) {
    return partition == tg::kDeactivatePartition || state.partitions.count(partition) != 0;
}

}  // namespace

int64_t wallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void startProgram(ControllerState& state, uint8_t partition, uint8_t subApplication,
                  const FaultSettings& faults, int64_t now) {
    setActive(state, partition, subApplication);
    if (partition == tg::kDeactivatePartition || faults.startFails)
        state.programRunsFromMs = -1;
    else
        state.programRunsFromMs = now + faults.startMs;
}

bool programRuns(const ControllerState& state, int64_t now) {
    // Partition 14 runs nothing, whatever a state file from before the trial says.
    if (activeNumber(state, kActivePartitionIndex) == tg::kDeactivatePartition) return false;
    return state.programRunsFromMs >= 0 && now >= state.programRunsFromMs;
}

void activatePlainly(ControllerState& state, uint8_t partition, uint8_t subApplication,
                     const FaultSettings& faults, int64_t now) {
    startProgram(state, partition, subApplication, faults, now);
    state.trial = ProgramTrial{};
}

void restartProgram(ControllerState& state, const FaultSettings& faults, int64_t now) {
    const auto partition = static_cast<uint8_t>(activeNumber(state, kActivePartitionIndex));
    const auto sub = static_cast<uint8_t>(activeNumber(state, kActiveSubApplicationIndex));
    startProgram(state, partition, sub, faults, now);
    if (state.trial.state == TrialState::OnTrial && state.programRunsFromMs < 0)
        goBack(state, wire::ReturnReason::DidNotStart);
}

ReplyCode activateOnTrial(ControllerState& state, const tg::ActivateOnTrial& a,
                          const FaultSettings& faults, int64_t now, uint32_t& granted) {
    if (a.trialMs == 0 || a.partition == tg::kDeactivatePartition ||
        a.partition == a.returnPartition)
        return ReplyCode::BadRequest;
    if (!state.partitions.count(a.partition) || !exists(state, a.returnPartition))
        return ReplyCode::NotFound;
    // Only a program is tried; a web site is served, not run.
    const Partition& target = state.partitions.at(a.partition);
    if (isWebPartition(target) || !target.site.empty()) return ReplyCode::Refused;
    granted = std::min(a.trialMs, faults.trialMs);
    startProgram(state, a.partition, a.subApplication, faults, now);
    state.trial = ProgramTrial{TrialState::OnTrial, a.partition,        a.subApplication,
                               a.returnPartition,   a.returnSubApplication, now + granted,
                               wire::ReturnReason::None};
    if (state.programRunsFromMs < 0) goBack(state, wire::ReturnReason::DidNotStart);
    return ReplyCode::Ok;
}

ReplyCode confirmTrial(ControllerState& state, const tg::ConfirmTrial& c, int64_t now) {
    ProgramTrial& t = state.trial;
    if (t.partition != c.partition || t.subApplication != c.subApplication)
        return ReplyCode::Refused;
    if (t.state == TrialState::Confirmed) return ReplyCode::Ok;
    if (t.state != TrialState::OnTrial || !programRuns(state, now)) return ReplyCode::Refused;
    t.state = TrialState::Confirmed;
    t.deadlineMs = 0;
    return ReplyCode::Ok;
}

bool expireTrial(ControllerState& state, int64_t now) {
    if (state.trial.state != TrialState::OnTrial || now < state.trial.deadlineMs) return false;
    goBack(state, wire::ReturnReason::TimeRanOut);
    return true;
}

wire::TrialReport trialReport(const ControllerState& state, int64_t now) {
    const ProgramTrial& t = state.trial;
    wire::TrialReport r;
    r.state = t.state;
    r.programRuns = programRuns(state, now);
    r.partition = static_cast<uint8_t>(activeNumber(state, kActivePartitionIndex));
    r.subApplication = static_cast<uint8_t>(activeNumber(state, kActiveSubApplicationIndex));
    if (t.state != TrialState::Running) {
        r.returnPartition = t.returnPartition;
        r.returnSubApplication = t.returnSubApplication;
    }
    if (t.state == TrialState::OnTrial)
        r.remainingMs = static_cast<uint32_t>(std::max<int64_t>(0, t.deadlineMs - now));
    r.reason = t.reason;
    return r;
}

}  // namespace sim
