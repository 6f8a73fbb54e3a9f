// The operating-system check before a load and the upgrade with its progress dialog.
#include <gmock/gmock.h>

#include <functional>

#include "LoadFixture.h"
#include "load/FormLoadApplication.h"
#include "load/FormUpgradeKVXreal.h"
#include "load/OsUpgrade.h"
#include "load/RestoreActivation.h"
#include "platform/wire/ReplyCode.h"

namespace loadtest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

const char* const kEnded =
    "The operating system upgrade has ended. If it did not complete, the controller keeps its "
    "earlier operating system.";
const char* const kFailed =
    "The communication with the controller failed. Check the connection and try again.";
const char* const kUpgraded = "Operating system upgraded from 1.2-3-4 to 1.2-3-5.";
const char* const kNotUpgraded = "The operating system was not upgraded to 1.2-3-5.";

TEST(ChooseImageFileTest, ExactNameFirstElseTheFirstWithThePrefix) {
    const std::vector<std::string> files = {"KVXre-a.img", "KVXreal31.img", "KVXrz.img"};
    EXPECT_EQ(load::ChooseImageFile(files, "KVXreal31.img"), "KVXreal31.img");
    EXPECT_EQ(load::ChooseImageFile(files, "Images\\KVXreal99.img"), "KVXre-a.img");
    EXPECT_EQ(load::ChooseImageFile(files, "other.img"), "");
    EXPECT_EQ(load::ChooseImageFile({}, "0"), "");
}

class OsUpgradeTest : public LoadFixture {
  public:
    void SetUp() override {
        fixture.temp.write("demo/product/SLib/31.mdd", "[KVXreal]\nKVXrealCUpgradeFile=KVXreal31.img\n");
        fixture.temp.write("demo/product/Application programs/KVX300C/3.1/KVXreal/KVXreal31.img", "x");
        program().connection.ControllerOsKind = "C";
        program().connection.ModelCode = "31";
        controller->numbers = {{"QSystem.Ver_Major", 1},          {"QSystem.Ver_Minor", 2},
                               {"QSystem.Ver_Branch", 3},         {"QSystem.Ver_Number", 4},
                               {"QSystem.ActivePartition", 16},   {"QSystem.ActiveSubApplication", 2}};
        setImage(1, 2, 3, 4);
    }
    void setImage(int16_t major, int16_t minor, int16_t branch, int16_t revision) {
        int16_t* v = fixture.components.script.imageVersion;
        v[0] = major;
        v[1] = minor;
        v[2] = branch;
        v[3] = revision;
    }
    void answerDialog(bool ok) {
        forms.onShow["FormUpgradeKVXreal"] = [ok](ui::Form& form) {
            auto& dialog = dynamic_cast<load::FormUpgradeKVXreal&>(form);
            EXPECT_EQ(dialog.Caption, "Upgrade operating system");
            EXPECT_EQ(dialog.StepLabel[1].caption,
                      "Downloading the new operating system to the controller.");
            ok ? dialog.OKButton_Click() : dialog.Form_KeyPress(27);
        };
    }
    void check() { load::CheckOsRevision(program(), "Module1"); }
    std::vector<std::string> upgraderCalls() const {
        std::vector<std::string> calls;
        for (const auto& call : fixture.components.callsOf("OsUpgrader")) {
            if (call.find("Upgrade(") != std::string::npos || call.find("Finish") != std::string::npos ||
                call.find("Cancel") != std::string::npos)
                calls.push_back(call);
        }
        return calls;
    }
};

TEST_F(OsUpgradeTest, SameVersionAsksNothing) {
    check();
    EXPECT_THAT(forms.shown, IsEmpty());
    EXPECT_THAT(fixture.components.calls,
                Contains(testing::HasSubstr("UpgradeFile=")));
}

struct UpgradeCase {
    const char* name;
    int16_t image[4];
    bool confirm;
    std::function<void(testsupport::ComponentScript&)> script;
    std::vector<std::string> upgrader;
    std::vector<std::string> activations;
    std::vector<std::string> messages;
};

class UpgradeFlow : public OsUpgradeTest, public ::testing::WithParamInterface<UpgradeCase> {};

