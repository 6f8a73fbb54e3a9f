// The TCP/IP Port OS upgrade as the search dialog's Upgrade button runs it, on a scripted
// network: which message ends each way, and that nothing is sent that should not be.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/Paths.h"
#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/NetworkFixture.h"
#include "network/PortOsFiles.h"
#include "network/PortOsUpgrade.h"
#include "platform/os/NativePath.h"

namespace networktest {
namespace {

constexpr int32_t kYes = 6, kNo = 7;
constexpr uint16_t kPortType = 17;
const std::string kNotFound =
    "Could not upgrade controller.\nThis could happen because of the following reasons: \n"
    "- The selected controller could not be found on the network.\n- No controller was selected.";
const std::string kFailed =
    "Could not upgrade controller.\nThis could happen because of the following reasons: \n"
    "- The connection to the controller was lost.\n- Incorrect format in the upgrade file.";

const std::string kQuestion =
    "Do you wish to upgrade the TCP/IP Port OS in this controller?\n\nModel: KVX300C\n"
    "Revision in the controller: 1.8\nRevision to upgrade to: 1.9\n\nWhen the TCP/IP Port OS "
    "has been upgraded you will be able to communicate with the controller again.";

class PortOsUpgradeTest : public NetworkTest {
  protected:
    std::string slib() { return fixture.productDir + "/SLib"; }
    // What the program names the file of `portType`.
    std::string fileName(uint16_t portType) {
        return catalogue::ResolvePath(*fixture.glib, "SLIB:\\") + "KVXreal\\" +
               std::to_string(portType) + ".TcpIpPortOS";
    }
};

TEST_F(PortOsUpgradeTest, EachWayEndsWithItsOwnMessage) {
    enum class File { None, Valid, Damaged };
    struct Case {
        const char* what;
        std::string serial;
        File file;
        bool goneAfterSearch;
        void (*script)(FakeNetwork::Station&);
        int32_t answer;
        bool askedAndSent;  // the question was asked, and the image sent unless answered No
        std::string message;  // empty: none
        bool result;
    };
    auto none = [](FakeNetwork::Station&) {};
    const Case cases[] = {
        {"controller gone since the search", "SN-1", File::Valid, true, none, kYes, false,
         kNotFound, false},
        {"no controller selected", "", File::Valid, false, none, kYes, false, kNotFound, false},
        {"no upgrade file", "SN-1", File::None, false, none, kYes, false,
         "Can not find a TcpIpPortOS upgrade file.", false},
        {"damaged upgrade file", "SN-1", File::Damaged, false, none, kYes, false,
         "The Upgrade file: " + os::toNativePath(fileName(kPortType)) +
             " is not a valid TCP/IP Port OS upgrade file!\nthe image file is damaged "
             "(checksum mismatch)",
         false},
        {"transfer fails", "SN-1", File::Valid, false,
         [](FakeNetwork::Station& s) { s.upgradeTakes = false; }, kYes, true, kFailed, false},
        {"not found again after the transfer", "SN-1", File::Valid, false,
         [](FakeNetwork::Station& s) { s.backAfterUpgrade = false; }, kYes, true, kFailed,
         false},
        {"back with the old revision", "SN-1", File::Valid, false,
         [](FakeNetwork::Station& s) { s.revisionAfterUpgrade = "1.8"; }, kYes, true, kFailed,
         false},
        {"user says No", "SN-1", File::Valid, false, none, kNo, true, "", false},
        {"upgraded", "SN-1", File::Valid, false, none, kYes, true,
         "The controller has been upgraded successfully!\n\nNew revision in the controller: 1.9",
         true},
    };
    const std::string valid = portOsBytes(portOsImage(kPortType, "1.9"));
    std::string damaged = valid;
    damaged[damaged.size() / 2] ^= 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(slib() + "/KVXreal");
        if (c.file != File::None)
            writePortOsFile(slib(), kPortType, c.file == File::Valid ? valid : damaged);
        fixture.boxes.shown.clear();
        fixture.boxes.asked.clear();
        fixture.boxes.answers = {c.answer};
        net.stations.clear();
        auto& station = net.add("SN-1", true);
        station.identity.upgradeFileNumber = kPortType;
        station.identity.portOsRevision = "1.8";
        c.script(station);
        network::RenewFinder(program());
        if (c.goneAfterSearch) {
            station.answers = false;
            network::RenewFinder(program());
        }

        EXPECT_EQ(network::UpgradeTcpIpPortOs(program(), c.serial), c.result);
        EXPECT_EQ(fixture.messages(),
                  c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        ASSERT_EQ(fixture.boxes.asked.size(), c.askedAndSent ? 1u : 0u);
        if (c.askedAndSent) {
            EXPECT_EQ(fixture.boxes.asked[0], kQuestion);
        }
        EXPECT_EQ(net.stations[0].upgradedTo.size(), c.askedAndSent && c.answer == kYes ? 1u : 0u);
        EXPECT_EQ(fixture.screen.pointer(), ui::Pointer::Default);
    }
}

// The search dialog runs one operation at a time: while it lists, connects or upgrades, the
// others wait and a click on them does nothing; the upgrade flag falls back on every way out.
TEST_F(PortOsUpgradeTest, TheSearchDialogDoesOneThingAtATime) {
    writePortOsFile(slib(), kPortType, portOsBytes(portOsImage(kPortType, "1.9")));
    auto& station = net.add("SN-1", true);
    station.identity.upgradeFileNumber = kPortType;
    net.add("SN-2");
    network::FormSearchTCP form(program());
    int reentries = 0;
    // Every command clicked while another one runs.
    auto clickEverything = [&] {
        ++reentries;
        const int searches = net.searches;
        form.ButtonRefresh_Click();
        form.ButtonFindMore_Click();
        form.btnUpgrade_Click();
        form.ButtonOk_Click();
        form.ButtonCancel_Click();
        form.CtrlList_KeyPress(13);
        EXPECT_EQ(net.searches, searches) << "nothing started";
        EXPECT_TRUE(form.Visible);
        const std::vector<const ui::Control*> waiting{&form.ButtonOk,      &form.ButtonCancel,
                                                      &form.ButtonRefresh, &form.ButtonFindMore,
                                                      &form.btnUpgrade,    &form.CtrlList};
        for (const ui::Control* c : waiting) EXPECT_FALSE(c->enabled);
    };
    fixture.screen.onEvents = clickEverything;  // while the rows are listed
    form.Form_Activate();
    fixture.screen.onEvents = nullptr;
    EXPECT_GT(reentries, 0);
    ASSERT_EQ(form.CtrlList.items.size(), 2u);
    EXPECT_TRUE(form.ButtonRefresh.enabled);
    EXPECT_FALSE(form.ButtonOk.enabled) << "no row chosen yet";

    form.CtrlList_ItemClick(1);
    for (bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "the transfer throws" : "the transfer ends");
        reentries = 0;
        fixture.boxes.answers = {kYes};
        net.stations[0].duringUpgrade = [&] {
            EXPECT_TRUE(program().comm.PortOsUpgradeRunning);
            clickEverything();
            if (fails) throw std::runtime_error("the link went away");
        };
        if (fails) EXPECT_THROW(form.btnUpgrade_Click(), std::runtime_error);
        else form.btnUpgrade_Click();
        EXPECT_EQ(reentries, 1);
        EXPECT_FALSE(program().comm.PortOsUpgradeRunning);
        EXPECT_TRUE(form.ButtonOk.enabled) << "the row is still chosen";
        EXPECT_TRUE(form.btnUpgrade.enabled);
        EXPECT_TRUE(form.ButtonRefresh.enabled);
    }
}

// Enter on a row asks for the password a protected controller needs, as OK does.
TEST_F(PortOsUpgradeTest, EnterOnAProtectedRowAsksForThePassword) {
    auto& s = net.add("SN-P", true);
    s.identity.encryptionRequired = true;
    s.password = "secret";
    input.answers = {std::string("secret")};
    network::FormSearchTCP form(program());
    form.Form_Activate();
    form.CtrlList_ItemClick(1);
    form.CtrlList_KeyPress(13);
    EXPECT_EQ(input.prompts.size(), 1u);
    EXPECT_TRUE(form.SearchOkFlg);
    EXPECT_NE(program().connection.CurrentLink, 0);
}

}  // namespace
}  // namespace networktest
