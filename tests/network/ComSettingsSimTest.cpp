// The Communication Settings dialog against kvxsim through the real libraries and finder: the
// only controller on the network demands its password; OK asks for it until it is right,
// connects, and the main window shows the controller with its partitions.
#include <gtest/gtest.h>

#include "link/FormSearchModules.h"
#include "load/Controller.h"
#include "network/FakeFinder.h"
#include "network/FormComSettings.h"
#include "network/FormSearchTCP.h"
#include "network/SimNetworkFixture.h"
#include "platform/kvxglib/TcpLinks.h"
#include "support/ScriptedForms.h"

namespace networktest {
namespace {

const char* kNetwork = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0

[Controller Vault]
Serial=SN-V
Name=Vault
Description=Cold store
Address=12:4
Listen=127.0.0.34:0
KvxrealC=yes
Ip=192.168.1.34
SubnetMask=255.255.255.0
Password=vault-pass
EncryptionRequired=yes
ActivePartition=16

[Partition Vault 16]
Name=Cooling
Title=Cooling 3.1
Type=2
Size=4096
MaxSize=1048576
)";

class ComSettingsSimTest : public SimNetworkTest {
  protected:
    void SetUp() override {
        start(kNetwork);
        fixture.platform->input = &input;
        program().load.forms = &forms;
    }
    ScriptedInput input;
    testsupport::ScriptedForms forms;
};

TEST_F(ComSettingsSimTest, ChoosingThePasswordProtectedControllerConnectsIt) {
    fixture.boxes.answers = {ui::answer::Yes};  // use the one controller found
    input.answers = {std::string("wrong"), std::string("vault-pass")};
    bool result = false;
    forms.onShow["FormComSettings"] = [&result](ui::Form& f) {
        auto& form = dynamic_cast<network::FormComSettings&>(f);
        form.rbUseTCP_Click();
        EXPECT_EQ(form.CtrlCurrentSerialNo.text, "SN-V");
        form.CmdOk_Click();
        result = form.Result;
    };
    program().formMain.COMPort_Click();

    EXPECT_TRUE(result);
    ASSERT_EQ(input.prompts.size(), 2u) << "asked again after the wrong password";
    EXPECT_EQ(input.prompts[1].rfind("Wrong network password.\n", 0), 0u) << input.prompts[1];
    EXPECT_EQ(program().connection.CommKind, 2);
    EXPECT_NE(program().connection.CurrentLink, 0);
    const app::FormMain& main = program().formMain;
    ASSERT_EQ(main.CurrentController.items.size(), 1u);
    EXPECT_EQ(main.CurrentController.items[0].subItems,
              (std::vector<std::string>{"Vault", "SN-V", "192.168.1.34", "Cold store"}));
    EXPECT_TRUE(main.CtrlPartitions.enabled);
    ASSERT_EQ(main.CtrlPartitions.items.size(), 1u) << "read over the encrypted link";
    EXPECT_EQ(main.CtrlPartitions.items[0].subItems[0], "Cooling (Active)");
    EXPECT_TRUE(main.ButtonLoadProg.enabled);
    EXPECT_TRUE(main.ButtonLoadWeb.enabled);
    EXPECT_TRUE(fixture.messages().empty());

    // One copy of the password: the finder and the open link share the program's buffer.
    const secure::Secret& typed = program().comm.NetworkPassword;
    EXPECT_EQ(typed.text(), "vault-pass");
    EXPECT_EQ(program().comm.finder->password().text().data(), typed.text().data());
    const long withLink = typed.holders();
    EXPECT_GE(withLink, 3) << "the program, the finder and the link";
    ASSERT_TRUE(kvxglib::closeLink(*fixture.glib, program().connection.CurrentLink));
    EXPECT_EQ(typed.holders(), withLink - 1) << "the closed link held the shared buffer";
}

const char* kGateway = R"([Simulator]
Discovery=0.0.0.0:0

[Controller Gate]
Serial=SN-GATE
Name=Gate
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.35:0

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
)";

class ModuleSearchOverTcpTest : public SimNetworkTest {
  protected:
    void SetUp() override {
        start(kGateway);
        program().load.forms = &forms;
    }
    testsupport::ScriptedForms forms;
};

