// The Communication Settings dialog: the choice of link, what opening it does and does not
// do, the OK sequence's outcomes on the main window, and Cancel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "network/ControllerLookup.h"
#include "network/FormComSettings.h"
#include "network/FormSearchTCP.h"
#include "network/FormTCPSettings.h"
#include "network/NetworkFixture.h"
#include "platform/comm/SerialPort.h"
#include "platform/kvxglib/RealLinkZero.h"
#include "support/ScriptedForms.h"

namespace networktest {
namespace {

using network::FormComSettings;

// The controller on the chosen link, as the dialog's checks see it.
class FakeChecks final : public network::ComChecks {
  public:
    explicit FakeChecks(app::Program& program) : program_(&program) {}
    std::string serialProblem() override { return serialFault; }
    bool readControllerAddress(int16_t& pla, int16_t& ela) override {
        pla = 12;
        ela = 3;
        return answers;
    }
    void detectOsKind(int16_t, int16_t) override { program_->connection.ControllerOsKind = osKind; }
    bool poll(int16_t, int16_t, const std::string& label) override {
        polledAs.push_back(label);
        return answers;
    }
    bool locate(int16_t& pla, int16_t& ela) override {
        pla = 254;
        ela = 30;
        return located;
    }
    std::string moduleTypeName(int16_t, int16_t) override { return typeName; }

    std::string serialFault;
    std::string typeName;
    bool answers = true;
    bool located = false;
    std::string osKind;
    std::vector<std::string> polledAs;

  private:
    app::Program* program_;
};

class ComSettingsTest : public NetworkTest {
  protected:
    ComSettingsTest() {
        program().load.forms = &forms;
        main().Form_Load();
        main().CtrlModels_ItemClick(3);
        main().CtrlPrograms_ItemClick(2);  // KVX300C 3.1: a web site and a settings package
    }
    app::FormMain& main() { return program().formMain; }
    // The dialog opened with `commKind` in force.
    std::unique_ptr<FormComSettings> open(int16_t commKind) {
        program().connection.CommKind = commKind;
        auto form = std::make_unique<FormComSettings>(program(), &checks);
        form->Form_Load();
        return form;
    }

