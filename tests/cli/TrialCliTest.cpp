// Activation on trial end to end: krelvan-cli loads a program into kvxsim, and the controller
// itself is asked afterwards what runs and where its trial stands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "platform/wire/TrialPayloads.h"
#include "cli/KvxsimCli.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;
using wire::TrialState;

namespace {

// Boiler runs partition 16 with sub-application 2; 32 takes the load, 33 holds a program.
std::string boilerNetwork(const std::string& trialMs) {
    return R"([Controller Boiler]
Serial=KVX300-1
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0
FlashSize=8388608
ActivePartition=16
SubApplication=2
TrialMs=)" + trialMs + R"(

[Partition Boiler 16]
Name=Heating
Type=2
Attr5=1
Size=4096
MaxSize=2097152

[Partition Boiler 32]
Name=UnnamedPartition
Type=2
Size=0
MaxSize=2097152

[Partition Boiler 33]
Name=Spare
Type=2
Attr5=1
Size=4096
MaxSize=2097152
)";
}

const char* const kDidNotStart = "The new program did not start; partition 16 runs again";

class TrialCli : public clitest::KvxsimCli {
  protected:
    void start(const std::string& trialMs) { startOn(boilerNetwork(trialMs)); }
    std::string boiler() const { return link("Boiler"); }
    std::vector<std::string> load() const {
        return {"load", "--model", "3", "--program", "2", "--link", boiler(), "--partition", "32"};
    }
    // One request straight to the controller, as no host library would shape it.
    std::optional<wire::Frame> ask(const std::vector<uint8_t>& telegram) {
        auto socket = simtest::connectTcp(sim->tcp("Boiler"));
        if (!socket) return std::nullopt;
        simtest::TcpClient client(std::move(*socket));
        return client.exchange(simtest::telegram(wire::kDirectAddress, telegram));
    }
    wire::TrialReport trial() {
        const auto reply = ask({0x64});
        EXPECT_TRUE(reply && reply->code1 == 0);
        if (!reply || reply->code1 != 0) return {};
        auto report = wire::decodeTrialReport(reply->payload);
        EXPECT_TRUE(static_cast<bool>(report));
        return report ? *report : wire::TrialReport{};
    }
    int16_t activeVariable(int32_t index) {
        auto socket = simtest::connectTcp(sim->tcp("Boiler"));
        EXPECT_TRUE(socket.has_value());
        if (!socket) return -1;
        simtest::TcpClient client(std::move(*socket));
        const auto reply =
            client.exchange(simtest::readVar(wire::kDirectAddress, 1, wire::VarType::Int, 241, index));
        EXPECT_TRUE(reply && reply->code1 == 0);
        if (!reply || reply->code1 != 0) return -1;
        auto read = wire::decodeReadReply(reply->payload);
        return read ? static_cast<int16_t>(read->value.integer) : -1;
    }
    int16_t activePartition() { return activeVariable(88); }
    int16_t activeSub() { return activeVariable(89); }
    bool savedOnTrial() {
        std::ifstream in(temp / "state/Boiler.state");
        std::stringstream text;
        text << in.rdbuf();
        return text.str().find("\ntrial 1 32 ") != std::string::npos;
    }
    void waitSavedOnTrial() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (!savedOnTrial() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(savedOnTrial());
    }
    // krelvan-cli loading, killed once kvxsim saved its new program on trial.
    void killHostOnTrial() {
        const auto child = testsupport::spawn(withMachine(load()), true);
        ASSERT_GT(child.pid, 0);
        waitSavedOnTrial();
        ::kill(child.pid, SIGKILL);
        ::close(child.out);
        testsupport::waitExit(child.pid, std::chrono::seconds(30));
    }

};

// A good program is confirmed within a short trial and still runs once the trial time is long
// past; a controller built before the trial is loaded as before.
TEST_F(TrialCli, AGoodProgramIsConfirmedAndStays) {
    start("300");
    const auto r = run(load());
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("loaded into partition 32"));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(activePartition(), 32);
    EXPECT_EQ(activeSub(), 2);
    const wire::TrialReport report = trial();
    EXPECT_EQ(report.state, TrialState::Confirmed);
    EXPECT_TRUE(report.programRuns);
    EXPECT_EQ(report.returnPartition, 16);
}

TEST_F(TrialCli, AControllerWithoutTheTrialIsLoadedPlainly) {
    start("0");
    const auto r = run(load());
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("loaded into partition 32"));
    EXPECT_EQ(activePartition(), 32);
    const auto reply = ask({0x64});
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->code1, 2);  // UnknownCommand
}

