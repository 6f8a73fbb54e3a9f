// The link operations through the real general library against controllers played by kvxsim
// on loopback ports the system chooses.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "link/ConnectionChecks.h"
#include "link/ControllerServices.h"
#include "platform/kvxglib/TcpLinks.h"
#include "sim/SimProcess.h"
#include "support/ProgramFixture.h"

namespace {

constexpr int32_t Normal = static_cast<int32_t>(0x80000000u);

const char* kNetwork = R"([Simulator]
ColdStartMs=0

[Controller Gate]
Serial=SN-GATE
KvxrealC=yes
OsVersion=KVXreal C 3.1
Address=12:3
Listen=127.0.0.1:0

[Partition Gate 16]
Name=Heating

[Partition Gate 20]
Name=Web

[Controller Single]
Serial=SN-ONE
KvxrealC=yes
Address=12:4
Listen=127.0.0.1:0

[Partition Single 33]
Name=Only

[Controller Empty]
Serial=SN-NONE
KvxrealC=yes
Address=12:5
Listen=127.0.0.1:0

[Controller Old]
Serial=SN-OLD
Address=2:1
Listen=127.0.0.1:0
)";

class SimLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fixture.temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", fixture.temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }

    // Opens a TCP link to the controller and makes it the program's current link.
    int32_t connect(const std::string& id) {
        const simtest::Endpoint where = sim->tcpEndpoint(id);
        std::string why;
        const int32_t link = kvxglib::openTcpLink(*fixture.glib, where.host, where.port, &why);
        EXPECT_NE(link, 0) << why;
        program().connection.CurrentLink = link;
        return link;
    }

    app::Program& program() { return *fixture.program; }

    testsupport::ProgramFixture fixture{false};
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(SimLinkTest, ChecksAndPollOnAKvxrealCAndAnOlderController) {
    auto& conn = program().connection;
    connect("Gate");
    EXPECT_TRUE(clink::ReadControllerAddress(program(), conn.CurrentPLA, conn.CurrentELA));
    EXPECT_EQ(conn.CurrentPLA, 12);
    EXPECT_EQ(conn.CurrentELA, 3);
    EXPECT_TRUE(clink::PollController(program(), 12, 3));
    EXPECT_FALSE(clink::PollController(program(), 77, 7));  // nobody there
    clink::DetectControllerOsKind(program(), 12, 3);
    EXPECT_EQ(conn.ControllerOsKind, "C");

    connect("Old");
    EXPECT_TRUE(clink::ReadControllerAddress(program(), conn.CurrentPLA, conn.CurrentELA));
    EXPECT_EQ(conn.CurrentPLA, 2);
    EXPECT_EQ(conn.CurrentELA, 1);
    clink::DetectControllerOsKind(program(), 2, 1);
    EXPECT_EQ(conn.ControllerOsKind, "");
}

TEST_F(SimLinkTest, NoControllerAnsweringLeavesAFalseResultAndZeros) {
    auto& conn = program().connection;
    connect("Gate");
    sim.reset();  // the controller is gone; the link cannot reconnect
    conn.CurrentPLA = 12;
    conn.CurrentELA = 3;
    EXPECT_FALSE(clink::ReadControllerAddress(program(), conn.CurrentPLA, conn.CurrentELA));
    EXPECT_EQ(conn.CurrentPLA, 0);
    EXPECT_EQ(conn.CurrentELA, 0);
    EXPECT_FALSE(clink::PollController(program(), 12, 3));
}

TEST_F(SimLinkTest, PartitionServicesRoundTrip) {
    Platform& platform = fixture.program->platform;
    const int32_t link = connect("Gate");
    int32_t status = 0;
    std::vector<uint8_t> partitions;
    ASSERT_TRUE(clink::GetAllPartitions(platform, link, 12, 3, partitions, Normal, status));
    EXPECT_EQ(partitions, (std::vector<uint8_t>{16, 20}));

    std::string name;
    EXPECT_TRUE(clink::GetPartStringAttr(platform, link, 12, 3, 16, 2, name, Normal, status));
    EXPECT_EQ(name, "Heating");
    // Through the controller's code page and back.
    EXPECT_TRUE(
        clink::SetPartStringAttr(platform, link, 12, 3, 16, 2, "V\u00E4rme", Normal, status));
    EXPECT_TRUE(clink::GetPartStringAttr(platform, link, 12, 3, 16, 2, name, Normal, status));
    EXPECT_EQ(name, "V\u00E4rme");

    int32_t type = 0;
    EXPECT_TRUE(clink::SetPartAttrH(platform, link, 12, 3, 16, 5, 0x01020304, Normal, status));
    EXPECT_TRUE(clink::GetPartAttrH(platform, link, 12, 3, 16, 5, type, Normal, status));
    EXPECT_EQ(type, 0x01020304);

    EXPECT_TRUE(clink::ActivateApplication(platform, link, 12, 3, 16, 0));
}

TEST_F(SimLinkTest, PartitionListHoldsWhatTheControllerHasEvenOneOrNone) {
    struct Case {
        const char* id;
        int16_t ela;
        std::vector<uint8_t> list;
    };
    const Case cases[] = {
        {"Gate", 3, {16, 20}},
        {"Single", 4, {33}},
        {"Empty", 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const int32_t link = connect(c.id);
        int32_t status = 0;
        std::vector<uint8_t> partitions{99};
        ASSERT_TRUE(clink::GetAllPartitions(fixture.program->platform, link, 12, c.ela,
                                            partitions, Normal, status));
        EXPECT_EQ(partitions, c.list);
    }
}

TEST_F(SimLinkTest, ColdStartReturnsTheControllerToItsFactoryAddress) {
    auto& conn = program().connection;
    const int32_t link = connect("Gate");
    clink::ColdStart(fixture.program->platform, link, 12, 3);
    // The program's three-second wait passes at once on the fake clock, so wait here (bounded)
    // until the restarted controller answers again.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool back = false;
    while (!(back = clink::PollController(program(), 254, 30)) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(back);
    EXPECT_TRUE(clink::ReadControllerAddress(program(), conn.CurrentPLA, conn.CurrentELA));
    EXPECT_EQ(conn.CurrentPLA, 254);
    EXPECT_EQ(conn.CurrentELA, 30);
    EXPECT_TRUE(clink::PollController(program(), 254, 30));
}

}  // namespace