    testsupport::ScriptedForms forms;
    FakeChecks checks{program()};
};

TEST_F(ComSettingsTest, TheSelectedRevisionHasAWebSiteAndASettingsPackage) {
    ASSERT_EQ(main().CtrlPrograms.selectedText(), "3.1-0-02");
    EXPECT_TRUE(program().SelectedHasWebSite);
    EXPECT_FALSE(program().SelectedSettingsPackage.empty());
}

// What a row of a table may arrange.
struct Scene {
    FakeNetwork& net;
    FakeChecks& checks;
    ScriptedInput& input;
};

TEST_F(ComSettingsTest, OkSequenceOutcomes) {
    struct Row {
        const char* what;
        bool tcp;
        std::function<void(Scene&)> arrange;
        std::deque<std::optional<std::string>> passwords;
        // Expected
        bool closed;
        bool cmdOk;  // enabled afterwards
        bool linked;
        bool shown;  // the main window shows a controller row
        std::vector<std::string> messages;
        size_t prompts;
    };
    const std::string noLink = "No TCP/IP link to the controller SN-1 was opened: ";
    const Row rows[] = {
        {"serial, KVXreal C",
         false,
         [](Scene& t) { t.checks.osKind = "C"; },
         {},
         true,
         false,
         false,
         true,
         {},
         0},
        {"serial, older controller", false, [](Scene&) {}, {}, true, false, false, true, {}, 0},
        {"serial port missing",
         false,
         [](Scene& t) { t.checks.serialFault = "cannot open the serial port /dev/nope"; },
         {},
         false,
         true,
         false,
         false,
         {"cannot open the serial port /dev/nope"},
         0},
        {"TCP/IP found and answering",
         true,
         [](Scene& t) { t.net.add("SN-1", true); },
         {},
         true,
         false,
         true,
         true,
         {},
         0},
        {"TCP/IP found, answering nowhere",
         true,
         [](Scene& t) {
             t.net.add("SN-1");
             t.checks.answers = false;
         },
         {},
         true,
         false,
         true,
         true,
         {"@4561"},
         0},
        {"TCP/IP not on the network",
         true,
         [](Scene& t) { t.net.add("SN-2"); },
         {},
         false,
         true,
         false,
         false,
         {noLink + "it was not found on the network."},
         0},
        {"TCP/IP link refused",
         true,
         [](Scene& t) { t.net.add("SN-1").connects = false; },
         {},
         false,
         true,
         false,
         false,
         {noLink + "the controller does not accept the link."},
         0},
        {"password asked, none given",
         true,
         [](Scene& t) {
             auto& s = t.net.add("SN-1");
             s.identity.encryptionRequired = true;
             s.password = "pw";
         },
         {std::string()},
         false,
         false,
         false,
         false,
         {noLink + "no password was given."},
         1},
        {"password wrong, then right",
         true,
         [](Scene& t) {
             auto& s = t.net.add("SN-1");
             s.identity.encryptionRequired = true;
             s.password = "pw";
         },
         {std::string("bad"), std::string("pw")},
         true,
         false,
         true,
         true,
         {},
         2},
        {"controller gone after the password",
         true,
         [](Scene& t) {
             auto& s = t.net.add("SN-1");
             s.identity.encryptionRequired = true;
             s.password = "pw";
             // It goes off the network while the user types.
             t.input.onAsk = [&t] { t.net.stations[0].answers = false; };
         },
         {std::string("pw")},
         false,
         false,
         false,
         false,
         {noLink + "it is no longer found on the network."},
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        net.stations.clear();
        fixture.boxes.shown.clear();
        input.prompts.clear();
        input.answers = row.passwords;
        input.onAsk = nullptr;
        checks = FakeChecks(program());
        program().connection.CurrentLink = 0;
        program().current = {};
        program().comm.NetworkPassword = {};
        program().comm.finder.reset();  // no list of an earlier row
        main().CurrentController.clear();
        main().BtnAddPartition.enabled = false;
        for (ui::Control* c : {&main().ButtonLoadProg, &main().ButtonLoadWeb, &main().BtnReset})
            c->enabled = false;
        Scene scene{net, checks, input};
        row.arrange(scene);
        auto form = open(row.tcp ? 2 : 1);
        form->CtrlCurrentSerialNo.text = "SN-1";
        form->CtrlCurrentName.text = "Boiler";
        form->CmdOk_Click();

        EXPECT_EQ(!form->Visible, row.closed);
        EXPECT_EQ(form->Result, row.closed);
        EXPECT_EQ(form->CmdOk.enabled, row.cmdOk);
        EXPECT_EQ(program().connection.CurrentLink != 0, row.linked);
        EXPECT_EQ(program().connection.CommKind, row.tcp ? 2 : 1);
        EXPECT_EQ(main().CurrentController.items.size(), row.shown ? 1u : 0u);
        std::vector<std::string> expected;
        for (const std::string& m : row.messages) expected.push_back(m == "@4561" ? text(4561) : m);
        EXPECT_EQ(fixture.messages(), expected);
        EXPECT_EQ(input.prompts.size(), row.prompts);
        if (row.closed) {
            const bool kvxrealC = program().connection.ControllerOsKind == "C";
            EXPECT_EQ(main().CtrlPartitions.enabled, kvxrealC);
            EXPECT_EQ(main().BtnAddPartition.enabled, kvxrealC) << "refreshed only for C";
            EXPECT_TRUE(main().ButtonLoadProg.enabled);
            EXPECT_TRUE(main().BtnReset.enabled);
            EXPECT_EQ(main().ButtonLoadWeb.enabled, row.linked) << "a web site needs a link";
            EXPECT_TRUE(main().SaveLoadSettings.enabled);
        }
        if (row.tcp && row.closed) {
            EXPECT_EQ(checks.polledAs, std::vector<std::string>{"Boiler"}) << "named as typed";
        }
        if (!row.tcp && row.closed) {
            EXPECT_EQ(program().current.CurrentSN, "");
        }
    }
}

TEST_F(ComSettingsTest, OpeningShowsTheChoiceInForceWithoutSearching) {
    for (int16_t kind : {0, 1, 2}) {
        SCOPED_TRACE(kind);
        program().connection.CurrentLink = 7;
        auto form = open(kind);
        EXPECT_EQ(form->rbUseTCP.value, kind == 2);
        EXPECT_EQ(form->rbUseSerial.value, kind != 2);
        EXPECT_EQ(factory.created, 0) << "no finder, no search";
        EXPECT_EQ(net.searches, 0);
        EXPECT_EQ(program().connection.CurrentLink, kind == 2 ? 7 : 0);
    }
}

TEST_F(ComSettingsTest, TheChoiceEnablesItsOwnControls) {
    for (bool tcp : {false, true}) {
        SCOPED_TRACE(tcp ? "TCP/IP" : "serial");
        auto form = open(tcp ? 2 : 1);
        for (const ui::Control* c : {&form->FrameSerial, &form->btnCom, &form->btnSearchSerial})
            EXPECT_EQ(c->enabled, !tcp);
        const std::vector<const ui::Control*> tcpControls{
            &form->CtrlCurrentName,      &form->CtrlCurrentDescription,
            &form->LabelCurrentName,     &form->LabelCurrentSerialNo,
            &form->LabelCurrentEthernet, &form->LabelCurrentDescription,
            &form->btnSearchTCP,         &form->btnTCPSettings,
            &form->btnSearchModules};
        for (const ui::Control* c : tcpControls) EXPECT_EQ(c->enabled, tcp);
        EXPECT_TRUE(form->rbUseTCP.enabled);
    }
}

TEST_F(ComSettingsTest, ChoosingTcpIpDetectsOrSearches) {
    struct Row {
        const char* what;
        int stations;
        int32_t answer;    // to "use the one found?"
        const char* name;  // shown afterwards
        bool searchOpened;
    };
    const Row rows[] = {
        {"one, taken", 1, ui::answer::Yes, "Name SN-0", false},
        {"one, declined", 1, ui::answer::No, "", true},
        {"two", 2, ui::answer::Yes, "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        net.stations.clear();
        for (int i = 0; i < row.stations; ++i) net.add("SN-" + std::to_string(i));
        fixture.boxes.answers = {row.answer};
        forms.shown.clear();
        program().current = {};
        auto form = open(1);
        form->CmdOk.enabled = false;
        form->rbUseTCP_Click();
        EXPECT_EQ(form->CtrlCurrentName.text, row.name);
        EXPECT_EQ(forms.shown.size(), row.searchOpened ? 1u : 0u);
        EXPECT_TRUE(form->CmdOk.enabled);
        EXPECT_EQ(program().connection.CommKind, 2);
        const int searches = net.searches;
        form->rbUseTCP_Click();  // already the choice: nothing happens again
        EXPECT_EQ(net.searches, searches);
    }
}

TEST_F(ComSettingsTest, CancelPutsBackTheLinkInForceWhenOpened) {
    net.add("SN-0");
    program().connection.CurrentLink = 41;
    program().connection.CurrentPLA = 5;
    program().current.CurrentSN = "OLD";
    fixture.boxes.answers = {ui::answer::Yes};
    auto form = open(2);
    form->rbUseSerial_Click();
    EXPECT_EQ(program().connection.CurrentLink, 0);
    form->rbUseTCP_Click();  // detects SN-0 and links to it
    EXPECT_EQ(program().current.CurrentSN, "SN-0");
    form->CmdCancel_Click();
    EXPECT_FALSE(form->Result);
    EXPECT_FALSE(form->Visible);
    EXPECT_EQ(program().connection.CommKind, 2);
    EXPECT_EQ(program().connection.CurrentLink, 41);
    EXPECT_EQ(program().connection.CurrentPLA, 5);
    EXPECT_EQ(program().current.CurrentSN, "OLD");
}

// After OK the window says where the controller is (on the serial link with its module type),
// and a Cancel says that nothing changed.
TEST_F(ComSettingsTest, TheWindowShowsTheControllerItTookAndACancel) {
    const struct {
        const char* what;
        bool tcp;
        bool answers;
        bool cancel;
        std::string line;
        std::string status;
    } rows[] = {
        {"serial", false, true, false, "Controller 12:3 (KVX300C) on the serial link", ""},
        {"serial, nobody answers", false, false, false, "No controller answered on the serial link",
         ""},
        {"TCP/IP", true, true, false, "Controller 12:3 (KVX300C) over TCP/IP", ""},
        {"cancelled", true, true, true, "", "Communication settings cancelled: nothing changed."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        net.stations.clear();
        net.add("SN-1", true);
        program().comm.finder.reset();
        program().connection.CurrentLink = 0;
        main().ControllerLine.caption.clear();
        main().CtrlStatusLine.caption.clear();
        checks = FakeChecks(program());
        checks.answers = row.answers;
        checks.typeName = "KVX300C";
        auto form = open(row.tcp ? 2 : 1);
        form->CtrlCurrentSerialNo.text = "SN-1";
        program().connection.ModelCode = "300";
        program().connection.CurrentPLA = 12;  // as the search dialog's choice left them
        program().connection.CurrentELA = 3;
        if (row.cancel)
            form->CmdCancel_Click();
        else
            form->CmdOk_Click();
        EXPECT_EQ(main().ControllerLine.caption, row.line);
        EXPECT_EQ(main().CtrlStatusLine.caption, row.status);
    }
}

// Nothing of one controller may reach the next one, nor outlive a Cancel.
TEST_F(ComSettingsTest, WhatBelongsToOneControllerStaysWithIt) {
    struct Row {
        const char* what;
        bool tcp;
        const char* typedSerial;
        bool cancel;
        // Expected afterwards
        const char* modelCode;
        bool httpPortKnown;
        int16_t pla, ela;
    };
    const Row rows[] = {
        {"cancel puts the record back", true, "SN-1", true, "300", true, 12, 3},
        {"the serial link forgets the TCP/IP controller's model", false, "", false, "", true, 12,
         3},
        {"another serial number typed in", true, "SN-2", false, "200", false, 254, 30},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        net.stations.clear();
        net.add("SN-1");
        net.add("SN-2");
        network::CreateFinder(program());
        program().current.CurrentSN = "SN-1";
        program().connection.ModelCode = "300";
        program().connection.CurrentPLA = 12;
        program().connection.CurrentELA = 3;
        program().TcpCfg = {};
        program().TcpCfg.HttpPort = 8080;
        program().TcpCfg.HttpPortKnown = true;
        checks = FakeChecks(program());
        checks.answers = std::string(row.typedSerial) != "SN-2";  // not where SN-1 was
        checks.located = true;
        auto form = open(row.tcp ? 2 : 1);
        program().TcpCfg.HttpPort = 81;  // as a settings dialog would have stored it
        form->CtrlCurrentSerialNo.text = row.typedSerial;
        if (row.cancel) form->CmdCancel_Click();
        else form->CmdOk_Click();
        EXPECT_EQ(program().connection.ModelCode, row.modelCode);
        EXPECT_EQ(program().TcpCfg.HttpPortKnown, row.httpPortKnown);
        if (row.cancel) {
            EXPECT_EQ(program().TcpCfg.HttpPort, 8080);
        }
        EXPECT_EQ(program().connection.CurrentPLA, row.pla) << "the address it answers at";
        EXPECT_EQ(program().connection.CurrentELA, row.ela);
    }
}

TEST_F(ComSettingsTest, AChoiceAfterACancelledPasswordPromptCanBeConfirmed) {
    auto& s = net.add("SN-1");
    s.identity.encryptionRequired = true;
    s.password = "pw";
    network::CreateFinder(program());
    program().current.CurrentSN = "SN-1";
    auto form = open(2);
    input.answers = {std::nullopt};
    form->CmdOk_Click();
    ASSERT_FALSE(form->CmdOk.enabled) << "cancelled: OK waits for a choice";
    forms.onShow["FormSearchTCP"] = [this](ui::Form& f) {
        auto& search = dynamic_cast<network::FormSearchTCP&>(f);
        search.Form_Activate();
        search.CtrlList_ItemClick(1);
        input.answers = {std::string("pw")};
        search.ButtonOk_Click();
    };
    form->btnSearchTCP_Click();
    EXPECT_TRUE(form->CmdOk.enabled);
    form->CmdOk_Click();
    EXPECT_TRUE(form->Result);
}

TEST_F(ComSettingsTest, SetupRunsOnlyForTheControllerInForce) {
    for (const char* typed : {"SN-1", "SN-9"}) {
        SCOPED_TRACE(typed);
        net.stations.clear();
        net.add("SN-1");
        fixture.boxes.shown.clear();
        network::CreateFinder(program());  // as the detection or the search left it
        program().current.CurrentSN = "SN-1";
        program().current.CurrentName = "Boiler";
        auto form = open(2);
        form->CtrlCurrentSerialNo.text = typed;
        form->CmdSetup();
        const bool same = std::string(typed) == "SN-1";
        EXPECT_EQ(fixture.messages().size(), same ? 1u : 0u);
        if (same) {
            EXPECT_TRUE(fixture.messages()[0].ends_with(" Boiler")) << fixture.messages()[0];
        }
        EXPECT_TRUE(form->Enabled);
    }
}

TEST_F(ComSettingsTest, ModeChoosesThePicture) {
    for (int mode : {0, 1}) {
        int picture = 0;
        forms.onShow["FormComSettings"] = [&picture](ui::Form& f) {
            auto& form = dynamic_cast<FormComSettings&>(f);
            picture = form.Image1Picture;
            form.CmdCancel_Click();
        };
        network::OpenCommunicationSettings(program(), mode, &checks);
        EXPECT_EQ(picture, mode == 1 ? 2 : 1);
    }
}

// Communication in the main window: search, pick, settings, OK; the window takes the
// controller over only when the dialog is confirmed.
TEST_F(ComSettingsTest, CommunicationSearchesPicksAndTakesTheController) {
    struct Case {
        const char* what;
        bool confirm;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"cancelled",
         false,
         {"modal FormComSettings", "modal FormSearchTCP", "modal FormTCPSettings"}},
        {"confirmed",
         true,
         {"modal FormComSettings", "modal FormSearchTCP", "modal FormTCPSettings"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        net.stations.clear();
        net.add("SN-1");
        net.add("SN-2");
        forms.shown.clear();
        main().Form_Load();
        main().CtrlModels_ItemClick(3);
        main().CtrlPrograms_ItemClick(2);
        program().connection.CommKind = 0;
        program().connection.CurrentLink = 0;
        forms.onShow["FormComSettings"] = [&c](ui::Form& f) {
            auto& form = dynamic_cast<FormComSettings&>(f);
            form.rbUseTCP_Click();  // two controllers: the search opens
            form.btnTCPSettings_Click();
            if (c.confirm)
                form.CmdOk_Click();
            else
                form.CmdCancel_Click();
        };
        forms.onShow["FormSearchTCP"] = [](ui::Form& f) {
            auto& search = dynamic_cast<network::FormSearchTCP&>(f);
            search.Form_Activate();  // what the view does once the dialog shows
            search.CtrlList_ItemClick(2);
            search.ButtonOk_Click();
        };
        forms.onShow["FormTCPSettings"] = [](ui::Form& f) {
            auto& settings = dynamic_cast<network::FormTCPSettings&>(f);
            settings.tbMainCompIP.text = "10.0.0.9";
            settings.CmdOk_Click();
        };
        network::OpenCommunicationSettings(program(), 0, &checks);
        EXPECT_EQ(forms.shown, c.shown);
        const auto& current = main().CurrentController;
        EXPECT_EQ(program().TcpCfg.MainComputerAddr, c.confirm ? "10.0.0.9" : "")
            << "Cancel puts the settings record back too";
        // What the TCP/IP dialog wrote stays in the controller: a Cancel does not say otherwise.
        if (!c.confirm) {
            EXPECT_EQ(main().CtrlStatusLine.caption,
                      "Communication settings cancelled; the TCP/IP settings written to the "
                      "controller SN-2 stay in it.");
        }
        if (c.confirm) {
            ASSERT_EQ(current.items.size(), 1u);
            EXPECT_EQ(current.items[0].subItems[0], "Name SN-2");
            EXPECT_EQ(program().connection.CommKind, 2);
            EXPECT_NE(program().connection.CurrentLink, 0);
            EXPECT_TRUE(main().ButtonLoadProg.enabled);
            EXPECT_FALSE(main().CtrlPartitions.enabled) << "an older controller has no partitions";
        } else {
            EXPECT_TRUE(current.items.empty());
            EXPECT_EQ(program().connection.CurrentLink, 0);
            EXPECT_FALSE(main().ButtonLoadProg.enabled);
        }
        EXPECT_TRUE(fixture.messages().empty());
    }
}

TEST_F(ComSettingsTest, CommunicationButtonOpensTheDialogForAController) {
    forms.onShow["FormComSettings"] = [](ui::Form& f) {
        auto& form = dynamic_cast<FormComSettings&>(f);
        EXPECT_FALSE(form.IsAirUnit);
        form.CmdCancel_Click();
    };
    main().COMPort_Click();
    EXPECT_EQ(forms.shown, std::vector<std::string>{"modal FormComSettings"});
}

// Through the real library: a serial port that cannot be used is named, and nothing is taken.
TEST_F(ComSettingsTest, SerialPortThatCannotBeUsedIsNamed) {
    kvxglib::RealLinkZero serialPort(*fixture.glib);
    fixture.platform->serialPort = &serialPort;
    const std::string plain = fixture.temp / "plain.txt";
    fixture.temp.write("plain.txt", "not a port");
    int master = -1, slave = -1;
    char pty[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, pty, nullptr, nullptr), 0);
    std::string why;
    const int held = comm::openSerialPort(pty, 9600, why);  // another user of the line
    ASSERT_GE(held, 0) << why;
    struct Row {
        std::string port;
        std::string says;
    };
    const Row rows[] = {
        {fixture.temp / "ttyUSB9", "No such file or directory"},
        {plain, "is not a serial port"},
        {pty, std::string(pty) + " is busy: another program uses it"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.port);
        fixture.boxes.shown.clear();
        fixture.glib->WriteSettingText("Kvxmatic.Ini", "Link", "Port", row.port, 0);
        main().CurrentController.clear();
        network::FormComSettings form(program());
        program().connection.CommKind = 1;
        form.Form_Load();
        form.CmdOk_Click();
        ASSERT_EQ(fixture.messages().size(), 1u);
        EXPECT_THAT(fixture.messages()[0], ::testing::HasSubstr("serial port " + row.port));
        EXPECT_THAT(fixture.messages()[0], ::testing::HasSubstr(row.says));
        EXPECT_TRUE(form.Visible) << "the dialog stays for the link tool";
        EXPECT_TRUE(main().CurrentController.items.empty());
    }
    ::close(held);
    ::close(master);
    ::close(slave);
}

}  // namespace
}  // namespace networktest
