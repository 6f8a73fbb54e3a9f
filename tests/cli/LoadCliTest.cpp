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
Title=Pump station 1.0
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
    // The title names the image now in the partition, not the program it held before.
    EXPECT_THAT(r.out, Not(HasSubstr("Pump station")));
    EXPECT_THAT(r.out, HasSubstr("\ttitle=Heating and ventilation with web site\n"));
}

// The revision's text selects the row it names: the partition takes that program's name.
TEST_F(LoadCli, ProgramByRevisionTextLoadsThatRow) {
    auto r = run({"load", "--model", "3", "--program", "3.0-1-05", "--link", boiler(),
                  "--partition", "32", "--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    r = run({"partitions", "list", "--link", boiler(), "--addr", "255:30"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("partition 32\tname=Heating and ventilation\ttype=2"));
    // A text that no row has is refused before anything is sent.
    r = run({"load", "--model", "3", "--program", "3.1", "--link", boiler(), "--partition", "16",
             "--yes"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.err, HasSubstr("(its programs: 1 3.0-1-05, 2 3.1-0-02)"));
    r = run({"partitions", "list", "--link", boiler(), "--addr", "255:30"});
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
    // Progress as a KVXreal C load shows it, one line per change when piped, ending at 100.
    EXPECT_THAT(r.out, HasSubstr("\n100 %\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("%%")));
}

// The partition commands from the command line, over TCP/IP and on a serial bus of their own
// (at a rate the machine folder does not name): each change read back from the controller.
TEST_F(LoadCli, PartitionsAreAddedToggledAndRemovedOnTheAttachedController) {
    temp.write("serial.ini", "[Simulator]\nBaud=57600\n\n[Controller Pump]\nBus=serial\n"
                             "Serial=KVX300-2\nModel=300\nKvxrealC=yes\nAddress=3:1\n"
                             "FlashSize=8388608\nActivePartition=16\n\n[Partition Pump 16]\n"
                             "Name=Pumps\nType=2\nAttr5=1\nSize=4096\nMaxSize=1048576\n");
    simtest::SimProcess serialSim({"--network", temp / "serial.ini"});
    ASSERT_TRUE(serialSim.waitReady()) << serialSim.stderrText();
    const struct {
        std::string link;
        std::string own;  // the attached controller's address
        std::vector<std::string> more;
    } links[] = {{boiler(), "1:5", {}},
                 {"serial:" + serialSim.serial(), "3:1", {"--baud", "57600"}}};
    for (const auto& l : links) {
        SCOPED_TRACE(l.link);
        const auto partitions = [&](std::vector<std::string> args) {
            args.insert(args.begin(), {"partitions", "--link", l.link});
            args.insert(args.end(), l.more.begin(), l.more.end());
            return run(args);
        };
        const auto listed = [&] {
            const auto r = partitions({"--addr", "255:30", "list"});
            EXPECT_EQ(r.exitCode, 0) << r.err;
            return r.out;
        };
        auto r = partitions({"--addr", l.own, "add", "--name", "Extra", "--size", "64"});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_THAT(listed(), HasSubstr("\tname=Extra\ttype=2\tattr5=0\t"));
        // The new partition holds nothing: it does not become the running one.
        const std::string added = listed().find("partition 33\tname=Extra") != std::string::npos
                                      ? "33" : "32";
        r = partitions({"--addr", "255:30", "toggle", "--partition", added});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.err + r.out, HasSubstr("holds no image"));
        // Another controller's address is refused before anything changes.
        r = partitions({"--addr", "9:9", "remove", "--yes"});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_THAT(r.err, HasSubstr("--addr 9:9 names another controller"));
        EXPECT_THAT(listed(), HasSubstr("name=Extra"));
        r = partitions({"--addr", "255:30", "remove", "--yes"});
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_THAT(listed(), Not(HasSubstr("name=Extra")));
    }
    // --baud reaches the link of each action: a rate no serial port takes is refused as the
    // link opens, and nothing changes.
    const std::string pump = "serial:" + serialSim.serial();
    const std::vector<std::vector<std::string>> actions = {
        {"add", "--name", "Extra", "--size", "64"}, {"remove", "--yes"},
        {"toggle", "--partition", "16"}};
    for (const auto& action : actions) {
        std::vector<std::string> args = {"partitions", "--link", pump, "--baud", "12345",
                                         "--addr", "3:1"};
        args.insert(args.end(), action.begin(), action.end());
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 1) << action[0] << ": " << r.out;
        EXPECT_THAT(r.err, HasSubstr("unsupported baud rate 12345")) << action[0];
    }
    const std::string after =
        run({"partitions", "--link", pump, "--baud", "57600", "--addr", "255:30", "list"}).out;
    EXPECT_THAT(after, HasSubstr("partition 16\tname=Pumps"));
    EXPECT_THAT(after, Not(HasSubstr("Extra")));
}

}  // namespace
