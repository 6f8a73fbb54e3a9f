// The TCP/IP settings sequences against kvxsim: what the controller takes, when, and what
// discovery reports afterwards.
#include <gtest/gtest.h>

#include <functional>

#include "link/ByName.h"
#include "link/ControllerServices.h"
#include "link/LinkFlags.h"
#include "link/TypedAccess.h"
#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/FormTCPSettings.h"
#include "network/SimNetworkFixture.h"
#include "network/TcpIpSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/kvxglib/TcpLinks.h"
#include "platform/text/Text.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/VariablePayloads.h"
#include "sim/SimClient.h"

namespace networktest {
namespace {

const char* kNetwork = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0

[Controller Real]
Serial=SN-C
Name=Boiler
Address=12:3
Listen=127.0.0.21:0
KvxrealC=yes
Ip=192.168.1.21
SubnetMask=255.255.255.0
Capabilities=9
Var.248.221=1,5,guest-secret
Var.248.225=1,5,network-secret
Var.242.4=1,5,mail.plant.example
Var.242.10=1,5,mail-secret
Var.242.60=1,6,4711
Var.242.117=1,1,yes
Var.242.165=1,6,8080
Var.242.168=1,3,17
Var.248.231=1,5,10.0.0.9

[Controller Old]
Serial=SN-O
Name=Pump
Address=2:1
Listen=127.0.0.22:0
Ip=192.168.1.22
SubnetMask=255.255.255.0
Capabilities=1

[Controller Vault]
Serial=SN-V
Address=12:4
Listen=127.0.0.24:0
KvxrealC=yes
Ip=192.168.1.24
SubnetMask=255.255.255.0
Capabilities=9
Password=old-pass
Var.248.221=1,5,guest-secret

[Controller Stuck]
Serial=SN-S
Address=3:1
Listen=127.0.0.23:0
KvxrealC=yes
Var.248.211=1,5,cannot-commit
)";

class SettingsSimTest : public SimNetworkTest {
  protected:
    void SetUp() override { start(kNetwork); }

