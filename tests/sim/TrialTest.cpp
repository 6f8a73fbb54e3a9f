// Activation on trial in the controller itself, on a clock the test moves: when it goes back
// and what it takes as a confirmation. Restarts of kvxsim are played end to end (cli_trial_tests).
#include <gtest/gtest.h>

#include <sstream>

#include "platform/wire/Request.h"
#include "platform/wire/Telegram.h"
#include "platform/wire/TrialPayloads.h"
#include "platform/wire/VariablePayloads.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"

namespace {

using wire::ReplyCode;
using wire::ReturnReason;
using wire::TrialState;
namespace tg = wire::telegram;

constexpr wire::Address kBoiler{1, 5};

sim::ControllerConfig trialConfig() {
    sim::ControllerConfig c;
    c.id = "Boiler";
    c.kvxrealC = true;
    c.address = kBoiler;
    c.activePartition = 16;
    c.activeSubApplication = 2;
    for (uint8_t n : {16, 32, 33}) {
        sim::PartitionConfig p;
        p.number = n;
        p.name = "P" + std::to_string(n);
        p.maxSize = 1 << 20;
        c.partitions.push_back(p);
    }
    c.faults.trialMs = 1000;
    return c;
}

struct TrialTest : ::testing::Test {
    int64_t now = 1'000'000;
    sim::Controller controller{trialConfig(), sim::initialState(trialConfig())};

    TrialTest() { controller.wallClock = [this] { return now; }; }

