// The Communication Settings dialog against kvxsim through the real libraries and finder: the
// only controller on the network demands its password; OK asks for it until it is right,
// connects, and the main window shows the controller with its partitions.
#include <gtest/gtest.h>

#include "network/FakeFinder.h"
#include "network/FormComSettings.h"
#include "network/SimNetworkFixture.h"
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
    EXPECT_EQ(input.prompts.size(), 2u) << "asked again after the wrong password";
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
}

}  // namespace
}  // namespace networktest
