// The TCP/IP Port OS upgrade against kvxsim: the real finder sends the file with the transfer
// engine, the port restarts, and a new discovery tells which revision it runs.
#include <gtest/gtest.h>

#include <chrono>

#include "network/ControllerLookup.h"
#include "network/PortOsFiles.h"
#include "network/PortOsUpgrade.h"
#include "network/SimNetworkFixture.h"
#include "platform/components/finder/LinkedController.h"
#include "sim/SimClient.h"
#include "support/ImageSigning.h"

namespace networktest {
namespace {

using namespace std::chrono_literals;

const char* kNetwork = R"([Simulator]
Discovery=0.0.0.0:0

[Controller Open]
Serial=KVX300-61
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.61:0
PortOsRevision=1.8
UpgradeFileNumber=18

[Controller Secure]
Serial=KVX300-62
Model=300
KvxrealC=yes
Address=1:6
Listen=127.0.0.62:0
Password=port-secret
EncryptionRequired=yes
PortOsRevision=1.8
UpgradeFileNumber=18
)";

constexpr int32_t kYes = 6;
const std::string kFailed =
    "Could not upgrade controller.\nThis could happen because of the following reasons: \n"
    "- The connection to the controller was lost.\n- Incorrect format in the upgrade file.";

class PortOsSimTest : public SimNetworkTest {
  protected:
    void SetUp() override {
        fixture.temp.write("net.ini", kNetwork);
        // The product and the controllers trust the tests' key only.
        testsupport::installTestKey(fixture.productDir);
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", fixture.temp / "net.ini", "--control", fixture.temp / "ctl",
            "--image-key", fixture.productDir + "/System/ImageKey.pub"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        setLink("DiscoveryPort", std::to_string(simtest::splitHostPort(sim->udp()).port));
        setLink("DiscoveryTarget", "127.255.255.255");
        setLink("DiscoveryWaitMs", "400");
        fixture.platform->finders = &factory;
        fixture.boxes.answers = {kYes};
    }
    std::string ctl(const std::string& line) { return simtest::control(fixture.temp / "ctl", line); }
    void writeFile(uint16_t portType, const std::string& revision) {
        writePortOsFile(fixture.productDir + "/SLib", 18,
                        portOsBytes(portOsImage(portType, revision, 5 * 4096)));
    }
    // The revision a new search finds the controller with, once it answers again (bounded).
    std::string revisionFoundAgain(const std::string& serial) {
        const auto until = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < until) {
            const int16_t i = network::FindControllerBySerial(program(), serial, true);
            if (i >= 0) return program().comm.finder->Item(i).PortOsRevision();
        }
        return "(not found)";
    }
};

TEST_F(PortOsSimTest, UpgradedPortComesBackWithTheNewRevision) {
    writeFile(18, "1.9");
    for (const auto& [serial, password] : {std::pair{"KVX300-61", ""},
                                           std::pair{"KVX300-62", "port-secret"}}) {
        SCOPED_TRACE(serial);
        fixture.boxes.shown.clear();
        fixture.boxes.answers = {kYes};
        program().comm.NetworkPassword = password;
        network::RenewFinder(program());
        EXPECT_TRUE(network::UpgradeTcpIpPortOs(program(), serial));
        EXPECT_EQ(fixture.messages(),
                  std::vector<std::string>{"The controller has been upgraded successfully!\n\n"
                                           "New revision in the controller: 1.9"});
        network::ReleaseFinder(program());
        EXPECT_EQ(revisionFoundAgain(serial), "1.9") << "a new discovery reads it back";
    }
}

TEST_F(PortOsSimTest, FailedUpgradeLeavesTheOldRevision) {
    struct Case {
        const char* what;
        uint16_t portType;  // of the file named for port type 18
        std::vector<std::string> knobs;
        const char* why;  // what the found controller tells
    };
    const Case cases[] = {
        {"transfer cut, port away longer than the link keeps trying", 18,
         {"restart_after_blocks 3", "restart_ms 2500"}, "was not loaded"},
        {"file for another port type: refused before sending", 19, {}, "for port type 19"},
    };
    // A cut transfer gives up soon instead of waiting out the controller.
    factory.upgrades.tuning.reconnectFor = 500ms;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(c.portType, "1.9");
        for (const auto& knob : c.knobs) ASSERT_EQ(ctl("fault Open " + knob), "ok");
        fixture.boxes.shown.clear();
        fixture.boxes.answers = {kYes};
        network::RenewFinder(program());
        EXPECT_FALSE(network::UpgradeTcpIpPortOs(program(), "KVX300-61"));
        EXPECT_EQ(fixture.messages(), std::vector<std::string>{kFailed});
        auto& found = dynamic_cast<components::LinkedController&>(program().comm.finder->Item(0));
        EXPECT_NE(found.why().find(c.why), std::string::npos) << found.why();
        EXPECT_EQ(revisionFoundAgain("KVX300-61"), "1.8");
        ASSERT_EQ(ctl("clear Open"), "ok");
    }
}

TEST_F(PortOsSimTest, AnUpgradeFileTheProductDidNotSignIsRefusedBeforeSending) {
    const image::Image plain = portOsImage(18, "1.9", 5 * 4096);
    image::Image altered = testsupport::signedByTest(plain);
    altered.payload[7] ^= 0x01;
    image::Image foreign = plain;
    image::signImage(foreign, image::newKeyPair().secretKey);
    const struct {
        const char* what;
        const image::Image& file;
        const char* why;
    } cases[] = {
        {"signature removed", plain, "18.TcpIpPortOS is not signed"},
        {"one byte flipped after signing", altered, "18.TcpIpPortOS does not carry"},
        {"signed by another key", foreign, "18.TcpIpPortOS does not carry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bytes = image::serializeImage(c.file);
        writePortOsFile(fixture.productDir + "/SLib", 18, std::string(bytes->begin(), bytes->end()));
        fixture.boxes.shown.clear();
        fixture.boxes.answers = {kYes};
        network::RenewFinder(program());
        EXPECT_FALSE(network::UpgradeTcpIpPortOs(program(), "KVX300-61"));
        EXPECT_EQ(fixture.messages(), std::vector<std::string>{kFailed});
        auto& found = dynamic_cast<components::LinkedController&>(program().comm.finder->Item(0));
        EXPECT_NE(found.why().find(c.why), std::string::npos) << found.why();
        EXPECT_EQ(revisionFoundAgain("KVX300-61"), "1.8");
    }
    EXPECT_EQ(ctl("transfers Open"), "ok opened 0 bad_signature 0") << "nothing was sent";
}

}  // namespace
}  // namespace networktest
