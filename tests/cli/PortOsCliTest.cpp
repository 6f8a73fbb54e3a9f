// krelvan-cli upgrade-port-os against kvxsim with a copy of the demo product and its upgrade
// files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "sim/DemoMachine.h"
#include "sim/SimProcess.h"
#include "support/DamagedFiles.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Simulator]
Discovery=0.0.0.0:0

[Controller Boiler]
Serial=KVX300-71
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.71:0
PortOsRevision=1.8
UpgradeFileNumber=18
)";

class PortOsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    testsupport::CommandResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH, "upgrade-port-os", "--machine", machine});
        return runCommand(args, 120);
    }

    testsupport::TempFolder temp;
    const std::string machine = temp.copyDemo();
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(PortOsCli, UpgradesOnlyWithConsentAndReportsTheNewRevision) {

    auto help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("--password-stdin"));

    auto unknown = run({"KVX300-99", "--yes"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_THAT(unknown.err, HasSubstr("could not be found on the network"));

    auto declined = run({"KVX300-71"});
    EXPECT_EQ(declined.exitCode, 1) << declined.err;
    EXPECT_THAT(declined.err, HasSubstr("Revision in the controller: 1.8 Revision to upgrade to: "
                                        "1.9"));
    EXPECT_THAT(declined.err, HasSubstr("-> No"));

    auto upgraded = run({"KVX300-71", "--yes"});
    EXPECT_EQ(upgraded.exitCode, 0) << upgraded.out << upgraded.err;
    EXPECT_THAT(upgraded.out, HasSubstr("sending the TCP/IP Port OS: 100 % ("));
    EXPECT_THAT(upgraded.out, HasSubstr("\nLoaded "));
    EXPECT_THAT(upgraded.err, HasSubstr("info: The controller has been upgraded successfully!"));
    EXPECT_THAT(upgraded.err, HasSubstr("New revision in the controller: 1.9"));
}

// A damaged upgrade file is named with what is wrong with it, before any question; the port
// keeps its revision, as a new discovery tells.
TEST_F(PortOsCli, ADamagedFileIsNamedWithWhatIsWrong) {
    const std::string file = temp / "demo/product/SLib/KVXreal/18.TcpIpPortOS";
    const std::string good = temp.read("demo/product/SLib/KVXreal/18.TcpIpPortOS");
    for (const testsupport::DamagedFile& c : testsupport::damagedCopies(good)) {
        SCOPED_TRACE(c.what);
        temp.write("demo/product/SLib/KVXreal/18.TcpIpPortOS", c.bytes);
        const auto r = run({"KVX300-71", "--yes"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.err, HasSubstr("error: The Upgrade file: " + file +
                                     " is not a valid TCP/IP Port OS upgrade file! " + c.why));
        EXPECT_THAT(r.err, Not(HasSubstr("question:")));
        const auto found = runCommand(
            {KRELVAN_CLI_PATH, "discover", "--machine", machine, "--json"}, 60);
        ASSERT_EQ(found.exitCode, 0) << found.err;
        EXPECT_THAT(found.out, HasSubstr("\"portOsRevision\": \"1.8\""));
    }
}

}  // namespace
