// The TCP/IP Port OS upgrade against kvxsim: the real finder sends the file with the transfer
// engine, the port restarts, and a new discovery tells which revision it runs.
#include <gtest/gtest.h>

#include <chrono>

#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/PortOsFiles.h"
#include "network/PortOsUpgrade.h"
#include "network/SimNetworkFixture.h"
#include "platform/components/finder/LinkedController.h"
#include "sim/SimClient.h"
#include "support/DamagedFiles.h"
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
        program().comm.NetworkPassword = secure::Secret(password);
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
    const image::Image plain = portOsImage(18, "1.9", 5 * 4096);
    image::Image altered = testsupport::signedByTest(plain);
    altered.payload[7] ^= 0x01;
    image::Image foreign = plain;
    image::signImage(foreign, image::newKeyPair().secretKey);
    auto fileOf = [](const image::Image& i) {
        const auto bytes = image::serializeImage(i);
        return std::string(bytes->begin(), bytes->end());
    };
    struct Case {
        const char* what;
        std::string file;  // named for port type 18
        std::vector<std::string> knobs;
        const char* why;  // what the found controller tells
        bool sends;       // whether a transfer reaches the controller
    };
    const Case cases[] = {
        {"transfer cut, port away longer than the link keeps trying", portOsBytes(plain),
         {"restart_after_blocks 3", "restart_ms 2500"}, "was not loaded", true},
        {"file for another port type: refused before sending",
         portOsBytes(portOsImage(19, "1.9", 5 * 4096)), {}, "for port type 19", false},
        {"signature removed", fileOf(plain), {}, "18.TcpIpPortOS is not signed", false},
        {"one byte flipped after signing", fileOf(altered), {}, "18.TcpIpPortOS does not carry",
         false},
        {"signed by another key", fileOf(foreign), {}, "18.TcpIpPortOS does not carry", false},
    };
    // A cut transfer gives up soon instead of waiting out the controller.
    factory.upgrades.tuning.reconnectFor = 500ms;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writePortOsFile(fixture.productDir + "/SLib", 18, c.file);
        for (const auto& knob : c.knobs) ASSERT_EQ(ctl("fault Open " + knob), "ok");
        const std::string transfers = ctl("transfers Open");
        fixture.boxes.shown.clear();
        fixture.boxes.answers = {kYes};
        network::RenewFinder(program());
        EXPECT_FALSE(network::UpgradeTcpIpPortOs(program(), "KVX300-61"));
        EXPECT_EQ(fixture.messages(), std::vector<std::string>{kFailed});
        auto& found = dynamic_cast<components::LinkedController&>(program().comm.finder->Item(0));
        EXPECT_NE(found.why().find(c.why), std::string::npos) << found.why();
        EXPECT_EQ(revisionFoundAgain("KVX300-61"), "1.8");
        if (!c.sends) {
            EXPECT_EQ(ctl("transfers Open"), transfers) << "nothing was sent";
        }
        ASSERT_EQ(ctl("clear Open"), "ok");
    }
}

// A damaged upgrade file, chosen with the search dialog's Upgrade, is named with what is wrong
// with it; nothing is sent and the port keeps its revision.
TEST_F(PortOsSimTest, ADamagedFileIsNamedWithWhatIsWrong) {
    const std::string good = portOsBytes(portOsImage(18, "1.9", 5 * 4096));
    for (const testsupport::DamagedFile& c : testsupport::damagedCopies(good)) {
        SCOPED_TRACE(c.what);
        const std::string path = writePortOsFile(fixture.productDir + "/SLib", 18, c.bytes);
        fixture.boxes.shown.clear();
        network::FormSearchTCP form(program());
        form.Form_Activate();
        for (std::size_t row = 0; row < form.CtrlList.items.size(); ++row)
            if (form.CtrlList.items[row].subItems[0] == "KVX300-61")
                form.CtrlList_ItemClick(static_cast<int>(row) + 1);
        ASSERT_TRUE(form.btnUpgrade.enabled);
        form.btnUpgrade_Click();
        EXPECT_EQ(fixture.messages(),
                  std::vector<std::string>{"The Upgrade file: " + path +
                                           " is not a valid TCP/IP Port OS upgrade file!\n" +
                                           c.why});
        EXPECT_FALSE(program().comm.PortOsUpgradeRunning);
        EXPECT_TRUE(form.btnUpgrade.enabled) << "the dialog is usable again";
        network::ReleaseFinder(program());
        EXPECT_EQ(revisionFoundAgain("KVX300-61"), "1.8");
    }
}

}  // namespace
}  // namespace networktest
