// The address change and the reset of the connected controller.
#include <gmock/gmock.h>

#include <functional>

#include "LoadFixture.h"
#include "load/AddressCommands.h"
#include "load/FormChangeAddr.h"

namespace loadtest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

enum class Press { Ok, Cancel, Escape };

struct ChangeCase {
    const char* name;
    std::string newPla;
    std::string newEla;
    Press press;
    std::function<void(ScriptedController&)> setUp;
    std::vector<std::string> messages;
    int16_t pla;  // CurrentPLA:CurrentELA afterwards
    int16_t ela;
    std::vector<std::string> writes;
};

const char* const kOk = "The address was successfully changed";
const char* const kBadPla = "Invalid PLA. The address must be between 1 and 255";
const char* const kBadEla = "Invalid ELA. The address must be between 1 and 255";

class ChangeAddressTest : public LoadFixture, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeAddressTest, TypesThePressesAndChecksTheOutcome) {
    const ChangeCase& c = GetParam();
    if (c.setUp) c.setUp(*controller);
    forms.onShow["FormChangeAddr"] = [&c](ui::Form& shown) {
        auto& dialog = dynamic_cast<load::FormChangeAddr&>(shown);
        EXPECT_EQ(dialog.CurPlaText.text, "12");
        EXPECT_EQ(dialog.CurElaText.text, "3");
        dialog.NewPlaText.text = c.newPla;
        dialog.NewElaText.text = c.newEla;
        if (c.press == Press::Ok) dialog.OKButton_Click();
        if (c.press == Press::Cancel) dialog.CancelButton_Click();
        if (c.press == Press::Escape) dialog.Form_KeyPress(27);
    };
    form().BtnChangeAddress_Click();
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(program().connection.CurrentPLA, c.pla);
    EXPECT_EQ(program().connection.CurrentELA, c.ela);
    EXPECT_EQ(controller->callsStartingWith("write241"), c.writes);
    EXPECT_EQ(forms.hidden, std::vector<std::string>{"FormChangeAddr"});
    EXPECT_EQ(commandsOf(form()), kAllOn);
    EXPECT_FALSE(program().load.commandRunning);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangeAddressTest,
    ::testing::Values(
        ChangeCase{"Moves",
                   "20",
                   " 4 ",
                   Press::Ok,
                   {},
                   {kOk},
                   20,
                   4,
                   {"write241 12:3 0 20", "write241 20:3 1 4"}},
        ChangeCase{"HighestAddress",
                   "254",
                   "255",
                   Press::Ok,
                   {},
                   {kOk},
                   254,
                   255,
                   {"write241 12:3 0 254", "write241 254:3 1 255"}},
        ChangeCase{"Cancelled", "20", "4", Press::Cancel, {}, {}, 12, 3, {}},
        ChangeCase{"Escaped", "20", "4", Press::Escape, {}, {}, 12, 3, {}},
        ChangeCase{"PlaOf255", "255", "30", Press::Ok, {}, {kBadPla}, 12, 3, {}},
        ChangeCase{"PlaOf0", "0", "30", Press::Ok, {}, {kBadPla}, 12, 3, {}},
        ChangeCase{"ElaOf0", "10", "0", Press::Ok, {}, {kBadEla}, 12, 3, {}},
        ChangeCase{"EmptyPla", "", "30", Press::Ok, {}, {kBadPla}, 12, 3, {}},
        ChangeCase{"PlaBeyond16Bits", "65556", "30", Press::Ok, {}, {kBadPla}, 12, 3, {}},
        ChangeCase{"NotANumber", "2x", "30", Press::Ok, {}, {kBadPla}, 12, 3, {}},
        ChangeCase{"Occupied",
                   "20",
                   "4",
                   Press::Ok,
                   [](ScriptedController& c) {
                       c.others.insert({20, 4});
                   },
                   {"Another controller already answers at the new address. The address was "
                    "not changed."},
                   12,
                   3,
                   {}},
        ChangeCase{"SameAddressIsNotOccupied",
                   "12",
                   "3",
                   Press::Ok,
                   {},
                   {kOk},
                   12,
                   3,
                   {"write241 12:3 0 12", "write241 12:3 1 3"}},
        ChangeCase{"ElaWriteFails",
                   "20",
                   "4",
                   Press::Ok,
                   [](ScriptedController& c) { c.failingAddressWrites.insert(1); },
                   {"The new address could not be written. The controller's address is now "
                    "20:3."},
                   20,
                   3,
                   {"write241 12:3 0 20", "write241 20:3 1 4"}},
        ChangeCase{"PlaWriteFails",
                   "20",
                   "4",
                   Press::Ok,
                   [](ScriptedController& c) { c.failingAddressWrites.insert(0); },
                   {"The new address could not be written. The controller's address is now "
                    "12:4."},
                   12,
                   4,
                   {"write241 12:3 0 20", "write241 12:3 1 4"}},
        ChangeCase{"NoAnswerAtTheNewAddress",
                   "20",
                   "4",
                   Press::Ok,
                   [](ScriptedController& c) {
                       c.deaf.insert({20, 4});
                   },
                   {"No controller answers at the address 20:4."},
                   20,
                   4,
                   {"write241 12:3 0 20", "write241 20:3 1 4"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChangeAddressTest, NoControllerResetsTheWindowAndShowsNoDialog) {
    controller->present = false;
    form().CurrentController.items.push_back({"", {"x"}, 0});
    form().BtnChangeAddress_Click();
    EXPECT_THAT(messages(), ElementsAre("No controller connected"));
    EXPECT_THAT(forms.shown, IsEmpty());
    EXPECT_TRUE(form().CurrentController.items.empty());
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

struct ResetCase {
    const char* name;
    bool present;
    int32_t answer;
    std::vector<std::string> messages;
    std::vector<std::string> coldStarts;
    int16_t pla;
    int16_t ela;
    std::string status;  // how the command ended
    std::string line;    // where the window says the controller is
};

class ResetTest : public LoadFixture, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetTest, AsksThenColdStarts) {
    const ResetCase& c = GetParam();
    controller->present = c.present;
    fixture.boxes.answers.push_back(c.answer);
    form().BtnReset_Click();
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(controller->callsStartingWith("coldStart"), c.coldStarts);
    EXPECT_EQ(program().connection.CurrentPLA, c.pla);
    EXPECT_EQ(program().connection.CurrentELA, c.ela);
    EXPECT_EQ(form().CtrlStatusLine.caption, c.status);
    EXPECT_EQ(form().ControllerLine.caption, c.line);
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResetTest,
    ::testing::Values(
        ResetCase{"Yes",
                  true,
                  ui::answer::Yes,
                  {},
                  {"coldStart 12:3"},
                  254,
                  30,
                  "Controller reset; it answers at 254:30 for now.",
                  "Controller 254:30 over TCP/IP"},
        ResetCase{"No",
                  true,
                  ui::answer::No,
                  {},
                  {},
                  12,
                  3,
                  "Reset not done.",
                  "Controller 12:3 over TCP/IP"},
        ResetCase{"NoController",
                  false,
                  ui::answer::Yes,
                  {"No controller connected"},
                  {},
                  0,
                  0,
                  "Reset not done.",
                  "No controller answered over TCP/IP"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResetTest, AsksTheQuestionOfTheResetAndShowsTheStatusMeanwhile) {
    fixture.boxes.answers.push_back(ui::answer::Yes);
    form().BtnReset_Click();
    EXPECT_THAT(fixture.boxes.asked, ElementsAre("Do you wish to reset the controller ?"));
}

TEST_F(ResetTest, ASecondCommandWhileOneRunsIsRefused) {
    fixture.boxes.answers.push_back(ui::answer::Yes);
    forms.onShow["FormChangeAddr"] = [this](ui::Form&) { form().BtnReset_Click(); };
    form().BtnChangeAddress_Click();
    EXPECT_THAT(messages(),
                ElementsAre("Another command is still running. Wait until it has ended."));
    EXPECT_THAT(controller->callsStartingWith("coldStart"), IsEmpty());
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

}  // namespace
}  // namespace loadtest
