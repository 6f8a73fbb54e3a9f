// The TCP/IP settings dialog and the set-up's decisions that need no controller link.
#include <gtest/gtest.h>

#include "network/ControllerLookup.h"
#include "network/FormTCPSettings.h"
#include "network/NetworkFixture.h"
#include "network/TcpIpSettings.h"

namespace networktest {
namespace {

class SettingsFormTest : public NetworkTest {
  protected:
    network::FormTCPSettings& open() {
        form = std::make_unique<network::FormTCPSettings>(program());
        form->Form_Load();
        return *form;
    }
    std::unique_ptr<network::FormTCPSettings> form;
};

TEST_F(SettingsFormTest, FullDnsNameSplitsAtTheFirstDot) {
    struct Case {
        std::string full, domainBefore;
        std::string dnsName, host, domain;
    };
    const Case cases[] = {
        {"", "old", "", "", ""},
        {"boiler.plant.example", "old", "boiler.plant.example", "boiler", "plant.example"},
        {"boiler", "old", "boiler", "boiler", "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.full);
        program().TcpCfg.FullDNS = c.full;
        network::FormTCPSettings f(program());
        f.tbDomain.text = c.domainBefore;
        f.SetParams();
        EXPECT_EQ(f.tbDNSName.text, c.dnsName);
        EXPECT_EQ(f.tbHostName.text, c.host);
        EXPECT_EQ(f.tbDomain.text, c.domain);
    }
}

TEST_F(SettingsFormTest, HostAndDomainJoinWithoutTrailingDot) {
    auto& f = open();
    f.tbHostName_Change("boiler");
    EXPECT_EQ(f.tbDNSName.text, "boiler");
    f.tbDomain_Change("plant");
    EXPECT_EQ(f.tbDNSName.text, "boiler.plant");
    f.tbHostName_Change("");
    EXPECT_EQ(f.tbDNSName.text, "plant");
}

TEST_F(SettingsFormTest, DhcpAndManualSwapTheirGroups) {
    program().TcpCfg.DHCP = true;
    auto& f = open();
    EXPECT_FALSE(f.tbIP.enabled);
    EXPECT_TRUE(f.tbHostName.enabled);
    f.rbIP_Click();
    EXPECT_TRUE(f.tbIP.enabled);
    EXPECT_TRUE(f.tbDNSServer1.enabled);
    EXPECT_FALSE(f.tbHostName.enabled);
    f.rbDHCP_Click();
    EXPECT_FALSE(f.tbIP.enabled);
}

TEST_F(SettingsFormTest, OkKeepsPasswordsThatWereNeitherReadNorTyped) {
    program().TcpCfg.WebOperatorPass = "known-op";
    program().TcpCfg.WebOperatorPassKnown = true;
    auto& f = open();
    EXPECT_EQ(f.CtrlEncryptedPass.text, "") << "never read back";
    EXPECT_EQ(f.CtrlWebUserPass[1].text, "") << "unknown: not shown as the default";
    EXPECT_EQ(f.CtrlWebUserPass[2].text, "known-op");
    f.CtrlWebUserPass_Change(3, "svc-new");
    f.CmdOk_Click();
    ASSERT_TRUE(f.Result);
    const auto& cfg = program().TcpCfg;
    EXPECT_FALSE(cfg.EncryptedPassKnown);
    EXPECT_FALSE(cfg.WebGuestPassKnown);
    EXPECT_EQ(cfg.WebGuestPass, "");
    EXPECT_EQ(cfg.WebOperatorPass, "known-op");
    EXPECT_TRUE(cfg.WebServicePassKnown);
    EXPECT_EQ(cfg.WebServicePass, "svc-new");
    EXPECT_FALSE(cfg.WebAdminPassKnown);
}

TEST_F(SettingsFormTest, AKnownEmptyWebPasswordShowsItsDefaultButStaysEmpty) {
    program().TcpCfg.WebGuestPassKnown = true;
    auto& f = open();
    EXPECT_EQ(f.CtrlWebUserPass[1].text, "tarpe");
    f.CmdOk_Click();
    EXPECT_EQ(program().TcpCfg.WebGuestPass, "");
}

TEST_F(SettingsFormTest, StoreRefusesWhatTheControllerCannotTake) {
    struct Case {
        const char* what;
        void (*edit)(network::FormTCPSettings&);
        std::string message;  // "" = stored
    };
    const std::string bad354 = text(354);
    const Case cases[] = {
        {"all fine", [](network::FormTCPSettings&) {}, ""},
        {"blank in the network password",
         [](network::FormTCPSettings& f) { f.CtrlEncryptedPass_Change("two words"); }, bad354},
        {"control character in a web password",
         [](network::FormTCPSettings& f) { f.CtrlWebUserPass_Change(2, "a\tb"); }, bad354},
        {"static IP without an address",
         [](network::FormTCPSettings& f) {
             f.rbIP_Click();
             f.tbIP.text = "";
         },
         "An empty text is not a valid IP address!"},
        {"static IP that does not parse",
         [](network::FormTCPSettings& f) {
             f.rbIP_Click();
             f.tbIP.text = "192.168.1.300";
         },
         "192.168.1.300 is not a valid IP address!"},
        {"DHCP ignores the address fields",
         [](network::FormTCPSettings& f) {
             f.rbDHCP_Click();
             f.tbIP.text = "junk";
         },
         ""},
        {"bad gateway", [](network::FormTCPSettings& f) { f.tbGateway.text = "1.2.3"; },
         "1.2.3 is not a valid IP address!"},
        {"BACnet device ID not a number",
         [](network::FormTCPSettings& f) { f.CtrlBACnetDeviceID.text = "12a"; },
         "BACnet Device ID must be a whole decimal number from -2147483648 to 2147483647."},
        {"BACnet port beyond 32 bits",
         [](network::FormTCPSettings& f) { f.CtrlBACnetIpUdpPortNumber.text = "4294967296"; },
         "BACnet/IP UDP port number must be a whole decimal number from -2147483648 to "
         "2147483647."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        program().TcpCfg = {};
        program().TcpCfg.DHCP = false;
        program().TcpCfg.IP = "192.168.1.10";
        program().TcpCfg.Subnet = "255.255.255.0";
        auto& f = open();
        c.edit(f);
        fixture.boxes.shown.clear();
        f.CtrlBACnetDeviceName.text = "changed";
        f.CmdOk_Click();
        EXPECT_EQ(f.Result, c.message.empty());
        EXPECT_EQ(f.Visible, !c.message.empty());
        EXPECT_EQ(program().TcpCfg.BACnetDeviceName, c.message.empty() ? "changed" : "")
            << "nothing is stored when a field is refused";
        if (!c.message.empty()) {
            EXPECT_EQ(fixture.messages().back(), c.message);
        }
    }
}

TEST_F(SettingsFormTest, TheLastEditOfTheTwoDnsBoxesWins) {
    struct Case {
        const char* what;
        void (*edit)(network::FormTCPSettings&);
        const char* stored;
    };
    const Case cases[] = {
        {"untouched", [](network::FormTCPSettings&) {}, "10.0.0.53"},
        {"general tab", [](network::FormTCPSettings& f) { f.tbDNS_Change("10.0.0.1"); },
         "10.0.0.1"},
        {"connection tab", [](network::FormTCPSettings& f) { f.tbDNSServer1_Change("10.0.0.2"); },
         "10.0.0.2"},
        {"general then connection",
         [](network::FormTCPSettings& f) {
             f.tbDNS_Change("10.0.0.1");
             f.tbDNSServer1_Change("10.0.0.2");
         },
         "10.0.0.2"},
        {"connection then general",
         [](network::FormTCPSettings& f) {
             f.tbDNSServer1_Change("10.0.0.2");
             f.tbDNS_Change("10.0.0.1");
         },
         "10.0.0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        program().TcpCfg.DNSServer = "10.0.0.53";
        auto& f = open();
        c.edit(f);
        f.CmdOk_Click();
        EXPECT_EQ(program().TcpCfg.DNSServer, c.stored);
    }
}

TEST_F(SettingsFormTest, PasswordCharacterMessagesAsTyped) {
    auto& f = open();
    f.CtrlEncryptedPass_Change("bad pass");
    f.CtrlWebUserPass_Change(1, "bad pass");
    f.CtrlWebUserPass_LostFocus(1);
    EXPECT_EQ(fixture.messages(),
              (std::vector<std::string>{text(353), "Ogiltigt tecken", text(354)}));
    EXPECT_EQ(f.FocusTo, "CtrlWebUserPass_1");
    EXPECT_EQ(f.CtrlWebUserPass[1].text, "bad pass") << "the user corrects the text";
}

TEST_F(SettingsFormTest, CancelKeepsTheRecord) {
    program().TcpCfg.IP = "192.168.1.10";
    auto& f = open();
    f.tbIP.text = "10.1.1.1";
    f.CmdCancel_Click();
    EXPECT_FALSE(f.Result);
    EXPECT_EQ(program().TcpCfg.IP, "192.168.1.10");
}

TEST_F(SettingsFormTest, SetupStopsBeforeApplyingAnything) {
    struct Case {
        const char* what;
        bool encryption, passwordRight, fits;
        std::vector<int32_t> answers;  // to the "not appropriate" question
        std::string message;
    };
    const Case cases[] = {
        {"wrong network password", true, false, true, {}, "Wrong network password"},
        {"cancel at the network question", false, true, false, {2}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        net.stations.clear();
        auto& s = net.add("SN-S", false);
        s.identity.encryptionRequired = c.encryption;
        s.password = c.passwordRight ? "" : "secret";
        s.fits = c.fits;
        network::RenewFinder(program());
        program().current.CurrentSN = "SN-S";
        fixture.boxes.shown.clear();
        fixture.boxes.answers = {c.answers.begin(), c.answers.end()};
        EXPECT_FALSE(network::SetupControllerTcpIp(program()));
        EXPECT_TRUE(net.find("SN-S")->applied.empty()) << "nothing was applied";
        if (!c.message.empty()) {
            EXPECT_EQ(fixture.messages().at(0), c.message);
        }
    }
}

}  // namespace
}  // namespace networktest
