// "Load Web-site" on a controller without KVXreal C: the confirmation's OK reloads the TCP/IP
// option from the revision's Image.Bin through the finder's entry, on a scripted network.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "catalogue/Paths.h"
#include "load/FormReloadTCPIP.h"
#include "load/TcpIpOptionReload.h"
#include "load/WebSiteLoad.h"
#include "network/ControllerLookup.h"
#include "network/NetworkFixture.h"
#include "platform/os/NativePath.h"
#include "support/ScriptedForms.h"

namespace networktest {
namespace {

constexpr uint16_t kPortType = 20;  // the demo's Image.Bin of KVX200 2.5
const char* const kSerial = "KVX200-1";

class TcpIpOptionReloadTest : public NetworkTest {
  public:
    using NetworkTest::program;

    TcpIpOptionReloadTest() {
        program().load.forms = &forms;
        forms.onShow["FormReloadTCPIP"] = [this](ui::Form& form) {
            dynamic_cast<load::FormReloadTCPIP&>(form).OKButton_Click();
        };
        app::FormMain& f = program().formMain;
        f.Form_Load();
        for (size_t i = 0; i < program().catalogue.ModelList.size(); ++i)
            if (program().catalogue.ModelList[i].Name.rfind("KVX200", 0) == 0)
                f.CtrlModels_ItemClick(static_cast<int>(i) + 1);
        for (size_t i = 0; i < f.CtrlPrograms.items.size(); ++i)
            if (f.CtrlPrograms.items[i].text == "2.5-0-03")
                f.CtrlPrograms_ItemClick(static_cast<int>(i) + 1);
        program().connection.CommKind = 2;
        program().connection.ControllerOsKind = "";
        program().current.CurrentSN = kSerial;
    }
    std::string imagePath() {
        return os::toNativePath(
            catalogue::ResolvePath(*fixture.glib, load::TcpIpOptionImagePath(program())));
    }