    sim::Outcome send(const tg::TelegramCommand& command) {
        return controller.handle(simtest::telegram(kBoiler, tg::buildTelegram(command)));
    }
    ReplyCode code(const tg::TelegramCommand& command) {
        return ReplyCode(send(command).reply->code1);
    }
    wire::TrialReport status() {
        auto out = send(tg::TrialStatus{});
        EXPECT_EQ(out.reply->code1, 0);
        return *wire::decodeTrialReport(out.reply->payload);
    }
    int32_t active() {
        auto out = controller.handle(simtest::readVar(kBoiler, 1, wire::VarType::Int, 241, 88));
        return wire::decodeReadReply(out.reply->payload)->value.integer;
    }
};

TEST_F(TrialTest, ATrialNobodyConfirmsGoesBackWhenItsTimeEnds) {
    auto out = send(tg::ActivateOnTrial{32, 1, 16, 2, 30000});
    ASSERT_EQ(out.reply->code1, 0);
    EXPECT_EQ(*wire::decodeTrialGrant(out.reply->payload), wire::TrialGrant{1000});  // its own
    EXPECT_TRUE(out.changed);
    now += 999;
    wire::TrialReport report = status();
    EXPECT_EQ(report.state, TrialState::OnTrial);
    EXPECT_EQ(report.remainingMs, 1u);
    EXPECT_EQ(active(), 32);
    now += 1;
    // The first request after the end finds it gone back, and the return is to be saved.
    EXPECT_TRUE(controller.handle(simtest::readVar(kBoiler, 1, wire::VarType::Int, 241, 88)).changed);
    report = status();
    EXPECT_EQ(report, (wire::TrialReport{TrialState::Returned, true, 16, 2, 16, 2, 0,
                                          ReturnReason::TimeRanOut}));
    EXPECT_EQ(code(tg::ConfirmTrial{32, 1}), ReplyCode::Refused);  // too late
    EXPECT_EQ(active(), 16);
}

TEST_F(TrialTest, OnlyTheOpenTrialWithItsProgramRunningIsConfirmed) {
    controller.faults.settings.startMs = 200;
    ASSERT_EQ(code(tg::ActivateOnTrial{32, 1, 16, 2, 800}), ReplyCode::Ok);
    EXPECT_FALSE(status().programRuns);
    EXPECT_EQ(code(tg::ConfirmTrial{32, 1}), ReplyCode::Refused);  // still starting
    now += 200;
    EXPECT_TRUE(status().programRuns);
    EXPECT_EQ(code(tg::ConfirmTrial{33, 1}), ReplyCode::Refused);
    EXPECT_EQ(code(tg::ConfirmTrial{32, 0}), ReplyCode::Refused);
    EXPECT_EQ(code(tg::ConfirmTrial{32, 1}), ReplyCode::Ok);
    EXPECT_EQ(code(tg::ConfirmTrial{32, 1}), ReplyCode::Ok);  // a lost reply, asked again
    now += 5000;
    EXPECT_EQ(status().state, TrialState::Confirmed);
    EXPECT_EQ(active(), 32);
    // A plain activation leaves no trial behind.
    controller.faults.settings.startMs = 0;
    ASSERT_EQ(code(tg::Activate{33, 0}), ReplyCode::Ok);
    EXPECT_EQ(status(), (wire::TrialReport{TrialState::Running, true, 33, 0, 0, 0, 0,
                                          ReturnReason::None}));
}

TEST_F(TrialTest, AProgramThatDoesNotStartGoesBackAtOnce) {
    controller.faults.settings.startFails = true;
    ASSERT_EQ(code(tg::ActivateOnTrial{32, 1, 16, 2, 800}), ReplyCode::Ok);
    EXPECT_EQ(status(), (wire::TrialReport{TrialState::Returned, true, 16, 2, 16, 2, 0,
                                          ReturnReason::DidNotStart}));
    // Plainly activated, it is reported stopped; a cool start of one on trial goes back.
    ASSERT_EQ(code(tg::Activate{33, 0}), ReplyCode::Ok);
    EXPECT_FALSE(status().programRuns);
    controller.faults.settings.startFails = false;
    ASSERT_EQ(code(tg::ActivateOnTrial{32, 1, 16, 2, 800}), ReplyCode::Ok);
    controller.faults.settings.startFails = true;
    send(tg::CoolStart{});
    EXPECT_EQ(status().reason, ReturnReason::DidNotStart);
    EXPECT_EQ(active(), 16);
}

TEST_F(TrialTest, WhatATrialCannotBe) {
    const std::vector<std::pair<tg::TelegramCommand, ReplyCode>> cases = {
        {tg::ActivateOnTrial{14, 0, 16, 2, 800}, ReplyCode::BadRequest},
        {tg::ActivateOnTrial{32, 0, 32, 0, 800}, ReplyCode::BadRequest},
        {tg::ActivateOnTrial{32, 0, 16, 2, 0}, ReplyCode::BadRequest},
        {tg::ActivateOnTrial{40, 0, 16, 2, 800}, ReplyCode::NotFound},
        {tg::ActivateOnTrial{32, 0, 40, 0, 800}, ReplyCode::NotFound},
        {tg::ConfirmTrial{32, 0}, ReplyCode::Refused},  // none open
    };
    for (const auto& [command, expected] : cases) {
        SCOPED_TRACE(tg::buildTelegram(command).size());
        EXPECT_EQ(code(command), expected);
    }
    EXPECT_EQ(active(), 16);
    EXPECT_EQ(status().state, TrialState::Running);
    // One built before the trial knows none of it.
    controller.faults.settings.trialMs = 0;
    for (const tg::TelegramCommand& c : std::vector<tg::TelegramCommand>{
             tg::ActivateOnTrial{32, 0, 16, 2, 800}, tg::ConfirmTrial{32, 0}, tg::TrialStatus{}})
        EXPECT_EQ(code(c), ReplyCode::UnknownCommand);
}

// A state file written before the trial existed reads as a controller without one.
TEST_F(TrialTest, AStateFileFromBeforeTheTrialHasNone) {
    ASSERT_EQ(code(tg::ActivateOnTrial{32, 1, 16, 2, 800}), ReplyCode::Ok);
    std::string error;
    sim::ControllerState old;
    std::string text;
    std::istringstream lines(sim::serializeState(controller.state()));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("program ", 0) != 0 && line.rfind("trial ", 0) != 0) text += line + "\n";
    ASSERT_TRUE(sim::parseState(text, old, error)) << error;
    EXPECT_EQ(old.trial.state, TrialState::Running);
}

}  // namespace
