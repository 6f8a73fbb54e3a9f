// The load job end to end, as an engineer runs it from the command line: a copy of the demo
// product, kvxsim on loopback, the real components and transfer engine underneath.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Simulator]
Baud=115200
ColdStartMs=200

[Controller Boiler]
Serial=KVX300-1
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0
FlashSize=8388608
ActivePartition=16

[Partition Boiler 16]
Name=Heating
Type=2
Size=4096
MaxSize=2097152

[Partition Boiler 32]
Name=UnnamedPartition
Type=2
Size=0
MaxSize=2097152

[Controller Unit]
Bus=serial
Serial=KVX210-1
Model=210
KvxrealC=no
Address=10:1
)";

class LoadCli : public ::testing::Test {
  protected:
    LoadCli() : machine(temp.copyDemo()) {}

    void SetUp() override {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    testsupport::CommandResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH});
        args.insert(args.begin() + 2, {"--machine", machine});
        return runCommand(args, 120);
    }
    std::string boiler() const { return "tcp:" + sim->tcp("Boiler"); }
    // A variable of Boiler by name, as the CLI prints it (the last field of its line).
    std::string readName(const std::string& name) {
        auto r = run({"read-name", "--model", "3", "--program", "2", "--link", boiler(), "--addr",
                      "255:30", name});
        std::string out = r.out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out.substr(out.rfind('\t') + 1);
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

// KVX300C 3.1 (model 3, row 2) into partition 32 over TCP/IP: the partition takes the
// program's name and type, the running partition keeps its own.
TEST_F(LoadCli, KvxrealCProgramLandsInTheChosenPartition) {
    auto r = run({"load", "--model", "3", "--program", "2", "--link", boiler(), "--partition",
                  "32", "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("loaded into partition 32"));

    // The newer operating system of the revision went in first (its image is 3.2-0-4).
    const char* const version[][2] = {{"QSystem.Ver_Major", "3"}, {"QSystem.Ver_Minor", "2"},
                                      {"QSystem.Ver_Branch", "0"}, {"QSystem.Ver_Number", "4"}};
    for (const auto& [name, value] : version) EXPECT_EQ(readName(name), value) << name;
    r = run({"partitions", "list", "--link", boiler(), "--addr", "255:30"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("partition 32\tname=Heating and ventilation with web site\ttype=2"));
    EXPECT_THAT(r.out, HasSubstr("partition 16\tname=Heating\t"));
}

// A second command while nothing runs is fine; a partition the controller lacks is refused
// before anything is sent.
TEST_F(LoadCli, UnknownPartitionLoadsNothing) {
    auto r = run({"load", "--model", "3", "--program", "2", "--link", boiler(), "--partition",
                  "40", "--yes"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_THAT(r.err, HasSubstr("no partition 40"));
    r = run({"partitions", "list", "--link", boiler(), "--addr", "255:30"});
    EXPECT_THAT(r.out, Not(HasSubstr("web site")));
}

// KVX210 2.1 (model 2, row 1) on the serial bus through the job loader: every step done and
// both logs written into the program folder.
TEST_F(LoadCli, OlderControllerRunsItsJobFileOnTheSerialBus) {
    auto r = run({"load", "--model", "2", "--program", "1", "--link", "serial:" + sim->serial(),
                  "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("All files loaded successfully"));
    const std::filesystem::path folder =
        std::filesystem::path(machine).parent_path() / "product" / "Application programs" /
        "KVX210" / "2.1" / "Module1";
    EXPECT_TRUE(std::filesystem::exists(folder / "KVXload.Gll")) << folder;
}

}  // namespace
