// `krelvan-cli scan-modules` against kvxsim on the serial bus and over a TCP gateway: the
// dialog's search, the whole scan with --all, two stations at one address, and a scan stopped
// by Ctrl-C or a closed terminal that still prints what it found.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

extern char** environ;

using ::testing::HasSubstr;

namespace {

const char* kNetwork = R"([Simulator]
Baud=115200
AddressClashes=yes

[Controller Gate]
Serial=SN-GATE
Model=300
Address=1:5
Listen=127.0.0.1:0

[Controller Old]
Serial=SN-OLD
Model=210
Address=2:1
Listen=127.0.0.1:0
StationList=no

[Controller Head]
Bus=serial
Serial=SN-HEAD
Model=300
Address=10:1

[Controller Valve]
Bus=serial
Serial=SN-VALVE
Model=200
Address=10:2

[Controller Meter]
Bus=serial
Serial=SN-METER
Model=77
Address=200:7

[Controller TwinA]
Bus=serial
Serial=SN-TA
Address=30:3

[Controller TwinB]
Bus=serial
Serial=SN-TB
Address=30:3
)";

const std::string kBusLines =
    "10\t1\tKVX300C\n10\t2\tKVX200\n30\t3\t?\tTwo or more modules answer at this address: give "
    "each its own address.\n200\t7\t77\n";

using testsupport::readUntil;
using testsupport::spawn;
using testsupport::Spawned;
using testsupport::waitExit;

class ScanModulesCli : public ::testing::Test {
  protected:
    void SetUp() override {
        temp.write("net.ini", kNetwork);
        temp.write("product/README.txt", "");
        temp.write("machine/Kvxmatic.Ini",
                   "[Kvxmatic]\nProductDir=../product\n[Link]\nBaud=115200\nTcpTimeoutMs=500\n");
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    std::vector<std::string> command(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {KRELVAN_CLI_PATH, "scan-modules", "--machine", temp / "machine"});
        return args;
    }

    testsupport::TempFolder temp;
    std::unique_ptr<simtest::SimProcess> sim;
};

}  // namespace

TEST_F(ScanModulesCli, ListsTheModulesOnTheSerialBusAndBehindTheGateway) {
    const std::string serial = "serial:" + sim->serial();
    const std::string gate = "tcp:" + sim->tcp("Gate");
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {"\"Search all addresses\" is on by default: the whole serial bus",
         {"--link", serial},
         kBusLines},
        {"the local addresses only end at the bus head",
         {"--link", serial, "--local-only"},
         "10\t1\tKVX300C\n"},
        {"the whole serial bus", {"--link", serial, "--all"}, kBusLines},
        {"the gateway and its bus", {"--link", gate, "--all"}, "1\t5\tKVX300C\n" + kBusLines},
    };
    for (const auto& c : cases) {
        const auto r = testsupport::runCommand(command(c.args), 60);
        EXPECT_EQ(r.exitCode, 0) << c.what << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_EQ(r.err, "") << c.what;  // no progress when stderr is no terminal
    }
    // With the dialog's box turned off in the settings, the search ends at the bus head.
    temp.write("machine/Kvxmatic.Ini",
               "[Kvxmatic]\nProductDir=../product\nSearchAllAddresses=0\n"
               "[Link]\nBaud=115200\nTcpTimeoutMs=500\n");
    const auto r = testsupport::runCommand(command({"--link", serial}), 60);
    EXPECT_EQ(r.out, "10\t1\tKVX300C\n") << r.err;
}

TEST_F(ScanModulesCli, HelpAndBadArguments) {
    auto r = testsupport::runCommand({KRELVAN_CLI_PATH, "scan-modules", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("--link"));
    EXPECT_THAT(r.out, HasSubstr("--all"));
    r = testsupport::runCommand(command({}));
    EXPECT_EQ(r.exitCode, 2);
    r = testsupport::runCommand(command({"--link", "tcp:127.0.0.1"}));
    EXPECT_EQ(r.exitCode, 2) << r.err;
}

TEST_F(ScanModulesCli, AStoppedScanEndsCleanlyWithWhatItFound) {
    // The older gateway gives no station list: each probe is a round trip, slowed to 100 ms so
    // that the next station (ten probes on) is a second away when the signal comes.
    ASSERT_EQ(simtest::control(temp / "ctl", "fault Old latency_ms 100"), "ok");
    for (int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const Spawned child = spawn(command({"--link", "tcp:" + sim->tcp("Old"), "--all"}));
        ASSERT_GT(child.pid, 0);
        const std::string first = readUntil(child.out, "\n", std::chrono::seconds(20));
        EXPECT_EQ(first, "2\t1\tKVX210\n");
        ::kill(child.pid, signal);
        EXPECT_EQ(waitExit(child.pid, std::chrono::seconds(20)), 130);
        EXPECT_EQ(first + readUntil(child.out, "\x04", std::chrono::seconds(5)), first);
        ::close(child.out);
    }
}