// With "Search all addresses" on, the module search lists every station of the bus: on the
// serial link, and through a TCP/IP controller with the controller itself.
TEST_F(ModuleSearchOverTcpTest, ListsTheGatewayAndEveryStationOfItsBus) {
    setLink("Port", sim->serial());
    setLink("Baud", "115200");
    setLink("SerialTimeoutMs", "100");
    const struct {
        const char* what;
        bool tcp;
        std::vector<std::string> rows;
        std::string result;
    } cases[] = {
        {"serial bus", false, {"10:1", "10:2"}, "2 modules found."},
        {"through the TCP/IP controller", true, {"1:5", "10:1", "10:2"}, "3 modules found."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fixture.boxes.answers = {ui::answer::Yes};  // the one controller found
        std::vector<std::string> rows;
        std::string result;
        forms.onShow["FormSearchModules"] = [&](ui::Form& f) {
            auto& dialog = dynamic_cast<clink::FormSearchModules&>(f);
            EXPECT_TRUE(dialog.CheckSearchAll.value);
            dialog.ActionButton_Click();
            for (const auto& item : dialog.ParamList.items)
                rows.push_back(item.text + ":" + item.subItems[0]);
            result = dialog.ParamListLabel.caption;
            dialog.CloseButton_Click();
        };
        forms.onShow["FormComSettings"] = [&c](ui::Form& f) {
            auto& form = dynamic_cast<network::FormComSettings&>(f);
            if (c.tcp) {
                form.rbUseTCP_Click();
                EXPECT_TRUE(form.btnSearchModules.enabled);
                form.btnSearchModules_Click();
            } else {
                form.rbUseSerial_Click();
                form.btnSearchSerial_Click();
            }
            form.CmdCancel_Click();
        };
        program().formMain.COMPort_Click();
        EXPECT_EQ(rows, c.rows);
        EXPECT_NE(result.find(c.result), std::string::npos) << result;
    }
}

// After too many wrong proofs no password is tried for a while, not even the right one: the
// dialog says so instead of calling the right password wrong, and asks no more. Here the host's
// own limit of proofs to one controller (by its serial number) comes first.
TEST_F(ComSettingsSimTest, AControllerThatTakesNoPasswordNowIsReportedAsSuch) {
    const simtest::Endpoint vault = sim->tcpEndpoint("Vault");
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(kvxglib::checkNetworkPassword(*fixture.glib, vault.host, vault.port,
                                                secure::Secret("guess"), nullptr, "SN-V"),
                  comm::PasswordCheck::Refused);
    ASSERT_EQ(kvxglib::checkNetworkPassword(*fixture.glib, vault.host, vault.port,
                                            secure::Secret("guess"), nullptr, "SN-V"),
              comm::PasswordCheck::RateLimited);
    fixture.boxes.answers = {ui::answer::Yes};
    input.answers = {std::string("vault-pass"), std::string("vault-pass")};
    bool result = true;
    bool okEnabled = false;
    forms.onShow["FormComSettings"] = [&](ui::Form& f) {
        auto& form = dynamic_cast<network::FormComSettings&>(f);
        form.rbUseTCP_Click();
        form.CmdOk_Click();
        result = form.Result;
        okEnabled = form.CmdOk.enabled;
        form.CmdCancel_Click();
    };
    program().formMain.COMPort_Click();

    EXPECT_FALSE(result);
    EXPECT_TRUE(okEnabled) << "worth another try in a minute";
    EXPECT_EQ(input.prompts.size(), 1u) << "the right password is not asked for again";
    const auto shown = fixture.messages();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(shown.back().find("too many wrong passwords; wait a minute"), std::string::npos)
        << shown.back();
    EXPECT_EQ(shown.back().find("Wrong"), std::string::npos);
    EXPECT_EQ(program().connection.CurrentLink, 0);
}

}  // namespace
}  // namespace networktest

namespace networktest {
namespace {

const char* kVaultAndOpen = R"([Simulator]
ColdStartMs=0
Discovery=0.0.0.0:0

[Controller Vault]
Serial=SN-V
Address=12:4
Listen=127.0.0.36:0
KvxrealC=yes
Password=vault-pass
EncryptionRequired=yes

[Controller Open]
Serial=SN-O
Address=12:5
Listen=127.0.0.37:0
KvxrealC=yes
)";

class HeldPasswordSimTest : public SimNetworkTest {
  protected:
    void SetUp() override {
        start(kVaultAndOpen);
        fixture.platform->input = &input;
    }
    // The search dialog's choice of `serial` and its OK, as a user makes them; then the
    // controller's address read over the link it opened.
    bool choose(const std::string& serial) {
        network::FormSearchTCP form(program());
        form.Form_Activate();
        for (std::size_t r = 0; r < form.CtrlList.items.size(); ++r)
            if (form.CtrlList.items[r].subItems[0] == serial)
                form.CtrlList_ItemClick(static_cast<int>(r) + 1);
        form.ButtonOk_Click();
        int16_t pla = 0, ela = 0;
        return form.SearchOkFlg && load::ControllerOf(program()).readControllerAddress(pla, ela) &&
               ela != 0;
    }
    ScriptedInput input;
};

// The password typed for the protected controller is not given to an open one chosen next
// (a given password means a sealed link, which it cannot open); the protected one asks again.
TEST_F(HeldPasswordSimTest, APasswordTypedForOneControllerIsNotGivenToAnOpenOne) {
    input.answers = {std::string("vault-pass"), std::string("vault-pass")};
    ASSERT_TRUE(choose("SN-V")) << ::testing::PrintToString(fixture.messages());
    ASSERT_EQ(input.prompts.size(), 1u);
    EXPECT_EQ(program().comm.NetworkPasswordFor, "SN-V");

    EXPECT_TRUE(choose("SN-O")) << ::testing::PrintToString(fixture.messages());
    EXPECT_EQ(program().connection.CurrentELA, 5);
    EXPECT_TRUE(program().comm.NetworkPassword.empty());
    EXPECT_EQ(input.prompts.size(), 1u) << "no password asked for the open controller";

    EXPECT_TRUE(choose("SN-V")) << ::testing::PrintToString(fixture.messages());
    EXPECT_EQ(program().connection.CurrentELA, 4);
    EXPECT_EQ(input.prompts.size(), 2u);
}

// A password given for whichever controller is chosen (the command line's, a site run's) still
// means a sealed link: the open controller is refused, not reached in clear.
TEST_F(HeldPasswordSimTest, APasswordGivenForAnyControllerIsNeverDropped) {
    program().comm.NetworkPassword = secure::Secret("vault-pass");
    EXPECT_FALSE(choose("SN-O"));
    EXPECT_EQ(program().comm.NetworkPassword.text(), "vault-pass");
}

}  // namespace
}  // namespace networktest
