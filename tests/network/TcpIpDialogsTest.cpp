// The main window's Communication command: the search dialog, then the chosen controller's
// TCP/IP settings, and the main window taking the controller over.
#include <gtest/gtest.h>

#include "network/FormSearchTCP.h"
#include "network/FormTCPSettings.h"
#include "network/NetworkFixture.h"
#include "support/ScriptedForms.h"

namespace networktest {
namespace {

class TcpIpDialogsTest : public NetworkTest {
  protected:
    TcpIpDialogsTest() { program().load.forms = &forms; }
    testsupport::ScriptedForms forms;
};

TEST_F(TcpIpDialogsTest, CommunicationSearchesThenShowsTheChosenControllersSettings) {
    struct Case {
        const char* what;
        bool choose;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"search cancelled", false, {"modal FormSearchTCP"}},
        {"chosen", true, {"modal FormSearchTCP", "modal FormTCPSettings"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        net.stations.clear();
        net.add("SN-1");
        net.add("SN-2");
        forms.shown.clear();
        program().formMain.Form_Load();
        program().formMain.ButtonLoadProg.enabled = false;
        forms.onShow["FormSearchTCP"] = [&c](ui::Form& f) {
            auto& search = dynamic_cast<network::FormSearchTCP&>(f);
            search.Form_Activate();  // what the view does once the dialog shows
            search.CtrlList_ItemClick(2);
            if (c.choose) search.ButtonOk_Click();
            else search.ButtonCancel_Click();
        };
        forms.onShow["FormTCPSettings"] = [](ui::Form& f) {
            auto& settings = dynamic_cast<network::FormTCPSettings&>(f);
            settings.tbMainCompIP.text = "10.0.0.9";
            settings.CmdOk_Click();
        };
        program().formMain.COMPort_Click();
        EXPECT_EQ(forms.shown, c.shown);
        const auto& current = program().formMain.CurrentController;
        if (c.choose) {
            ASSERT_EQ(current.items.size(), 1u);
            EXPECT_EQ(current.items[0].subItems[0], "Name SN-2");
            EXPECT_EQ(program().connection.CommKind, 2);
            EXPECT_TRUE(program().formMain.ButtonLoadProg.enabled);
            EXPECT_FALSE(program().formMain.CtrlPartitions.enabled)
                << "an older controller has no partitions";
            EXPECT_EQ(program().TcpCfg.MainComputerAddr, "10.0.0.9");
        } else {
            EXPECT_TRUE(current.items.empty());
            EXPECT_FALSE(program().formMain.ButtonLoadProg.enabled);
        }
        EXPECT_TRUE(fixture.messages().empty());
    }
}

}  // namespace
}  // namespace networktest
