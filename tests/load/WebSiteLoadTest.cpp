// "Load Web-site" on the scripted controller and the fake loader: the confirmation, which
// partition takes the site, the web server around the load, and what each ending leaves.
#include <gmock/gmock.h>

#include <functional>

#include "LoadFixture.h"
#include "load/FormLoadApplication.h"
#include "load/FormReloadTCPIP.h"
#include "load/WebSiteLoad.h"

namespace loadtest {
namespace {

using load::WebLoadOutcome;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kFailed =
    "The communication with the controller failed. Check the connection and try again.";
const char* const kNotTcpIp =
    "This command needs a TCP/IP connection to the controller. Choose a TCP/IP port under "
    "Communication.";
constexpr int32_t kOk = 1, kCancel = 2;

class WebSiteLoadTest : public LoadFixture {
  public:
    void SetUp() override {
        program().connection.ControllerOsKind = "C";
        controller->partitions = {{16, {"Heating", "", 2, 0, 0, 0, 1}},
                                  {17, {"WebSite", "", 3, 0, 0, 0, 0}},
                                  {32, {"Unnamed", "", 2, 0, 0, 0, 0}}};
        controller->numbers = {{"QServices.HttpActiveSitePartition", -1},
                               {"QServices.HttpEnable", 1}};
        selectRow(16);
        forms.onShow["FormReloadTCPIP"] = [this](ui::Form& form) {
            auto& dialog = dynamic_cast<load::FormReloadTCPIP&>(form);
            events.push_back("confirmation shown");
            accept ? dialog.OKButton_Click() : dialog.CancelButton_Click();
        };
        forms.onShow["FormLoadApplication"] = [this](ui::Form& form) {
            progress = &dynamic_cast<load::FormLoadApplication&>(form);
            events.push_back("progress shown");
        };
        forms.onHide = [this](ui::Form& form) {
            events.push_back(form.formName() + " hidden");
            if (&form == progress) progress = nullptr;
        };
        fixture.screen.onEvents = [this] {
            if (cancelDuringLoad && progress != nullptr) progress->CancelButton_Click();
        };
        // What the controller was told by the time the loader started.
        fixture.components.onCall = [this](const std::string& call) {
            if (call == "AppLoader.Load") callsAtLoad = controller->calls;
        };
    }

    // Makes the partition list one row, `number`, selected; 0: no row selected.
    void selectRow(int number) {
        auto& list = form().CtrlPartitions;
        list.clear();
        if (number == 0) return;
        list.items.push_back({std::to_string(number), {}, 0});
        list.selected = 1;
    }
    // The partition the loader was given last before it loaded; 0 when it did not load.
    int loadedInto() const {
        const auto& calls = fixture.components.calls;
        int partition = 0;
        for (const std::string& call : calls) {
            if (call.rfind("AppLoader.Partition=", 0) == 0) partition = std::stoi(call.substr(20));
            if (call == "AppLoader.Load") return partition;
        }
        return 0;
    }
    std::vector<std::string> serverWrites(const std::vector<std::string>& calls) const {
        std::vector<std::string> writes;
        for (const std::string& c : calls)
            if (c.rfind("write QServices.Http", 0) == 0) writes.push_back(c);
        return writes;
    }