// A program that does not start: the load fails, says so, and the partition that ran runs
// again with its sub-application; the same for another partition chosen in the list.
TEST_F(TrialCli, AProgramThatDoesNotStartLeavesThePreviousOneRunning) {
    start("5000");
    ASSERT_EQ(control("fault Boiler start_fails 1"), "ok");
    const auto r = run(load());
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr(kDidNotStart));
    EXPECT_THAT(r.out + r.err, Not(HasSubstr("loaded into partition")));
    EXPECT_EQ(activePartition(), 16);
    EXPECT_EQ(activeSub(), 2);
    wire::TrialReport report = trial();
    EXPECT_EQ(report.state, TrialState::Returned);
    EXPECT_EQ(report.reason, wire::ReturnReason::DidNotStart);
    EXPECT_TRUE(report.programRuns);

    const auto toggle = run({"partitions", "toggle", "--partition", "33", "--link", boiler(),
                             "--addr", "255:30"});
    EXPECT_EQ(toggle.exitCode, 1) << toggle.out << toggle.err;
    EXPECT_THAT(toggle.out + toggle.err, HasSubstr(kDidNotStart));
    EXPECT_EQ(activePartition(), 16);
    EXPECT_EQ(activeSub(), 2);

    ASSERT_EQ(control("fault Boiler start_fails 0"), "ok");
    const auto again = run({"partitions", "toggle", "--partition", "33", "--link", boiler(),
                            "--addr", "255:30"});
    EXPECT_EQ(again.exitCode, 0) << again.out << again.err;
    EXPECT_EQ(activePartition(), 33);
    EXPECT_EQ(trial().state, TrialState::Confirmed);
}

// The host is killed while its new program is still starting: nobody confirms, and once the
// trial time has passed the controller runs the previous partition by itself.
TEST_F(TrialCli, AHostKilledAfterTheActivationLeavesThePreviousProgramRunning) {
    start("1500");
    ASSERT_EQ(control("fault Boiler start_ms 60000"), "ok");
    ASSERT_NO_FATAL_FAILURE(killHostOnTrial());
    EXPECT_EQ(activePartition(), 32);  // still on trial
    std::this_thread::sleep_for(std::chrono::milliseconds(1700));
    EXPECT_EQ(activePartition(), 16);
    EXPECT_EQ(activeSub(), 2);
    const wire::TrialReport report = trial();
    EXPECT_EQ(report.state, TrialState::Returned);
    EXPECT_EQ(report.reason, wire::ReturnReason::TimeRanOut);
    EXPECT_FALSE(savedOnTrial());  // the return was saved without anybody asking
}

// A trial open when kvxsim stops is still open after its restart, with less time left, and
// ends on time there; one whose time ran out while kvxsim was away has ended when it answers.
TEST_F(TrialCli, ATrialSurvivesARestartOfTheSimulator) {
    start("4000");
    ASSERT_EQ(control("fault Boiler start_ms 60000"), "ok");
    ASSERT_NO_FATAL_FAILURE(killHostOnTrial());
    sim->kill();
    sim.reset();
    startSim();
    wire::TrialReport report = trial();
    EXPECT_EQ(report.state, TrialState::OnTrial);
    EXPECT_EQ(report.partition, 32);
    EXPECT_EQ(report.returnPartition, 16);
    EXPECT_GT(report.remainingMs, 0u);
    EXPECT_LT(report.remainingMs, 4000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(report.remainingMs + 300));
    EXPECT_EQ(activePartition(), 16);
    EXPECT_EQ(trial().state, TrialState::Returned);

    // Again, with kvxsim away past the trial's end.
    ASSERT_EQ(control("fault Boiler start_ms 60000"), "ok");
    ASSERT_EQ(control("fault Boiler trial_ms 500"), "ok");
    const auto second = testsupport::spawn(withMachine(load()), true);
    ASSERT_GT(second.pid, 0);
    waitSavedOnTrial();
    ::kill(second.pid, SIGKILL);
    ::close(second.out);
    testsupport::waitExit(second.pid, std::chrono::seconds(30));
    sim->kill();
    sim.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    startSim();
    EXPECT_EQ(activePartition(), 16);
    EXPECT_EQ(trial().reason, wire::ReturnReason::TimeRanOut);
}

}  // namespace
