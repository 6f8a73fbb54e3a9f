// The partition-table change and the application control, straight from a controller's state.
#include <gtest/gtest.h>

#include "platform/wire/Request.h"
#include "sim/ApplicationControl.h"
#include "sim/Controller.h"
#include "sim/SimClient.h"
#include "sim/SystemVariables.h"

namespace {

using wire::PartitionAction;
using wire::PartitionChange;
using wire::ReplyCode;

constexpr wire::Address kSelf{1, 5};
constexpr int32_t kFlash = 8 << 20;

sim::ControllerConfig config(bool kvxrealC) {
    sim::ControllerConfig c;
    c.id = "C";
    c.serialNumber = "SN";
    c.kvxrealC = kvxrealC;
    c.address = kSelf;
    c.flashSize = kFlash;
    c.osVersion = "2.5";
    c.activePartition = 16;
    for (uint8_t n : {16, 17, 32}) {
        sim::PartitionConfig p;
        p.number = n;
        p.name = "P" + std::to_string(n);
        p.type = n == 17 ? 3 : 2;
        p.maxSize = 1 << 20;
        if (kvxrealC) c.partitions.push_back(p);
    }
    // Partition 17 holds the active web site.
    c.variables.push_back({{1, wire::VarType::Int, 242, 168}, wire::Value::int16(17)});
    return c;
}

PartitionChange create(uint8_t n, uint32_t size, uint8_t type = 2) {
    return {PartitionAction::Create, n, 1, type, size, "New"};
}
PartitionChange drop(uint8_t n) { return {PartitionAction::Remove, n, 0, 0, 0, ""}; }

struct Case {
    const char* what;
    std::vector<PartitionChange> changes;
    ReplyCode code;
    int8_t position;
};

TEST(PartitionTable, ChangesTakeEffectAllOrNothing) {
    const std::vector<Case> cases = {
        {"create and remove together", {create(40, 1 << 20), drop(32)}, ReplyCode::Ok, 0},
        {"remove then create the same number", {drop(32), create(32, 4096)}, ReplyCode::Ok, 0},
        {"flash exactly full", {create(40, kFlash - (3 << 20))}, ReplyCode::Ok, 0},
        {"one byte beyond the free flash", {create(40, kFlash - (3 << 20) + 1)},
         ReplyCode::NoFlash, 1},
        {"freed flash counts", {drop(32), create(40, kFlash - (2 << 20))}, ReplyCode::Ok, 0},
        {"number below the user range", {create(40, 4096), create(15, 4096)},
         ReplyCode::OutOfRange, 2},
        {"number above the user range", {create(251, 4096)}, ReplyCode::OutOfRange, 1},
        {"zero size", {create(40, 0)}, ReplyCode::OutOfRange, 1},
        {"existing number", {create(32, 4096)}, ReplyCode::AlreadyExists, 1},
        {"unknown type", {create(40, 4096, 5)}, ReplyCode::BadRequest, 1},
        {"unknown partition", {create(40, 4096), drop(33)}, ReplyCode::NotFound, 2},
        {"the active program", {drop(16)}, ReplyCode::Refused, 1},
        {"the active web site", {drop(17)}, ReplyCode::Refused, 1},
        {"removed twice", {drop(32), drop(32)}, ReplyCode::NotFound, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Controller controller(config(true), sim::initialState(config(true)));
        const auto before = controller.state().partitions;
        const auto reply =
            controller.handle(simtest::request(kSelf, wire::PartitionTableRequest{c.changes}));
        ASSERT_TRUE(reply.reply);
        EXPECT_EQ(ReplyCode(reply.reply->code1), c.code);
        EXPECT_EQ(reply.reply->code2, c.position);
        EXPECT_EQ(reply.changed, c.code == ReplyCode::Ok);
        const auto& after = controller.state().partitions;
        if (c.code != ReplyCode::Ok) {
            EXPECT_EQ(after.size(), before.size());
            EXPECT_EQ(after.count(40), 0u);
            continue;
        }
        int64_t reserved = 0;
        for (const auto& [n, p] : after) reserved += std::get<int32_t>(p.attributes.at(9));
        const sim::StoredVariable* used = controller.state().variables.find(sim::kSystemFile, 91);
        ASSERT_NE(used, nullptr);
        EXPECT_EQ(used->value.integer, reserved);
    }
}

TEST(PartitionTable, NewPartitionHasEveryAttributeAndSurvivesTheStateFile) {
    sim::Controller controller(config(true), sim::initialState(config(true)));
    controller.handle(simtest::request(kSelf, wire::PartitionTableRequest{{create(41, 8192, 3)}}));
    const auto& p = controller.state().partitions.at(41);
    EXPECT_EQ(std::get<std::string>(p.attributes.at(2)), "New");
    EXPECT_EQ(std::get<int32_t>(p.attributes.at(4)), 3);
    EXPECT_EQ(std::get<int32_t>(p.attributes.at(8)), 0);
    EXPECT_EQ(std::get<int32_t>(p.attributes.at(9)), 8192);
    EXPECT_EQ(std::get<std::string>(p.attributes.at(110)), "");
    sim::ControllerState back;
    std::string error;
    ASSERT_TRUE(sim::parseState(sim::serializeState(controller.state()), back, error)) << error;
    EXPECT_EQ(back.partitions.count(41), 1u);
}

TEST(ApplicationControl, StopClearStartOnOlderControllersOnly) {
    struct Step {
        wire::ApplicationAction action;
        ReplyCode code;
        bool running, present;
    };
    using A = wire::ApplicationAction;
    const std::vector<Step> steps = {
        {A::Clear, ReplyCode::Refused, true, true},   // still running
        {A::Stop, ReplyCode::Ok, false, true},
        {A::Stop, ReplyCode::Ok, false, true},        // again: nothing changes
        {A::Clear, ReplyCode::Ok, false, false},
        {A::Start, ReplyCode::NotFound, false, false},  // nothing to start
    };
    sim::Controller older(config(false), sim::initialState(config(false)));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const auto out =
            older.handle(simtest::request(kSelf, wire::ApplicationControlRequest{steps[i].action}));
        EXPECT_EQ(ReplyCode(out.reply->code1), steps[i].code);
        EXPECT_EQ(older.state().applicationRunning, steps[i].running);
        EXPECT_EQ(older.state().applicationPresent, steps[i].present);
    }
    sim::ControllerState back;
    std::string error;
    ASSERT_TRUE(sim::parseState(sim::serializeState(older.state()), back, error)) << error;
    EXPECT_FALSE(back.applicationPresent);

    sim::Controller c(config(true), sim::initialState(config(true)));
    EXPECT_EQ(c.handle(simtest::request(kSelf, wire::ApplicationControlRequest{A::Stop}))
                  .reply->code1,
              wire::code(ReplyCode::UnknownCommand));
    EXPECT_EQ(older.handle(simtest::request(kSelf, wire::PartitionTableRequest{{drop(32)}}))
                  .reply->code1,
              wire::code(ReplyCode::UnknownCommand));
}

TEST(ApplicationControl, OlderControllersReportAFixedWidthVersion) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2.5", "02.05.00.0000"},
        {"2.5-0-3", "02.05.00.0003"},
        {"10.2.1.12", "10.02.01.0012"},
        {"KVXreal 1.9", "01.09.00.0000"},
        {"beta", "beta"},
    };
    for (const auto& [given, fixed] : cases) EXPECT_EQ(sim::fixedWidthVersion(given), fixed);
    // Character order is number order once the width is fixed.
    EXPECT_LT(sim::fixedWidthVersion("2.9"), sim::fixedWidthVersion("2.10"));
    sim::Controller older(config(false), sim::initialState(config(false)));
    const auto* v = older.state().variables.find(sim::kSystemFile, sim::kOsRevisionIndex);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->value.text, "02.05.00.0000");
}

}  // namespace
