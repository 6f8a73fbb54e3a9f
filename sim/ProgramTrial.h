#pragma once
// The program a KVXreal C controller runs and its activation on trial: the controller runs the
// new program and goes back by itself to the one named to return to, at once when the new one
// does not start, or when nobody confirms it within the trial time.
#include <cstdint>

#include "platform/wire/ReplyCode.h"
#include "platform/wire/Telegram.h"
#include "platform/wire/TrialPayloads.h"
#include "sim/ControllerState.h"
#include "sim/Faults.h"

namespace sim {

// Milliseconds since 1970 on the wall clock: a trial's end must survive a restart of the
// simulator, which a steady clock does not.
int64_t wallMs();

// Makes partition/subApplication the active one and starts its program as the knobs say.
// Partition 14 runs nothing.
void startProgram(ControllerState& state, uint8_t partition, uint8_t subApplication,
                  const FaultSettings& faults, int64_t now);
bool programRuns(const ControllerState& state, int64_t now);

// A plain activation: the program starts, and an open trial is over (the host chose).
void activatePlainly(ControllerState& state, uint8_t partition, uint8_t subApplication,
                     const FaultSettings& faults, int64_t now);
// A cool start restarts the active program: one on trial that then does not start returns.
void restartProgram(ControllerState& state, const FaultSettings& faults, int64_t now);

// Checks and opens a trial; `granted` is the trial time given.
wire::ReplyCode activateOnTrial(ControllerState& state, const wire::telegram::ActivateOnTrial& a,
                                const FaultSettings& faults, int64_t now, uint32_t& granted);
// Ok for the open trial of that partition and sub-application while its program runs (or
// one already confirmed: a host whose reply was lost asks again); Refused otherwise.
wire::ReplyCode confirmTrial(ControllerState& state, const wire::telegram::ConfirmTrial& c,
                             int64_t now);
// True when an open trial's time was up and the controller went back.
bool expireTrial(ControllerState& state, int64_t now);
wire::TrialReport trialReport(const ControllerState& state, int64_t now);

}  // namespace sim
