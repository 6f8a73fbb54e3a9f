// Discovery across a real link: a network namespace joined by a veth pair. The simulator stays
// in the test's own namespace; the finder searches from inside the other one, by directed
// broadcast, and connects over TCP. Needs root and network namespaces; where either is missing
// the test says why it did not run.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "network/ControllerLookup.h"
#include "network/SimNetworkFixture.h"
#include "support/RunCommand.h"

namespace networktest {
namespace {

class VethDiscoveryTest : public SimNetworkTest {
  protected:
    void TearDown() override {
        if (home_ >= 0) {
            ::setns(home_, CLONE_NEWNET);
            ::close(home_);
        }
        if (!hostSide_.empty()) ip({"link", "del", hostSide_});
        if (!ns_.empty()) ip({"netns", "del", ns_});
    }

    // Runs `ip` with these arguments; the reason when it fails.
    std::string ip(std::vector<std::string> args) {
        std::string program;
        for (const char* p : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
            if (::access(p, X_OK) == 0) program = p;
        if (program.empty()) return "the `ip` tool (iproute2) is not installed";
        args.insert(args.begin(), program);
        const auto r = testsupport::runCommand(args, 20);
        return r.exitCode == 0 ? "" : "`ip " + args[1] + " " + args[2] + "` failed: " + r.err;
    }

    std::string ns_, hostSide_;
    int home_ = -1;
};

TEST_F(VethDiscoveryTest, FindsAndReachesAControllerAcrossAVethPair) {
    if (::geteuid() != 0) GTEST_SKIP() << "not run: creating network namespaces needs root";
    const int n = static_cast<int>(::getpid() % 200) + 20;
    const std::string tag = std::to_string(::getpid());
    const std::string net = "10.201." + std::to_string(n) + ".";
    ns_ = "krv" + tag;
    std::string why = ip({"netns", "add", ns_});
    if (!why.empty()) {
        ns_.clear();
        GTEST_SKIP() << "not run: network namespaces do not work here: " << why;
    }
    hostSide_ = "kva" + tag.substr(tag.size() > 8 ? tag.size() - 8 : 0);
    const std::string peer = "kvb" + tag.substr(tag.size() > 8 ? tag.size() - 8 : 0);
    for (const auto& step : std::vector<std::vector<std::string>>{
             {"link", "add", hostSide_, "type", "veth", "peer", "name", peer},
             {"link", "set", peer, "netns", ns_},
             {"addr", "add", net + "1/24", "broadcast", net + "255", "dev", hostSide_},
             {"link", "set", hostSide_, "up"},
             {"-n", ns_, "addr", "add", net + "2/24", "broadcast", net + "255", "dev", peer},
             {"-n", ns_, "link", "set", peer, "up"},
             {"-n", ns_, "link", "set", "lo", "up"}}) {
        why = ip(step);
        if (!why.empty()) GTEST_SKIP() << "not run: a veth pair cannot be set up here: " << why;
    }
    start("[Simulator]\nDiscovery=0.0.0.0:0\n\n[Controller V]\nSerial=SN-VETH\nAddress=7:9\n"
          "Listen=" + net + "1:0\nIp=192.168.40.9\n");
    setLink("DiscoveryTarget", net + "255");
    setLink("DiscoveryWaitMs", "600");

    home_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int there = ::open(("/run/netns/" + ns_).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(home_, 0);
    ASSERT_GE(there, 0);
    ASSERT_EQ(::setns(there, CLONE_NEWNET), 0) << "cannot enter the namespace";
    ::close(there);

    network::RenewFinder(program());
    auto& finder = *program().comm.finder;
    ASSERT_EQ(finder.Count(), 1);
    EXPECT_EQ(finder.Item(0).SerialNumber(), "SN-VETH");
    EXPECT_EQ(finder.Item(0).IpAddress(), "192.168.40.9");
    ASSERT_TRUE(network::ConnectFoundController(program(), 0));
    int16_t pla = 0;
    int32_t status = 0;
    EXPECT_TRUE(clink::ReadSmallInt(*fixture.glib, program().connection.CurrentLink, 255, 30, 241,
                                    0, 0, pla, clink::flags::Normal, status, u""));
    EXPECT_EQ(pla, 7);
}

}  // namespace
}  // namespace networktest