    testsupport::ScriptedForms forms;
};

TEST_F(TcpIpOptionReloadTest, TheImagePathComesFromTheRevisionsControllerFolder) {
    EXPECT_EQ(imagePath(),
              fixture.productDir + "/Application programs/KVX200/2.5/Module1/Image.Bin");
    EXPECT_TRUE(std::filesystem::is_regular_file(imagePath()));
}

TEST_F(TcpIpOptionReloadTest, EachEnding) {
    struct Case {
        const char* what;
        std::function<void(TcpIpOptionReloadTest&, FakeNetwork::Station&)> setUp;
        std::vector<std::string> messages;  // texts by number are looked up below
        bool sent;
        load::WebLoadOutcome outcome;
        bool linkLookedUp;  // CurrentLink is the entry's handle again; else left as it was
    };
    auto none = [](TcpIpOptionReloadTest&, FakeNetwork::Station&) {};
    const std::vector<Case> cases = {
        {"reloaded", none, {text(4563)}, true, load::WebLoadOutcome::Loaded, true},
        {"the port refuses the image",
         [](TcpIpOptionReloadTest&, FakeNetwork::Station& s) { s.upgradeTakes = false; },
         {text(4564)},
         true,
         load::WebLoadOutcome::Failed,
         true},
        {"no option-reload capability",
         [](TcpIpOptionReloadTest&, FakeNetwork::Station& s) { s.identity.capabilities = 1; },
         {text(622)},
         false,
         load::WebLoadOutcome::Failed,
         false},
        {"serial link",
         [](TcpIpOptionReloadTest& t, FakeNetwork::Station&) {
             t.program().connection.CommKind = 1;
         },
         {text(623)},
         false,
         load::WebLoadOutcome::Failed,
         false},
        {"image not valid",
         [](TcpIpOptionReloadTest& t, FakeNetwork::Station&) {
             std::ofstream(t.imagePath(), std::ios::binary | std::ios::trunc) << "not an image";
         },
         {"The TCP/IP option image " + imagePath() + " is not valid; nothing was loaded."},
         false,
         load::WebLoadOutcome::Failed,
         false},
        {"controller no longer in the finder's list",
         [](TcpIpOptionReloadTest&, FakeNetwork::Station& s) { s.answers = false; },
         {std::string("The controller ") + kSerial + " could not be found on the network."},
         false,
         load::WebLoadOutcome::Failed,
         false},
    };
    const std::string original = [this] {
        std::ifstream in(imagePath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(imagePath(), std::ios::binary | std::ios::trunc) << original;
        fixture.boxes.shown.clear();
        fixture.screen.pointerHistory.clear();
        program().connection.CommKind = 2;
        net.stations.clear();
        auto& station = net.add(kSerial);
        station.identity.capabilities = 5;
        station.identity.upgradeFileNumber = kPortType;
        c.setUp(*this, net.stations[0]);
        network::RenewFinder(program());
        int32_t handle = 0;
        if (program().comm.finder->Count() > 0) {
            ASSERT_TRUE(network::ConnectFoundController(program(), 0));
            handle = program().connection.CurrentLink;
        }
        program().connection.CurrentLink = 7;

        EXPECT_EQ(load::LoadWebSiteCommand(program()), c.outcome);

        EXPECT_EQ(fixture.messages(), c.messages);
        EXPECT_EQ(net.stations[0].upgradedTo,
                  c.sent ? std::vector<std::string>{"2.5-0-03"} : std::vector<std::string>{});
        EXPECT_EQ(program().connection.CurrentLink, c.linkLookedUp ? handle : 7);
        // The hourglass while OK works, the old pointer after; no web-site load follows.
        ASSERT_FALSE(fixture.screen.pointerHistory.empty());
        EXPECT_EQ(fixture.screen.pointerHistory.front(), ui::Pointer::Hourglass);
        EXPECT_EQ(fixture.screen.pointer(), ui::Pointer::Default);
        EXPECT_EQ(fixture.components.made, 0);
        EXPECT_EQ(std::count(forms.hidden.begin(), forms.hidden.end(), "FormReloadTCPIP"), 1);
        forms.hidden.clear();
    }
}

// The reload pumps window events while the image travels: OK again, Cancel and Escape then
// start nothing and close nothing, and the buttons show it.
TEST_F(TcpIpOptionReloadTest, OkRunsOneReloadAndTheDialogWaitsForIt) {
    auto& station = net.add(kSerial);
    station.identity.capabilities = 5;
    station.identity.upgradeFileNumber = kPortType;
    network::RenewFinder(program());
    ASSERT_TRUE(network::ConnectFoundController(program(), 0));
    load::FormReloadTCPIP* dialog = nullptr;
    forms.onShow["FormReloadTCPIP"] = [&dialog](ui::Form& form) {
        dialog = &dynamic_cast<load::FormReloadTCPIP&>(form);
        dialog->OKButton_Click();
    };
    std::vector<bool> enabledWhileRunning;
    std::vector<std::string> hiddenWhileRunning;
    net.stations[0].duringUpgrade = [&] {
        if (!enabledWhileRunning.empty()) return;  // a second transfer must not recurse
        enabledWhileRunning = {dialog->OKButton.enabled, dialog->CancelButton.enabled};
        dialog->OKButton_Click();
        dialog->CancelButton_Click();
        dialog->Form_KeyPress(27);
        hiddenWhileRunning = forms.hidden;
    };

    EXPECT_EQ(load::LoadWebSiteCommand(program()), load::WebLoadOutcome::Loaded);

    EXPECT_EQ(enabledWhileRunning, (std::vector<bool>{false, false}));
    EXPECT_EQ(hiddenWhileRunning, std::vector<std::string>{});
    EXPECT_EQ(net.stations[0].upgradedTo, std::vector<std::string>{"2.5-0-03"});
    EXPECT_EQ(forms.hidden, std::vector<std::string>{"FormReloadTCPIP"});
    EXPECT_EQ(fixture.messages(), std::vector<std::string>{text(4563)});
}

}  // namespace
}  // namespace networktest