    bool accept = true;
    bool cancelDuringLoad = false;
    load::FormLoadApplication* progress = nullptr;
    std::vector<std::string> events;
    std::vector<std::string> callsAtLoad;
};

TEST_F(WebSiteLoadTest, ThePartitionThatTakesTheSite) {
    struct Case {
        const char* what;
        int selected;
        std::map<int, ScriptedPartition> partitions;
        std::vector<int32_t> answers;  // to the question, when it comes
        bool asked;
        int target;  // 0: nothing loaded
        std::vector<std::string> messages;
    };
    const ScriptedPartition withProgram{"P", "", 2, 0, 0, 0, 1};
    const ScriptedPartition emptyProgram{"E", "", 2, 0, 0, 0, 0};
    const ScriptedPartition web{"W", "", 3, 0, 0, 0, 1};
    const std::string loaded17 = "The web site was loaded into partition 17.";
    const std::string none =
        "The controller has no partition that can take the web site: neither a web partition "
        "nor an empty program partition. Add one and load again.";
    const std::vector<Case> cases = {
        {"selected web partition",
         20,
         {{17, web}, {20, web}},
         {},
         false,
         20,
         {"The web site was loaded into partition 20."}},
        {"selected empty program partition",
         32,
         {{17, web}, {32, emptyProgram}},
         {},
         false,
         32,
         {"The web site was loaded into partition 32."}},
        {"selected program with an image: the first web partition",
         16,
         {{16, withProgram}, {17, web}, {20, web}},
         {},
         false,
         17,
         {loaded17}},
        {"no row selected: web partition 32 without a question",
         0,
         {{16, withProgram}, {32, web}},
         {},
         false,
         32,
         {"The web site was loaded into partition 32."}},
        {"web partition below 16 is not taken; the last empty program one is proposed",
         16,
         {{15, web}, {16, withProgram}, {33, emptyProgram}, {40, emptyProgram}},
         {kOk},
         true,
         40,
         {"The web site was loaded into partition 40."}},
        {"nothing suitable: partition 0 is proposed and refused",
         16,
         {{16, withProgram}},
         {kOk},
         true,
         0,
         {none}},
        {"the user declines the proposal",
         16,
         {{16, withProgram}, {33, emptyProgram}},
         {kCancel},
         true,
         0,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        controller->partitions = c.partitions;
        selectRow(c.selected);
        fixture.components.calls.clear();
        fixture.boxes.shown.clear();
        fixture.boxes.asked.clear();
        fixture.boxes.answers = {c.answers.begin(), c.answers.end()};

        const WebLoadOutcome outcome = load::LoadWebSiteCommand(program());

        EXPECT_EQ(outcome, c.target != 0 ? WebLoadOutcome::Loaded : WebLoadOutcome::NotRun);
        EXPECT_EQ(loadedInto(), c.target);
        EXPECT_EQ(fixture.boxes.asked.size(), c.asked ? 1u : 0u);
        if (c.asked && c.target != 0) {
            EXPECT_EQ(fixture.boxes.asked[0],
                      "Selected partition is not available, use the "
                      "partition " +
                          std::to_string(c.target) + " instead");
        }
        EXPECT_EQ(messages(), c.messages);
        if (c.target != 0) {
            EXPECT_EQ(controller->partitions[c.target].name, "WEBapplication");
            EXPECT_EQ(controller->partitions[c.target].type, 3);
        }
        EXPECT_EQ(commandsOf(form()), kAllOn);
    }
}

TEST_F(WebSiteLoadTest, KvxrealCLoadsAfterTheConfirmationClosed) {
    EXPECT_EQ(load::LoadWebSiteCommand(program()), WebLoadOutcome::Loaded);
    EXPECT_THAT(events, ElementsAre("confirmation shown", "FormReloadTCPIP hidden",
                                    "progress shown", "FormLoadApplication hidden"));
    EXPECT_EQ(fixture.components.callsOf("AppLoader.WebSite"),
              std::vector<std::string>{"AppLoader.WebSite=1"});
    EXPECT_EQ(fixture.components.callsOf("AppLoader.Open").size(), 1u);
    EXPECT_THAT(fixture.components.callsOf("AppLoader.Open")[0],
                ::testing::EndsWith("KVX300C/3.1/Module1/Image.Ecp)"));
    EXPECT_THAT(controller->callsStartingWith("activate"), ElementsAre("activate 12:3 17 0"));
    EXPECT_EQ(fixture.screen.pointer(), ui::Pointer::Default);
    EXPECT_EQ(program().connection.CurrentLink, 5);
    EXPECT_EQ(program().comm.finder, nullptr);  // no option reload: the finder was never asked
}

TEST_F(WebSiteLoadTest, CancelOnTheConfirmationDoesNothing) {
    accept = false;
    EXPECT_EQ(load::LoadWebSiteCommand(program()), WebLoadOutcome::NotRun);
    EXPECT_THAT(events, ElementsAre("confirmation shown", "FormReloadTCPIP hidden"));
    EXPECT_EQ(fixture.components.made, 0);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

TEST_F(WebSiteLoadTest, EscapeIsCancel) {
    forms.onShow["FormReloadTCPIP"] = [](ui::Form& form) {
        dynamic_cast<load::FormReloadTCPIP&>(form).Form_KeyPress(27);
    };
    EXPECT_EQ(load::LoadWebSiteCommand(program()), WebLoadOutcome::NotRun);
    EXPECT_EQ(fixture.components.made, 0);
}

// The question is about what the load does on that kind of controller: a web site into a
// partition on KVXreal C, the TCP/IP option (which holds the pages) on an older one.
TEST_F(WebSiteLoadTest, TheConfirmationTakesItsCaptionsFromTheTexts) {
    const struct {
        const char* kind;
        const char* caption;
        const char* general;
        const char* steps[2];
    } cases[] = {
        {"C",
         "Loading web site",
         "You are about to load the web site into a web partition of the controller. The "
         "following steps will be carried out:",
         {"1) Chooses the controller's web partition.",
          "2) Download the web site to the controller."}},
        {"",
         "Reload TCP/IP Option",
         "You are about to reload the TCP/IP option in the controller. The following steps will "
         "be carried out:",
         {"1) Compiles a new image file", "2) Download the image file to the controller."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        program().connection.ControllerOsKind = c.kind;
        load::FormReloadTCPIP dialog(program());
        dialog.Form_Load();
        EXPECT_EQ(dialog.Caption, c.caption);
        EXPECT_EQ(dialog.GenLabel.caption, c.general);
        EXPECT_EQ(dialog.StepLabel[0].caption, c.steps[0]);
        EXPECT_EQ(dialog.StepLabel[1].caption, c.steps[1]);
        EXPECT_EQ(dialog.OKButton.caption, "OK");
        EXPECT_EQ(dialog.CancelButton.caption, "Cancel");
    }
}

// The active site is switched off before it is overwritten and on again on every ending;
// a failed or cancelled load names and activates nothing.
TEST_F(WebSiteLoadTest, TheWebServerAroundTheLoad) {
    struct Case {
        const char* what;
        int32_t activeSite;
        int32_t enabled;
        bool loadFails;
        bool cancel;
        WebLoadOutcome outcome;
        bool paused;
        std::vector<std::string> messages;
    };
    const std::string loaded = "The web site was loaded into partition 17.";
    const std::vector<Case> cases = {
        {"another site is active", 20, 1, false, false, WebLoadOutcome::Loaded, false, {loaded}},
        {"the active site, loaded", 17, 1, false, false, WebLoadOutcome::Loaded, true, {loaded}},
        {"the active site, load fails",
         17,
         1,
         true,
         false,
         WebLoadOutcome::Failed,
         true,
         {kFailed}},
        {"the active site, cancelled", 17, 1, false, true, WebLoadOutcome::Cancelled, true, {}},
        {"the active site with the server off",
         17,
         0,
         false,
         false,
         WebLoadOutcome::Loaded,
         false,
         {loaded}},
        {"the active site, server on in mode 2", 17, 2, false, false, WebLoadOutcome::Loaded,
         true, {loaded}},
    };
    const std::vector<std::string> off = {"write QServices.HttpEnable 0",
                                          "write QServices.HttpCommitSettings -1"};
    const std::vector<std::string> offAndOn = {
        "write QServices.HttpEnable 0", "write QServices.HttpCommitSettings -1",
        "write QServices.HttpEnable 1", "write QServices.HttpCommitSettings -1"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        controller->partitions[17] = {"WebSite", "", 3, 0, 0, 0, 0};
        controller->numbers = {{"QServices.HttpActiveSitePartition", c.activeSite},
                               {"QServices.HttpEnable", c.enabled}};
        controller->calls.clear();
        fixture.boxes.shown.clear();
        fixture.components.script.loadResult = !c.loadFails;
        cancelDuringLoad = c.cancel;
        const auto before = fixture.clock.now();

        EXPECT_EQ(load::LoadWebSite(program()), c.outcome);

        EXPECT_EQ(serverWrites(callsAtLoad), c.paused ? off : std::vector<std::string>{});
        auto backOn = offAndOn;
        backOn[2] = "write QServices.HttpEnable " + std::to_string(c.enabled);  // as it was
        EXPECT_EQ(serverWrites(controller->calls),
                  c.paused ? backOn : std::vector<std::string>{});
        EXPECT_EQ(messages(), c.messages);
        const bool completed = c.outcome == WebLoadOutcome::Loaded;
        EXPECT_EQ(controller->partitions[17].name, completed ? "WEBapplication" : "WebSite");
        EXPECT_EQ(controller->callsStartingWith("activate").size(), completed ? 1u : 0u);
        EXPECT_EQ(program().load.LoadCancelled, c.cancel);
        // The fixed pauses block (700 ms with the server off, 1500 ms for the dialog).
        EXPECT_GE(fixture.clock.now() - before, std::chrono::milliseconds(c.paused ? 2200 : 1500));
    }
}

TEST_F(WebSiteLoadTest, FailuresBeforeTheLoad) {
    struct Case {
        const char* what;
        std::function<void(WebSiteLoadTest&)> setUp;
        WebLoadOutcome outcome;
        std::vector<std::string> messages;
        bool reset;  // the main window was reset
    };
    const std::vector<Case> cases = {
        {"serial link",
         [](WebSiteLoadTest& t) { t.program().connection.CommKind = 1; },
         WebLoadOutcome::NotRun,
         {kNotTcpIp},
         false},
        {"image refused by the loader",
         [](WebSiteLoadTest& t) { t.fixture.components.script.openResult = false; },
         WebLoadOutcome::Failed,
         {kFailed},
         true},
        {"address unreadable",
         [](WebSiteLoadTest& t) { t.controller->present = false; },
         WebLoadOutcome::Failed,
         {kFailed},
         true},
        {"partition list unreadable",
         [](WebSiteLoadTest& t) { t.controller->partitionListFails = true; },
         WebLoadOutcome::Failed,
         {kFailed},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoadFixture::program().connection.CommKind = 2;
        controller->present = true;
        controller->partitionListFails = false;
        fixture.components.script.openResult = true;
        fixture.components.calls.clear();
        fixture.boxes.shown.clear();
        form().CurrentController.items = {{"", {"Boiler"}, 0}};
        c.setUp(*this);

        EXPECT_EQ(load::LoadWebSite(program()), c.outcome);
        EXPECT_EQ(messages(), c.messages);
        EXPECT_EQ(loadedInto(), 0);
        EXPECT_EQ(form().CurrentController.items.empty(), c.reset);
    }
}

TEST_F(WebSiteLoadTest, ASecondCommandIsRefusedWhileTheLoadRuns) {
    bool triedAgain = false;
    fixture.screen.onEvents = [&] {
        if (triedAgain) return;
        triedAgain = true;
        EXPECT_EQ(load::LoadWebSiteCommand(program()), WebLoadOutcome::NotRun);
        EXPECT_FALSE(form().ButtonLoadProg.enabled);
        EXPECT_FALSE(form().ButtonLoadWeb.enabled);
    };
    EXPECT_EQ(load::LoadWebSiteCommand(program()), WebLoadOutcome::Loaded);
    EXPECT_TRUE(triedAgain);
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Another command is still running. Wait until it has ended.",
                              "The web site was loaded into partition 17."}));
    EXPECT_EQ(commandsOf(form()), kAllOn);
}

}  // namespace
}  // namespace loadtest