    // As the search dialog's OK does it.
    void choose(const std::string& serial) {
        network::FormSearchTCP form(program());
        form.Form_Activate();
        for (std::size_t row = 0; row < form.CtrlList.items.size(); ++row)
            if (form.CtrlList.items[row].subItems[0] == serial)
                form.CtrlList_ItemClick(static_cast<int>(row) + 1);
        form.ButtonOk_Click();
        ASSERT_TRUE(form.SearchOkFlg);
    }
    std::string reportedIp(const std::string& serial) {
        const int16_t i = network::FindControllerBySerial(program(), serial, true);
        return i == -1 ? "(gone)" : program().comm.finder->Item(i).IpAddress();
    }
    // A variable of the current controller, as text.
    std::string read(int16_t file, int32_t index) {
        std::u16string text;
        int32_t status = 0;
        const auto& c = program().connection;
        if (!clink::ReadText(*fixture.glib, c.CurrentLink, c.CurrentPLA, c.CurrentELA, file, 0,
                             index, text, clink::flags::Normal, status, u""))
            return "(unread)";
        return text::fromWide(text);
    }
    // A password variable as the controller holds it, read past the host: the library sends
    // no read of a password over a plain link.
    std::string held(const std::string& id, uint16_t file, int32_t index) {
        auto socket = simtest::connectTcp(sim->tcp(id));
        if (!socket) return "(unread)";
        simtest::TcpClient client(std::move(*socket));
        auto reply = client.exchange(
            simtest::readVar(wire::kDirectAddress, 1, wire::VarType::Text, file, index));
        if (!reply) return "(unread)";
        auto value = wire::decodeReadReply(reply->payload);
        return value ? value->value.text : "(unread)";
    }
    std::string flag(const std::string& name) {
        clink::VarValue v;
        int32_t status = 0;
        const auto& c = program().connection;
        if (!clink::ReadVar(program(), c.CurrentPLA, c.CurrentELA, name, v, clink::flags::Normal,
                            status))
            return "(unread)";
        return clink::VarValueText(v);
    }
};

TEST_F(SettingsSimTest, KvxrealCTakesItsSettingsAtTheCommit) {
    choose("SN-C");
    auto& cfg = program().TcpCfg;
    EXPECT_EQ(program().connection.ControllerOsKind, "C");
    EXPECT_EQ(cfg.IP, "192.168.1.21");
    EXPECT_FALSE(cfg.EncryptedPassKnown);
    EXPECT_FALSE(cfg.WebGuestPassKnown) << "not told over a plain link";
    cfg.DHCP = false;
    cfg.IP = "192.168.7.7";
    cfg.Subnet = "255.255.255.0";
    cfg.Gateway = "192.168.7.1";
    ASSERT_TRUE(network::SetupControllerTcpIp(program())) << ::testing::PrintToString(
        fixture.messages());
    EXPECT_EQ(reportedIp("SN-C"), "192.168.7.7");
    EXPECT_EQ(flag("QCom.CommitIPSettings"), "0") << "the port took the settings";
    EXPECT_EQ(held("Real", 248, 221), "guest-secret") << "never known, never written";
    EXPECT_EQ(held("Real", 248, 225), "network-secret");
    EXPECT_EQ(read(248, 221), "(unread)") << "a password is not read over a plain link";
}

TEST_F(SettingsSimTest, OkWritesOnlyThePasswordsTypedInTheDialogAndOnlySealed) {
    struct Case {
        const char* serial;
        const char* id;
        const char* searchPassword;
        const char* guestAfterTyping;
    };
    const Case cases[] = {
        {"SN-V", "Vault", "old-pass", "guest-new"},
        {"SN-C", "Real", "", "guest-secret"},  // a web password never travels on a plain link
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        program().comm.NetworkPassword = secure::Secret(c.searchPassword);
        choose(c.serial);
        // Over the sealed link as the program reads; past the host where there is none.
        const bool sealed = *c.searchPassword != 0;
        auto password = [&](int32_t index) {
            return sealed ? read(248, index) : held(c.id, 248, index);
        };
        program().SelectedHasWebSite = true;
        network::FormTCPSettings form(program());
        form.Form_Load();
        form.CtrlBACnetDeviceName.text = "AHU-1";
        form.CmdOk_Click();
        ASSERT_TRUE(form.Result);
        EXPECT_EQ(password(221), "guest-secret");
        EXPECT_EQ(read(242, 63), "AHU-1");

        network::FormTCPSettings again(program());
        again.Form_Load();
        again.CtrlWebUserPass_Change(1, "guest-new");
        again.CmdOk_Click();
        EXPECT_EQ(password(221), c.guestAfterTyping);
        EXPECT_EQ(password(224), "") << "the fourth login stays as it was";
    }
    EXPECT_EQ(held("Real", 248, 225), "network-secret");
}

TEST_F(SettingsSimTest, AnOlderPortTakesItsSettingsAtTheNextColdStart) {
    choose("SN-O");
    auto& cfg = program().TcpCfg;
    EXPECT_EQ(program().connection.ControllerOsKind, "");
    cfg.DHCP = false;
    cfg.IP = "192.168.9.9";
    cfg.Subnet = "255.255.255.0";
    cfg.Gateway = "192.168.9.1";
    program().current.CurrentName = "Pump 2";
    ASSERT_TRUE(network::SetupControllerTcpIp(program())) << ::testing::PrintToString(
        fixture.messages());
    EXPECT_EQ(reportedIp("SN-O"), "192.168.1.22") << "pending until the cold start";
    int16_t flag = 0;
    int32_t status = 0;
    ASSERT_TRUE(clink::ReadSmallInt(*fixture.glib, program().connection.CurrentLink, 2, 1, 250, 0,
                                    32, flag, clink::flags::Normal, status, u""));
    EXPECT_EQ(flag, 1);
    clink::ColdStart(*fixture.platform, program().connection.CurrentLink, 2, 1);
    std::string ip;
    for (int attempt = 0; attempt < 20 && ip != "192.168.9.9"; ++attempt) ip = reportedIp("SN-O");
    EXPECT_EQ(ip, "192.168.9.9");
    EXPECT_EQ(program().comm.finder->Item(0).Name(), "Pump 2");
}

TEST_F(SettingsSimTest, SettingsThatDoNotSuitTheNetworkAskFirst) {
    struct Case {
        const char* what;
        int32_t answer;  // 1 OK, 2 Cancel
        bool result;
        int16_t coldStartFlag;  // 1 once the settings went to the port
    };
    const Case cases[] = {
        {"cancel", 2, false, 0},
        {"proceed", 1, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        choose("SN-O");
        auto& cfg = program().TcpCfg;
        cfg.DHCP = false;
        cfg.IP = "10.0.0.5";
        cfg.Subnet = "255.255.255.0";
        cfg.Gateway = "192.168.1.1";  // outside the subnet
        fixture.boxes.asked.clear();
        fixture.boxes.answers = {c.answer};
        EXPECT_EQ(network::SetupControllerTcpIp(program()), c.result);
        ASSERT_EQ(fixture.boxes.asked.size(), 1u);
        int16_t flag = -1;
        int32_t status = 0;
        ASSERT_TRUE(clink::ReadSmallInt(*fixture.glib, program().connection.CurrentLink, 2, 1, 250,
                                        0, 32, flag, clink::flags::Normal, status, u""));
        EXPECT_EQ(flag, c.coldStartFlag);
    }
}

// A committed network password replaces the old one for every later connection, and a
// committed "encryption required" is enforced; without any password it is not taken, since
// nobody could reach the controller any more.
TEST_F(SettingsSimTest, CommittedEncryptionTakesEffectOnLaterConnections) {
    struct Case {
        const char* serial;
        const char* id;
        const char* searchPassword;
        bool required;  // what the controller enforces after the commit
    };
    const Case cases[] = {{"SN-V", "Vault", "old-pass", true}, {"SN-C", "Real", "", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial);
        program().comm.NetworkPassword = secure::Secret(c.searchPassword);
        choose(c.serial);
        auto& cfg = program().TcpCfg;
        cfg.DHCP = true;
        cfg.EncryptedCom = true;
        if (c.required) {
            cfg.EncryptedPass = "new-pass";
            cfg.EncryptedPassKnown = true;
        }
        ASSERT_TRUE(network::SetupControllerTcpIp(program()))
            << ::testing::PrintToString(fixture.messages());

        const simtest::Endpoint at = sim->tcpEndpoint(c.id);
        auto& glib = *fixture.glib;
        std::string why;
        const int32_t plain = kvxglib::openTcpLink(glib, at.host, at.port, &why);
        ASSERT_NE(plain, 0) << why;
        std::vector<uint8_t> reply;
        EXPECT_EQ(kvxglib::runDirectCommand(glib, plain, 0x50, {}, reply, why), !c.required);
        if (c.required) {
            EXPECT_EQ(why, std::string("reply code ") +
                               wire::replyCodeName(static_cast<uint16_t>(wire::ReplyCode::AuthRequired)));
            EXPECT_EQ(
                kvxglib::checkNetworkPassword(glib, at.host, at.port, secure::Secret("old-pass")),
                comm::PasswordCheck::Refused);
            program().connection.CurrentLink = kvxglib::openSecureTcpLink(
                glib, at.host, at.port, secure::Secret("new-pass"), &why);
            ASSERT_NE(program().connection.CurrentLink, 0) << why;
            EXPECT_EQ(read(248, 225), "") << "the password is never kept in clear";
        }
        EXPECT_EQ(flag("QCom.EncryptionRequired"), c.required ? "-1" : "0");
        const int16_t i = network::FindControllerBySerial(program(), c.serial, true);
        ASSERT_NE(i, -1);
        EXPECT_EQ(program().comm.finder->Item(i).EncryptionRequired(), c.required);
    }
}

TEST_F(SettingsSimTest, AFailedCommitFailsTheSetup) {
    choose("SN-S");
    program().TcpCfg.DHCP = true;
    EXPECT_FALSE(network::SetupControllerTcpIp(program()));
}

// An OK in the settings dialog writes only what this controller told when the dialog opened, or
// what was typed: not the start values the automatic detection leaves, not a value read before
// the controller changed it, and nothing longer than the controller keeps.
TEST_F(SettingsSimTest, OkWritesOnlyWhatTheControllerToldOrWasTyped) {
    setLink("DiscoveryTarget", "127.0.0.21");  // the detection finds this controller alone
    fixture.boxes.answers = {ui::answer::Yes};
    bool openSearch = false;
    ASSERT_TRUE(network::AutoDetectController(program(), openSearch));
    auto values = [&] {
        return std::vector<std::string>{read(242, 4),
                                        read(242, 10),
                                        flag("QServices.HttpEnable"),
                                        flag("QServices.HttpPort"),
                                        flag("QServices.HttpActiveSitePartition"),
                                        flag("QServices.BACnetDeviceID"),
                                        flag("QServices.BACnetIpEnable"),
                                        flag("QServices.BACnetIpUDPport")};
    };
    using Values = std::vector<std::string>;
    // The web server's port is where kvxsim serves, chosen by the system.
    const Values initial = values();
    ASSERT_EQ(initial[0], "mail.plant.example");
    ASSERT_EQ(initial[4], "17");
    ASSERT_EQ(initial[5], "4711");
    ASSERT_EQ(initial[6], "-1");
    Values stale = initial;
    stale[4] = "18";
    // The e-mail login password is a secret: on this plain link it is never sent (a test of the
    // protected link covers that), so only plain values are typed here.
    Values typed = stale;
    typed[5] = "999";
    typed[6] = "0";
    struct Step {
        const char* what;
        std::function<void()> before;  // on the controller, before the dialog opens
        std::function<void(network::FormTCPSettings&)> edit;
        bool stored;
        Values after;
    };
    auto nothing = [] {};
    auto untouched = [](network::FormTCPSettings&) {};
    const Step steps[] = {
        {"after the automatic detection", nothing, untouched, true, initial},
        {"the active site changed since the last read",
         [&] {
             int32_t status = 0;
             const auto& c = program().connection;
             ASSERT_TRUE(clink::WriteVar(program(), c.CurrentPLA, c.CurrentELA,
                                         "QServices.HttpActiveSitePartition", int16_t{18},
                                         clink::flags::Normal, status));
         },
         untouched, true, stale},
        {"typed",
         nothing,
         [](network::FormTCPSettings& f) {
             f.CtrlBACnetDeviceID.text = "999";
             f.CtrlBACnetIPEnable.value = false;
         },
         true, typed},
        {"longer than the controller keeps",
         nothing,
         [](network::FormTCPSettings& f) { f.CtrlEmailLoginPass.text = std::string(65, 'x'); },
         false, typed},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        fixture.boxes.shown.clear();
        step.before();
        network::FormTCPSettings form(program());
        form.Form_Load();
        step.edit(form);
        form.CmdOk_Click();
        EXPECT_EQ(form.Result, step.stored);
        EXPECT_EQ(fixture.messages().empty(), step.stored)
            << ::testing::PrintToString(fixture.messages());
        EXPECT_EQ(values(), step.after);
    }
}

// Settings the controller could not tell when the dialog opened (each read answered Busy) are
// not written back by OK or the set-up: the controller keeps its own values, not the record's.
TEST_F(SettingsSimTest, SettingsThatCouldNotBeReadKeepTheControllersValues) {
    auto values = [&] {
        return std::vector<std::string>{read(242, 4),
                                        read(242, 63),
                                        read(248, 231),
                                        flag("QServices.HttpEnable"),
                                        flag("QServices.HttpPort"),
                                        flag("QServices.HttpActiveSitePartition"),
                                        flag("QServices.BACnetDeviceID"),
                                        flag("QServices.BACnetIpEnable"),
                                        flag("QServices.BACnetIpUDPport")};
    };
    const char* const unreadable[] = {"242.4",   "242.63",  "248.231", "242.164", "242.165",
                                      "242.168", "242.60",  "242.117", "242.116"};
    choose("SN-C");
    const std::vector<std::string> before = values();
    ASSERT_EQ(before[0], "mail.plant.example");
    ASSERT_EQ(before[2], "10.0.0.9");
    ASSERT_EQ(before[6], "4711");
    for (const bool setUp : {false, true}) {
        SCOPED_TRACE(setUp ? "set-up" : "OK");
        // From the first read on: the record never held the controller's values.
        for (const char* variable : unreadable)
            ASSERT_EQ(control(std::string("fault Real busy_read ") + variable), "ok");
        program().TcpCfg = {};
        choose("SN-C");
        network::FormTCPSettings form(program());
        form.Form_Load();
        EXPECT_EQ(form.CtrlBACnetDeviceID.text, "") << "nothing read, nothing shown";
        if (setUp)
            form.btnSetup_Click();
        else
            form.CmdOk_Click();
        EXPECT_TRUE(form.Result);
        ASSERT_EQ(control("clear Real"), "ok");
        EXPECT_EQ(values(), before);
    }
}

// A write the controller does not take is told, although the sequence goes on.
TEST_F(SettingsSimTest, AWriteTheControllerRefusesIsReported) {
    choose("SN-S");
    program().TcpCfg.DHCP = true;  // it reports no address of its own
    network::FormTCPSettings form(program());
    form.Form_Load();
    form.CmdOk_Click();
    EXPECT_EQ(form.WriteFailures,
              std::vector<std::string>{"QCom.EncryptionCommitSettings and QCom.CommitIPSettings"});
    ASSERT_EQ(fixture.messages().size(), 1u);
    EXPECT_EQ(fixture.messages()[0],
              "The controller did not take these settings:\nQCom.EncryptionCommitSettings and "
              "QCom.CommitIPSettings");
}

// Where no controller answers, OK writes nothing: a controller that hears the requests but
// whose answers are lost must not be changed behind a message. Every ending is told in the
// main window's status line, since the dialog is gone by then.
TEST_F(SettingsSimTest, OkWritesNothingWhereNoControllerAnswersAndSaysHowItEnded) {
    setLink("TcpTimeoutMs", "300");
    choose("SN-C");
    const std::string& status = program().mainWindow.CtrlStatusLine.caption;
    const std::string refused =
        "No controller answers at 12:3, so the settings were not written to any controller.";
    struct Step {
        const char* what;
        bool answersLost;
        void (network::FormTCPSettings::*press)();
        bool result;
        std::vector<std::string> messages;
        std::string status;
        std::string deviceId;  // in the controller afterwards
    };
    const Step steps[] = {
        {"no answer", true, &network::FormTCPSettings::CmdOk_Click, false, {refused},
         "Settings not written: no controller at 12:3.", "4711"},
        {"cancelled", false, &network::FormTCPSettings::CmdCancel_Click, false, {},
         "Settings cancelled: nothing written.", "4711"},
        {"written", false, &network::FormTCPSettings::CmdOk_Click, true, {},
         "Settings saved to Boiler.", "999"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        fixture.boxes.shown.clear();
        network::FormTCPSettings form(program());
        form.Form_Load();
        form.CtrlBACnetDeviceID.text = "999";
        if (step.answersLost) {
            ASSERT_EQ(control("fault Real garbage 1"), "ok");
        }
        (form.*step.press)();
        ASSERT_EQ(control("fault Real garbage 0"), "ok");
        EXPECT_EQ(form.Result, step.result);
        EXPECT_EQ(fixture.messages(), step.messages);
        EXPECT_EQ(status, step.status);
        EXPECT_EQ(flag("QServices.BACnetDeviceID"), step.deviceId);
    }
}

}  // namespace
}  // namespace networktest
