// The host's side of activation on trial against a scripted controller: when it confirms,
// when it puts the old program back itself, and what it then says.
#include <gmock/gmock.h>

#include <functional>

#include "LoadFixture.h"
#include "load/TrialActivation.h"

namespace {

using loadtest::ScriptedController;
using wire::ReturnReason;
using wire::TrialReport;
using wire::TrialState;

// Partition 32 with sub-application 2 tried, 16/2 ran before.
TrialReport onTrial(bool runs) { return {TrialState::OnTrial, runs, 32, 2, 16, 2, 200, {}}; }
const TrialReport kConfirmed{TrialState::Confirmed, true, 32, 2, 16, 2, 0, {}};
TrialReport returned(bool runs, ReturnReason why = ReturnReason::DidNotStart) {
    return {TrialState::Returned, runs, 16, 2, 16, 2, 0, why};
}

struct TrialCase {
    const char* name;
    std::function<void(ScriptedController&)> script;
    load::TrialEnd end;
    std::string text;
    std::vector<std::string> confirms;
    std::vector<std::string> activations;  // plain ones
};

class TrialActivationTest : public loadtest::LoadFixture,
                            public ::testing::WithParamInterface<TrialCase> {};

TEST_P(TrialActivationTest, ConfirmsOnlyARunningProgramAndElseRunsTheOldOneAgain) {
    const TrialCase& c = GetParam();
    controller->knowsTrial = true;
    controller->numbers["QSystem.ActivePartition"] = 16;
    c.script(*controller);
    const load::TrialResult result = load::ActivateOnTrial(program(), 12, 3, 32, 2, 16, 2);
    EXPECT_EQ(result.end, c.end);
    EXPECT_EQ(result.text, c.text);
    EXPECT_EQ(controller->callsStartingWith("confirm"), c.confirms);
    EXPECT_EQ(controller->callsStartingWith("activate"), c.activations);
}

const std::vector<std::string> kOneConfirm{"confirm 12:3 32 2"};
const char* const kDidNotStart = "The new program did not start; partition 16 runs again";
const char* const kNotSeen =
    "The new program was not seen running within its trial time; partition 16 runs again";

INSTANTIATE_TEST_SUITE_P(
    Cases, TrialActivationTest,
    ::testing::Values(
        TrialCase{"ConfirmedOnceItRuns",
                  [](ScriptedController& s) {
                      s.trialStatuses = {onTrial(false), onTrial(false), onTrial(true), kConfirmed};
                  },
                  load::TrialEnd::Confirmed, "", kOneConfirm, {}},
        // The confirmation took but its reply was lost: the status says so.
        TrialCase{"ALostConfirmationReplyIsReadBack",
                  [](ScriptedController& s) {
                      s.confirmAnswers = false;
                      s.trialStatuses = {onTrial(true), kConfirmed};
                  },
                  load::TrialEnd::Confirmed, "", kOneConfirm, {}},
        TrialCase{"TheControllerWentBackByItself",
                  [](ScriptedController& s) { s.trialStatuses = {returned(true)}; },
                  load::TrialEnd::Returned, kDidNotStart, {}, {}},
        // Gone back, but the old program is not reported running: the host activates it.
        TrialCase{"BackButNotRunningIsActivatedAgain",
                  [](ScriptedController& s) { s.trialStatuses = {returned(false)}; },
                  load::TrialEnd::Returned, kDidNotStart, {}, {"activate 12:3 16 2"}},
        // Never seen running, never confirmed: the old program is put back, not waited for.
        TrialCase{"NoStatusEverAnswers",
                  [](ScriptedController& s) { s.trialStatuses = {std::nullopt}; },
                  load::TrialEnd::Returned, kNotSeen, {}, {"activate 12:3 16 2"}},
        TrialCase{"StillStartingWhenTheTimeEnds",
                  [](ScriptedController& s) { s.trialStatuses = {onTrial(false)}; },
                  load::TrialEnd::Returned, kNotSeen, {}, {"activate 12:3 16 2"}},
        TrialCase{"TheActivationIsNeverAccepted",
                  [](ScriptedController& s) { s.failedTrialActivations = 99; },
                  load::TrialEnd::Returned,
                  "The new program could not be activated; partition 16 runs again", {},
                  {"activate 12:3 16 2"}},
        TrialCase{"TheOldProgramCannotBePutBack",
                  [](ScriptedController& s) {
                      s.trialStatuses = {std::nullopt};
                      s.refusedProgramActivations = 99;
                  },
                  load::TrialEnd::NotRunning,
                  "The controller may be left without a running program: partition 16 could "
                  "not be activated. Check the connection, then activate partition 16 in the "
                  "partition list or load the program again.",
                  {},
                  std::vector<std::string>(6, "activate 12:3 16 2")},
        // Built before the trial: activated plainly and read back.
        TrialCase{"AControllerWithoutTheTrial",
                  [](ScriptedController& s) { s.knowsTrial = false; },
                  load::TrialEnd::Untried, "", {}, {"activate 12:3 32 2"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
