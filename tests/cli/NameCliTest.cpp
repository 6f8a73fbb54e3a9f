// `krelvan-cli read-name`, `write-name` and `change-module-address` on a copy of the demo
// product, against kvxsim on a loopback port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Controller Gate]
Serial=SN-GATE
KvxrealC=yes
Address=12:3
Listen=127.0.0.1:0

[Controller Old]
Serial=SN-OLD
Model=210
KvxrealC=no
Address=10:1
Listen=127.0.0.1:0
)";

class NameCli : public ::testing::Test {
  protected:
    NameCli() : machine(temp.copyDemo()) {}

    void startSim() {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }

    // The KVX300C program (model 3, row 2) through `link` at `addr`.
    testsupport::CommandResult byName(const std::string& command, const std::string& link,
                                      const std::string& addr, std::vector<std::string> rest) {
        std::vector<std::string> args{KRELVAN_CLI_PATH, command, "--machine", machine,
                                      "--model",        "3",     "--program", "2",
                                      "--link",         link,    "--addr",    addr};
        args.insert(args.end(), rest.begin(), rest.end());
        return runCommand(args);
    }
    std::string gate() const { return "tcp:" + sim->tcp("Gate"); }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(NameCli, WritesAndReadsBackByName) {
    startSim();
    auto r = byName("read-name", gate(), "255:30", {"QSystem.PLA"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "12\n");

    r = byName("write-name", gate(), "12:3", {"QServices.HttpPort", "8080.5"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = byName("read-name", gate(), "12:3", {"QServices.HttpPort"});
    EXPECT_EQ(r.out, "8080\n");  // ties to even
}

TEST_F(NameCli, ExitCodesSayWhoIsToBlame) {
    startSim();
    struct Case {
        std::string command;
        std::string link;
        std::string addr;
        std::vector<std::string> rest;
        int exitCode;
        std::string err;
    };
    const Case cases[] = {
        {"read-name", gate(), "12:3", {"QSystem.Nothing"}, 2, "unknown variable name"},
        {"write-name", gate(), "12:3", {"QServices.HttpPort", "fast"}, 2, "is not a number"},
        {"write-name", gate(), "12:3", {"QSystem.ActivePartition", "70000"}, 2, "16-bit"},
        {"read-name", gate(), "0:3", {"QSystem.PLA"}, 2, "out of range"},
        {"read-name", "udp:x", "12:3", {"QSystem.PLA"}, 2, "neither"},
        {"read-name", gate(), "77:7", {"QSystem.PLA"}, 1, "no answer"},  // nobody there
        // a kind-1 text: the by-name read has no access for it, whoever answers
        {"read-name", gate(), "12:3", {"QSystem.ControllerName"}, 2, "cannot be read by name"},
        {"read-name", gate(), "77:7", {"QSystem.ControllerName"}, 2, "cannot be read by name"},
        {"read-name", "tcp:127.0.0.1:1", "12:3", {"QSystem.PLA"}, 1, "cannot open"},
    };
    for (const Case& c : cases) {
        const auto r = byName(c.command, c.link, c.addr, c.rest);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.rest[0] << " " << c.addr << ": " << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.err)) << c.rest[0];
        EXPECT_EQ(r.out, "");
    }
}

// A variable only KVXreal C controllers have, asked of an older one that does answer: the
// reason is the kind of controller, not a silent link.
TEST_F(NameCli, AVariableTheControllerKindLacksIsToldAsSuch) {
    startSim();
    const std::string old = "tcp:" + sim->tcp("Old");
    auto r = byName("read-name", old, "255:30", {"QSystem.Ver_Major"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.err, HasSubstr("QSystem.Ver_Major is not on this kind of controller: only "
                                 "KVXreal C controllers have it"));
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("no answer")));
    r = byName("read-name", old, "255:30", {"QSystem.PLA"});
    EXPECT_EQ(r.out, "10\n") << "the same link answers what the controller has";
    r = byName("read-name", gate(), "255:30", {"QSystem.Ver_Major"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(NameCli, ChangesTheModuleAddress) {
    const std::string module = "demo/product/Application programs/KVX200/2.4/Module1/Exists.Mod";
    auto r = runCommand({KRELVAN_CLI_PATH, "change-module-address", "--machine", machine, "--model",
                         "1", "--program", "1", "254:30", "12:3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "module address 12:3\n");
    EXPECT_EQ(temp.read(module), "Module1\n12             3\nKVX200 heating controller 2.4-0-01\n");

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"254:30", "255:30"}, {"254:30", "12"}, {"0:1", "12:3"}}) {
        r = runCommand({KRELVAN_CLI_PATH, "change-module-address", "--machine", machine, "--model",
                        "1", "--program", "1", bad[0], bad[1]});
        EXPECT_EQ(r.exitCode, 2) << bad[1];
    }
    EXPECT_EQ(temp.read(module), "Module1\n12             3\nKVX200 heating controller 2.4-0-01\n");
}

TEST_F(NameCli, HelpOnEachCommand) {
    for (const char* command : {"read-name", "write-name", "change-module-address"}) {
        const auto r = runCommand({KRELVAN_CLI_PATH, command, "--help"});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_THAT(r.out, HasSubstr("--program")) << command;
    }
}

}  // namespace
