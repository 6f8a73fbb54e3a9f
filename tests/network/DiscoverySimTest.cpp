// Discovery against kvxsim on loopback: broadcast, unicast and subnet criteria really select,
// with datagrams lost, delayed and repeated.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/SimNetworkFixture.h"

namespace networktest {
namespace {

const char* kNetwork = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0
DiscoveryLoss=10
DiscoveryDelayMs=30
DiscoveryDuplicate=yes
DiscoverySeed=7

[Controller A]
Serial=SN-A
Address=1:1
Listen=127.0.0.11:0
KvxrealC=yes
Ip=192.168.1.11

[Controller B]
Serial=SN-B
Address=1:2
Listen=127.0.0.12:0
Ip=192.168.1.12

[Controller C]
Serial=SN-C
Address=1:3
Listen=127.0.1.13:0
Ip=192.168.2.13
)";

class DiscoverySimTest : public SimNetworkTest {
  protected:
    void SetUp() override { start(kNetwork); }

    std::vector<std::string> serials() {
        std::vector<std::string> out;
        auto& finder = *program().comm.finder;
        for (int32_t i = 0; i < finder.Count(); ++i) out.push_back(finder.Item(i).SerialNumber());
        return out;
    }
};

TEST_F(DiscoverySimTest, CriteriaSelectWhoAnswers) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> criteria;  // address, mask
        std::string filter;
        std::vector<std::string> found;
    };
    const Case cases[] = {
        {"broadcast", {}, "", {"SN-A", "SN-B", "SN-C"}},
        {"one address", {{"127.0.0.12", ""}}, "", {"SN-B"}},
        {"two addresses", {{"127.0.0.11", ""}, {"127.0.1.13", ""}}, "", {"SN-A", "SN-C"}},
        {"a subnet", {{"127.0.0.1", "255.255.255.0"}}, "", {"SN-A", "SN-B"}},
        {"another subnet", {{"127.0.1.200", "255.255.255.0"}}, "", {"SN-C"}},
        {"nobody there", {{"127.0.0.99", ""}}, "", {}},
        {"serial filter", {}, "SN-C", {"SN-C"}},
    };
    auto& finder = network::CreateFinder(program());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        finder.ClearCriteria();
        for (const auto& [address, mask] : c.criteria) {
            if (mask.empty()) finder.AddAddress(address);
            else finder.AddAddressWithMask(address, mask);
        }
        finder.SerialFilter(c.filter);
        finder.ApplySerialFilter();
        finder.Search();
        EXPECT_EQ(serials(), c.found);
    }
}

TEST_F(DiscoverySimTest, AFoundControllerIsReachedOnItsOwnAddress) {
    const int16_t i = network::FindControllerBySerial(program(), "SN-B", true);
    ASSERT_NE(i, -1);
    auto& c = program().comm.finder->Item(i);
    EXPECT_EQ(c.IpAddress(), "192.168.1.12");
    EXPECT_EQ(c.PLA(), 1);
    EXPECT_EQ(c.ELA(), 2);
    ASSERT_TRUE(network::ConnectFoundController(program(), i));
    int16_t ela = 0;
    int32_t status = 0;
    ASSERT_TRUE(clink::ReadSmallInt(*fixture.glib, program().connection.CurrentLink, 255, 30, 241,
                                    0, 1, ela, clink::flags::Normal, status, u""));
    EXPECT_EQ(ela, 2) << "the link goes to the controller that answered, not another";
    const int32_t link = program().connection.CurrentLink;
    network::FindControllerBySerial(program(), "SN-B", true);
    ASSERT_TRUE(network::ConnectFoundController(program(), 0));
    EXPECT_EQ(program().connection.CurrentLink, link) << "found again: the same link";
}

// A search whose socket cannot be opened (here the process has no descriptor left) says why in
// the search dialog instead of listing no controllers; the next search finds them again.
TEST_F(DiscoverySimTest, ASocketThatCannotBeOpenedIsNamed) {
    network::FormSearchTCP form(program());
    form.Form_Load();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // Every descriptor below the next free one is taken: with that as the limit none is left.
    const int next = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(next, 0);
    ::close(next);
    {
        // Put back on every way out, an exception too: the tests after need descriptors.
        struct Limited {
            rlimit saved;
            ~Limited() { setrlimit(RLIMIT_NOFILE, &saved); }
        } limited{saved};
        rlimit exhausted = saved;
        exhausted.rlim_cur = static_cast<rlim_t>(next);
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &exhausted), 0);
        form.Form_Activate();
    }
    EXPECT_TRUE(form.CtrlList.items.empty());
    EXPECT_EQ(fixture.messages(),
              std::vector<std::string>{"No controllers could be searched for: the discovery "
                                       "socket cannot be opened: Too many open files"});
    fixture.boxes.shown.clear();
    form.ButtonRefresh_Click();
    EXPECT_EQ(form.CtrlList.items.size(), 3u);
    EXPECT_TRUE(fixture.messages().empty());
}

}  // namespace
}  // namespace networktest