TEST_P(UpgradeFlow, FollowsTheAnswerAndTheUpgradersResults) {
    const UpgradeCase& c = GetParam();
    setImage(c.image[0], c.image[1], c.image[2], c.image[3]);
    answerDialog(c.confirm);
    if (c.script) c.script(fixture.components.script);
    check();
    EXPECT_EQ(upgraderCalls(), c.upgrader);
    EXPECT_EQ(controller->callsStartingWith("activate"), c.activations);
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(forms.shown.size(), forms.hidden.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpgradeFlow,
    ::testing::Values(
        UpgradeCase{"NewerImage", {1, 2, 3, 5}, true, {},
                    {"OsUpgrader.Upgrade(0)", "OsUpgrader.FinishUpgrade(0)"},
                    {"activate 12:3 14 0", "activate 12:3 16 2"}, {kUpgraded}},
        UpgradeCase{"OlderImageIsOfferedToo", {1, 1, 9, 9}, true, {},
                    {"OsUpgrader.Upgrade(0)", "OsUpgrader.FinishUpgrade(0)"},
                    {"activate 12:3 14 0", "activate 12:3 16 2"},
                    {"Operating system upgraded from 1.2-3-4 to 1.1-9-9."}},
        UpgradeCase{"Declined", {1, 2, 3, 5}, false, {}, {}, {}, {}},
        UpgradeCase{"UpgradeFails",
                    {1, 2, 3, 5},
                    true,
                    [](testsupport::ComponentScript& s) { s.upgradeDone = 0; },
                    {"OsUpgrader.Upgrade(0)"},
                    {},
                    {kFailed}},
        // A refusal is no broken link: its reason is said.
        UpgradeCase{"ControllerBusy",
                    {1, 2, 3, 5},
                    true,
                    [](testsupport::ComponentScript& s) {
                        s.upgradeDone = 0;
                        s.upgradeFailureCode = wire::code(wire::ReplyCode::Busy);
                    },
                    {"OsUpgrader.Upgrade(0)"},
                    {},
                    {"The operating system was not upgraded to 1.2-3-5: the controller is busy "
                     "with another load."}},
        // A failed finish is a failure, and what ran before runs again.
        UpgradeCase{"ControllerNotBack",
                    {1, 2, 3, 5},
                    true,
                    [](testsupport::ComponentScript& s) { s.finishReady = 0; },
                    {"OsUpgrader.Upgrade(0)", "OsUpgrader.FinishUpgrade(0)"},
                    {"activate 12:3 14 0", "activate 12:3 16 2"},
                    {kNotUpgraded}},
        UpgradeCase{"FinishCallFails",
                    {1, 2, 3, 5},
                    true,
                    [](testsupport::ComponentScript& s) { s.finishResult = false; },
                    {"OsUpgrader.Upgrade(0)", "OsUpgrader.FinishUpgrade(0)"},
                    {"activate 12:3 14 0", "activate 12:3 16 2"},
                    {kNotUpgraded}},
        // An image file that cannot be read is no image: one message, no offer of version 0.
        UpgradeCase{"UnreadableImage",
                    {0, 0, 0, 0},
                    true,
                    [](testsupport::ComponentScript& s) { s.imageProblem = "The image is damaged."; },
                    {},
                    {},
                    {"The image is damaged."}}),
    [](const auto& info) { return std::string(info.param.name); });

// The question names both versions and what else changes; a good upgrade is news, never an
// error, and a failed one is an error.
TEST_F(OsUpgradeTest, TheQuestionNamesBothVersionsAndOnlyAFailureIsAnError) {
    setImage(1, 2, 3, 5);
    for (const bool good : {true, false}) {
        SCOPED_TRACE(good);
        fixture.boxes.shown.clear();
        fixture.components.script.finishReady = good ? -1 : 0;
        std::string question;
        forms.onShow["FormUpgradeKVXreal"] = [&question](ui::Form& form) {
            auto& dialog = dynamic_cast<load::FormUpgradeKVXreal&>(form);
            question = dialog.GenLabel.caption;
            dialog.OKButton_Click();
        };
        EXPECT_EQ(load::CheckOsRevision(program(), "Module1", "Program in partition 32."),
                  good ? load::OsCheck::Upgraded : load::OsCheck::Failed);
        EXPECT_EQ(question,
                  "You are about to upgrade the operating system in the controller.\n"
                  "Operating system from 1.2-3-4 to 1.2-3-5. Program in partition 32.");
        ASSERT_EQ(fixture.boxes.shown.size(), 1u);
        EXPECT_EQ(fixture.boxes.shown[0].text, good ? kUpgraded : kNotUpgraded);
        EXPECT_EQ(fixture.boxes.shown[0].kind,
                  good ? ui::MessageKind::Information : ui::MessageKind::Error);
    }
}

TEST_F(OsUpgradeTest, UnreadableControllerVersionSkipsTheCheck) {
    controller->numbers.erase("QSystem.Ver_Branch");
    setImage(1, 2, 3, 5);
    check();
    EXPECT_THAT(forms.shown, IsEmpty());
    EXPECT_THAT(upgraderCalls(), IsEmpty());
}

// A controller still busy when the program is put back is asked again; one that never takes
// it is named as possibly running nothing.
TEST_F(OsUpgradeTest, RestoringTheProgramIsRetriedAndItsFailureSaidPlainly) {
    setImage(1, 2, 3, 5);
    struct Row {
        int refused;
        size_t activations;
        std::vector<std::string> messages;
    };
    const std::string notRunning = load::NotRunningText(16);
    for (const Row& row : {Row{2, 4, {kUpgraded}}, Row{100, 7, {kUpgraded, notRunning}}}) {
        SCOPED_TRACE(row.refused);
        answerDialog(true);
        controller->calls.clear();
        fixture.boxes.shown.clear();
        controller->refusedProgramActivations = row.refused;
        check();
        EXPECT_EQ(controller->callsStartingWith("activate").size(), row.activations);
        EXPECT_EQ(messages(), row.messages);
    }
}

TEST_F(OsUpgradeTest, CancelInTheProgressDialogSkipsTheReactivation) {
    setImage(1, 2, 3, 5);
    answerDialog(true);
    load::FormLoadApplication* progress = nullptr;
    forms.onShow["FormLoadApplication"] = [&progress](ui::Form& form) {
        progress = &dynamic_cast<load::FormLoadApplication&>(form);
    };
    forms.onHide = [&progress](ui::Form&) { progress = nullptr; };
    fixture.screen.onEvents = [&progress] {
        if (progress != nullptr) progress->CancelButton_Click();
    };
    check();
    EXPECT_THAT(upgraderCalls(), ElementsAre("OsUpgrader.Upgrade(0)", "OsUpgrader.Cancel"));
    EXPECT_THAT(controller->callsStartingWith("activate"), IsEmpty());
    EXPECT_THAT(messages(), ElementsAre(kEnded));
    EXPECT_TRUE(program().load.LoadCancelled);
}

TEST_F(OsUpgradeTest, WithoutModelCodeTheModuleTypeNamesTheModelFile) {
    program().connection.ModelCode.clear();
    setImage(1, 2, 3, 5);
    controller->moduleType = 31;
    answerDialog(false);
    check();
    EXPECT_THAT(forms.shown, ElementsAre("modal FormUpgradeKVXreal"));
}

TEST_F(OsUpgradeTest, WithoutModelCodeOrModuleTypeTheCheckIsSkipped) {
    program().connection.ModelCode.clear();
    setImage(1, 2, 3, 5);
    check();
    EXPECT_THAT(forms.shown, IsEmpty());
    EXPECT_THAT(fixture.components.callsOf("OsUpgrader.Upgrade"), IsEmpty());
}

TEST_F(OsUpgradeTest, OlderControllersGoToTheVersionChecker) {
    program().connection.ControllerOsKind = "";
    fixture.components.script.secondVersion = "01.00.00.0000";
    check();
    // The addressed controller, not whichever answers 255:30 (a bus head).
    EXPECT_THAT(fixture.components.calls, Contains("OsVersionChecker.PLA=12"));
    EXPECT_THAT(fixture.components.calls, Contains("OsVersionChecker.ELA=3"));
    EXPECT_THAT(fixture.components.callsOf("OsVersionChecker.Upgrade"),
                ElementsAre("OsVersionChecker.Upgrade(-1, 0)"));
    EXPECT_THAT(fixture.components.callsOf("OsUpgrader"), IsEmpty());
}

}  // namespace
}  // namespace loadtest
