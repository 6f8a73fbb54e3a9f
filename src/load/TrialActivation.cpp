#include "load/TrialActivation.h"

#include <algorithm>
#include <chrono>

#include "catalogue/WaitSeconds.h"
#include "load/Controller.h"
#include "load/RestoreActivation.h"
#include "program/Program.h"

namespace load {
namespace {

using wire::ReturnReason;
using wire::TrialState;

constexpr int kTries = 6;  // as a plain activation after a load: Busy while a transfer ends
constexpr int16_t kNoApplication = 14;
// A trial whose end the host never saw is waited for no longer than this, the link's own
// time-outs aside; the controller goes back by itself anyway.
constexpr uint32_t kLongestWaitMs = 60000;
constexpr uint32_t kMarginMs = 1500;
constexpr double kPollSeconds = 0.05;

std::string runsAgain(int16_t back) {
    return back == kNoApplication ? "the controller runs no program, as before (partition 14)"
                                  : "partition " + std::to_string(back) + " runs again";
}

std::string returnedText(ReturnReason reason, bool accepted, int16_t back) {
    if (!accepted) return "The new program could not be activated; " + runsAgain(back);
    if (reason == ReturnReason::TimeRanOut)
        return "The new program was not seen running within its trial time; " + runsAgain(back);
    return "The new program did not start; " + runsAgain(back);
}

}  // namespace

TrialResult ActivateOnTrial(program::Program& program, int16_t pla, int16_t ela,
                            int16_t partition, int16_t subApplication, int16_t back,
                            int16_t backSub, Untried untried) {
    Controller& controller = ControllerOf(program);
    Platform& platform = program.platform;
    uint32_t granted = 0;
    Controller::TrialAnswer answer = Controller::TrialAnswer::Failed;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt != 0) catalogue::WaitSeconds(platform, 1);
        answer = controller.activateOnTrial(pla, ela, partition, subApplication, back, backSub,
                                            kTrialAskMs, granted);
        if (answer != Controller::TrialAnswer::Failed) break;
    }
    if (answer == Controller::TrialAnswer::NotKnown) {
        // Built before the trial: activated as always, and only what it names is believed.
        if (untried == Untried::ActivateOnce) {
            controller.activate(pla, ela, partition, subApplication);
            return {TrialEnd::Untried, {}, false};
        }
        if (RestoreActivation(program, pla, ela, partition, subApplication))
            return {TrialEnd::Untried, {}, false};
        return {TrialEnd::NotRunning, NotRunningText(partition), false};
    }

    const bool accepted = answer == Controller::TrialAnswer::Accepted;
    wire::TrialReport report;
    bool reported = false;
    if (accepted) {
        const auto end = platform.clock.now() +
                         std::chrono::milliseconds(std::min(granted, kLongestWaitMs) + kMarginMs);
        while (platform.clock.now() < end) {
            reported = controller.trialStatus(pla, ela, report);
            const bool ours = reported && report.partition == partition &&
                              report.subApplication == subApplication;
            if (ours && report.programRuns && report.state != TrialState::OnTrial &&
                report.state != TrialState::Returned)
                return {TrialEnd::Confirmed, {}};  // confirmed (perhaps a lost reply) or kept
            if (reported && report.state == TrialState::Returned) break;
            if (ours && report.state == TrialState::OnTrial && report.programRuns) {
                // The next status read tells whether the confirmation took.
                if (controller.confirmTrial(pla, ela, partition, subApplication)) continue;
            }
            catalogue::WaitFromNow(platform, kPollSeconds);
        }
    }

    // What ran before runs again: by the controller's own return, else put back by the host.
    const bool wentBack = reported && report.state == TrialState::Returned &&
                          report.partition == back && report.subApplication == backSub &&
                          (report.programRuns || back == kNoApplication);
    int32_t active = -1;
    const bool readBack =
        wentBack && controller.readNumber(pla, ela, "QSystem.ActivePartition", active) &&
        active == back;
    const ReturnReason reason = reported && report.state == TrialState::Returned
                                    ? report.reason
                                    : ReturnReason::TimeRanOut;
    if (readBack || RestoreActivation(program, pla, ela, back, backSub))
        return {TrialEnd::Returned, returnedText(reason, accepted, back)};
    return {TrialEnd::NotRunning, NotRunningText(back)};
}

}  // namespace load
