// A program load interrupted from outside, end to end from the command line: Ctrl-C or a
// hang-up of the terminal, a controller that restarts mid-transfer, a controller lost once its
// running program was stopped. Afterwards kvxsim is asked what runs; the message must say the
// same.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/KvxsimCli.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Boiler runs partition 16 with sub-application 2; partition 32 takes the load.
const char* kBoilerRunning16 = R"([Controller Boiler]
Serial=KVX300-1
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0
FlashSize=8388608
ActivePartition=16
SubApplication=2

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
)";

const char* const kKept16 = "The controller keeps the program it had: partition 16 runs.";
const char* const kLoadedName = "Heating and ventilation with web site";

class LoadInterruptCli : public clitest::KvxsimCli {
  protected:
    void SetUp() override { startOn(kBoilerRunning16); }
    std::string boiler() const { return link("Boiler"); }
    // The program of KVX300C 3.1 into partition 32; no --yes, so its operating-system
    // upgrade is declined and the load is all that happens.
    std::vector<std::string> load() const {
        return {"load", "--model", "3", "--program", "2", "--link", boiler(), "--partition", "32"};
    }
    // A variable of Boiler by name, as the CLI prints it (the last field of its line).
    std::string readName(const std::string& name) {
        const auto r = run({"read-name", "--model", "3", "--program", "2", "--link", boiler(),
                            "--addr", "255:30", name});
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
        std::string out = r.out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out.substr(out.rfind('\t') + 1);
    }
    std::string partitions() {
        const auto r = run({"partitions", "list", "--link", boiler(), "--addr", "255:30"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    // Whether the state kvxsim saved names `partition` as the running one.
    bool savedActive(int partition) {
        std::ifstream in(temp / "state/Boiler.state");
        std::stringstream text;
        text << in.rdbuf();
        return text.str().find("var 1 3 241 88 0 0 " + std::to_string(partition) + "\n") !=
               std::string::npos;
    }
    // Everything the spawned load writes, until it ends.
    static std::string rest(const testsupport::Spawned& child) {
        return testsupport::readUntil(child.out, "\x04", std::chrono::seconds(90));
    }

};

// Stopped from the terminal while the image travels: the running program was never stopped,
// the controller says so, and the next load right after is not refused as busy.
TEST_F(LoadInterruptCli, StoppedFromTheTerminalTheProgramThatRanRunsOn) {
    for (int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        ASSERT_EQ(control("fault Boiler flash_write_ms 100"), "ok");
        const auto child = testsupport::spawn(withMachine(load()), true);
        ASSERT_GT(child.pid, 0);
        // Past the first window: the transfer is under way.
        std::string out = testsupport::readUntil(child.out, "\n0 %\n", std::chrono::seconds(30));
        out += testsupport::readUntil(child.out, " bytes)\n", std::chrono::seconds(30));
        ::kill(child.pid, signal);
        out += rest(child);
        ::close(child.out);
        EXPECT_EQ(testsupport::waitExit(child.pid, std::chrono::seconds(30)), 1) << out;
        EXPECT_THAT(out, HasSubstr(kKept16));
        EXPECT_THAT(out, Not(HasSubstr("loaded into partition")));
        EXPECT_THAT(out, Not(HasSubstr("100 %")));
        EXPECT_EQ(readName("QSystem.ActivePartition"), "16");
        EXPECT_EQ(readName("QSystem.ActiveSubApplication"), "2");
        EXPECT_THAT(partitions(), HasSubstr("partition 32\tname=UnnamedPartition\t"));
    }
    ASSERT_EQ(control("clear Boiler"), "ok");
    const auto r = run(load());
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(readName("QSystem.ActivePartition"), "32");
    EXPECT_THAT(partitions(), HasSubstr(std::string("partition 32\tname=") + kLoadedName));
}

// The controller restarts in the middle of the transfer and loses what was staged: the load
// starts again and ends with the new program running, and says so.
TEST_F(LoadInterruptCli, AControllerThatRestartsMidLoadEndsRunningTheLoadedProgram) {
    ASSERT_EQ(control("fault Boiler restart_after_blocks 3"), "ok");
    const auto r = run(load());
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("loaded into partition 32"));
    EXPECT_EQ(readName("QSystem.ActivePartition"), "32");
    EXPECT_EQ(readName("QSystem.ActiveSubApplication"), "2");
    EXPECT_THAT(partitions(), HasSubstr(std::string("partition 32\tname=") + kLoadedName));
}

// The running program was stopped right before the commit, then the controller was lost for
// good: the tool cannot put the program back and says plainly that none may run, which is what
// the controller holds when it comes back.
TEST_F(LoadInterruptCli, AControllerLostAfterTheStopIsSaidToRunNoProgram) {
    ASSERT_EQ(control("fault Boiler flash_write_ms 100"), "ok");
    const auto child = testsupport::spawn(withMachine(load()), true);
    ASSERT_GT(child.pid, 0);
    // The commit waits for the flash; the stop before it is in the saved state at once.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!savedActive(14) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(savedActive(14));
    sim->kill();
    const std::string out = rest(child);
    ::close(child.out);
    EXPECT_EQ(testsupport::waitExit(child.pid, std::chrono::seconds(30)), 1) << out;
    EXPECT_THAT(out, HasSubstr("The controller may be left without a running program: "
                               "partition 16 could not be activated."));
    EXPECT_THAT(out, Not(HasSubstr(kKept16)));

    sim.reset();
    startSim();
    EXPECT_EQ(readName("QSystem.ActivePartition"), "14");
    // What the message says to do brings the program back.
    const auto r = run({"partitions", "toggle", "--partition", "16", "--link", boiler(), "--addr",
                        "255:30"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(readName("QSystem.ActivePartition"), "16");
}

}  // namespace
