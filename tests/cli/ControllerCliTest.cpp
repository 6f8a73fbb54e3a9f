// The poll tool (`poll`, `read`, `write`, `partitions`) against kvxsim, as a field engineer
// runs it: exit codes, output and one line on stderr per failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Simulator]
Baud=115200

[Controller Gate]
Serial=SN-GATE
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0
Var.300.4=1,4,21.5

[Partition Gate 16]
Name=Heating
Title=Heating control
Type=2
LoadTime=1388534400
Size=4096
MaxSize=1048576

[Controller Head]
Bus=serial
Serial=SN-B1
Address=10:1
)";

int lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class ControllerCli : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        // A product folder that exists, so that the tool has nothing to say about it.
        temp.write("product/README.txt", "");
        temp.write("machine/Kvxmatic.Ini", "[Kvxmatic]\nProductDir=../product\n"
                                           "[Link]\nTcpTimeoutMs=300\nSerialTimeoutMs=150\n");
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        tcp = "tcp:" + sim->tcp("Gate");
    }
    testsupport::CommandResult run(const std::string& command, std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH, command, "--machine", temp / "machine"});
        return runCommand(args, 30);
    }

    testsupport::TempFolder temp;
    std::unique_ptr<simtest::SimProcess> sim;
    std::string tcp;
};

}  // namespace

TEST_F(ControllerCli, PollAnswersOrFailsWithOneLine) {
    auto r = run("poll", {"--link", tcp, "--addr", "1:5"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "answered\t1:5\n");
    EXPECT_EQ(r.err, "");
    r = run("poll", {"--link", tcp, "--addr", "255:30"});  // answers with its own address
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "answered\t1:5\n");

    r = run("poll", {"--link", tcp, "--addr", "77:7"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("no such station"));
    EXPECT_EQ(lines(r.err), 1);

    r = run("poll", {"--link", "serial:" + sim->serial(), "--baud", "115200", "--addr", "10:1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "answered\t10:1\n");
    // The poll is a presence probe: the bus head's station list says at once that 10:9 is absent.
    r = run("poll", {"--link", "serial:" + sim->serial(), "--baud", "115200", "--addr", "10:9"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("no such station"));
    EXPECT_EQ(lines(r.err), 1);
}

TEST_F(ControllerCli, ReadAndWriteOneVariable) {
    auto r = run("read", {"--link", tcp, "--addr", "1:5", "--file", "300", "--index", "4", "--type",
                          "real"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "21.5\n");

    r = run("write", {"--link", tcp, "--addr", "1:5", "--file", "241", "--index", "63", "--type",
                      "text", "Kühlung"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = run("read",
            {"--link", tcp, "--addr", "255:30", "--file", "241", "--index", "63", "--type", "5"});
    EXPECT_EQ(r.out, "Kühlung\n");

    r = run("read",
            {"--link", tcp, "--addr", "1:5", "--file", "300", "--index", "4", "--type", "int"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("refused"));
    EXPECT_EQ(lines(r.err), 1);
}

TEST_F(ControllerCli, ListsPartitionsWithTheirAttributes) {
    // A controller with exactly one partition: the list holds it, not a partition 0.
    const std::string expected =
        "partition 16\tname=Heating\ttype=2\tattr5=0\tloadtime=1388534400\tsize=4096\t"
        "maxsize=1048576\ttitle=Heating control\n";
    const std::vector<std::vector<std::string>> forms = {
        {"--link", tcp, "--addr", "1:5"},
        {"list", "--link", tcp, "--addr", "1:5"},
        {"--link", tcp, "--addr", "1:5", "list"},
    };
    for (const auto& args : forms) {
        const auto r = run("partitions", args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, expected) << args[0];
    }

    // An older controller has no partitions to list, and is told so rather than by the
    // refusal's code.
    const auto r = run("partitions", {"list", "--link", "serial:" + sim->serial(), "--baud",
                                      "115200", "--addr", "10:1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("has no partitions (older controllers, without KVXreal C"));
    EXPECT_EQ(lines(r.err), 1);
}

TEST_F(ControllerCli, BadArgumentsExitTwoAndAnUnreachableControllerOne) {
    const std::vector<std::vector<std::string>> bad = {
        {"--link", tcp, "--addr", "1:500"},
        {"--link", "udp:1.2.3.4:5", "--addr", "1:5"},
        {"--link", "tcp:localhost", "--addr", "1:5"},
        {"--addr", "1:5"},
    };
    for (const auto& args : bad) {
        const auto r = run("poll", args);
        EXPECT_EQ(r.exitCode, 2) << args[1];
        EXPECT_FALSE(r.err.empty());
    }
    auto r = run("write", {"--link", tcp, "--addr", "1:5", "--file", "241", "--index", "0",
                           "--type", "small", "70000"});
    EXPECT_EQ(r.exitCode, 2);
    r = run("read",
            {"--link", tcp, "--addr", "1:5", "--file", "241", "--index", "0", "--type", "float"});
    EXPECT_EQ(r.exitCode, 2);

    // A closed port (the simulator's, once it has gone), and no serial port configured.
    const std::string gone = tcp;
    sim.reset();
    r = run("poll", {"--link", gone, "--addr", "1:5"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("cannot connect"));
    EXPECT_EQ(lines(r.err), 1);
    r = run("poll", {"--link", "serial", "--addr", "1:5"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(lines(r.err), 1);
}

TEST_F(ControllerCli, EachCommandHasHelp) {
    for (const char* command : {"poll", "read", "write", "partitions"}) {
        const auto r = runCommand({KRELVAN_CLI_PATH, command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_THAT(r.out, HasSubstr("--link")) << command;
    }
    const auto r = runCommand({KRELVAN_CLI_PATH, "partitions", "list", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("List the partitions"));
}
