// The controller lookup and the "Search and Select" dialog on a scripted network.
#include <gtest/gtest.h>

#include "network/ControllerLookup.h"
#include "network/FormSearchTCP.h"
#include "network/NetworkFixture.h"

namespace networktest {
namespace {

using network::FindControllerBySerial;

class LookupTest : public NetworkTest {};

TEST_F(LookupTest, FindBySerialSearchesOnlyWhenItMust) {
    net.add("SN-1");
    net.add("SN-2");
    program().comm.NetworkPassword = secure::Secret("pw");
    EXPECT_EQ(FindControllerBySerial(program(), "", false), -1);
    EXPECT_EQ(net.searches, 0) << "an empty serial never starts a search";

    EXPECT_EQ(FindControllerBySerial(program(), "SN-2", false), 0)
        << "the first search filters by the serial asked for";
    EXPECT_EQ(net.filtersSearchedWith.back(), "SN-2");
    network::RenewFinder(program());
    const int before = net.searches;
    EXPECT_EQ(FindControllerBySerial(program(), "sn-2 ", false), 1)
        << "serial numbers compare without letter case and trailing blanks";
    EXPECT_EQ(net.searches, before) << "a non-empty list is not searched again";
    program().comm.NetworkPassword = secure::Secret("new");
    EXPECT_EQ(FindControllerBySerial(program(), "SN-2", true), 0);
    EXPECT_EQ(net.searches, before + 1);
    EXPECT_EQ(net.passwordsSearchedWith.back(), "new");
    EXPECT_EQ(FindControllerBySerial(program(), "SN-9", true), -1);
}

TEST_F(LookupTest, CurrentIndexIsDroppedWhenTheListIsReplaced) {
    net.add("SN-1");
    net.add("SN-2");
    network::RenewFinder(program());
    network::SelectCurrentController(program(), "SN-2");
    ASSERT_EQ(program().CurrentIndex, 1);
    EXPECT_TRUE(program().comm.finder->Item(1).selected());

    struct Replacement {
        const char* what;
        void (*replace)(app::Program&);
    };
    const Replacement cases[] = {
        {"renewed finder", [](app::Program& p) { network::RenewFinder(p); }},
        {"released finder", [](app::Program& p) { network::ReleaseFinder(p); }},
        {"forced search", [](app::Program& p) { FindControllerBySerial(p, "SN-1", true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        network::RenewFinder(program());
        network::SelectCurrentController(program(), "SN-2");
        c.replace(program());
        EXPECT_EQ(program().CurrentIndex, -1);
    }
}

TEST_F(LookupTest, AutoDetectAdoptsOnlyASingleAcceptedController) {
    struct Case {
        const char* what;
        int controllers;
        int answer;  // 6 yes, 7 no
        bool kvxrealC, connects;
        bool result, openSearch;
    };
    const Case cases[] = {
        {"none found", 0, 6, false, true, false, true},
        {"two found", 2, 6, false, true, false, true},
        {"one, user says no", 1, 7, false, true, false, true},
        {"one older controller", 1, 6, false, true, true, false},
        {"one KVXreal C controller", 1, 6, true, true, true, false},
        {"one that refuses the link", 1, 6, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        net.stations.clear();
        for (int i = 0; i < c.controllers; ++i) net.add("SN-" + std::to_string(i), c.kvxrealC);
        if (!net.stations.empty()) net.stations[0].connects = c.connects;
        program().connection = {};
        program().connection.ControllerOsKind = c.kvxrealC ? "" : "C";  // stale on purpose
        fixture.boxes.answers = {c.answer};
        bool openSearch = false;
        EXPECT_EQ(network::AutoDetectController(program(), openSearch), c.result);
        EXPECT_EQ(openSearch, c.openSearch);
        EXPECT_EQ(program().connection.CurrentLink != 0, c.result);
        if (c.result) {
            EXPECT_EQ(program().current.CurrentSN, "SN-0");
            EXPECT_EQ(program().connection.ControllerOsKind, c.kvxrealC ? "C" : "");
            EXPECT_EQ(program().connection.ModelCode, c.kvxrealC ? "300" : "200");
            EXPECT_TRUE(program().comm.finder->Active());
        } else {
            EXPECT_FALSE(program().comm.finder->Active());
        }
    }
}

TEST_F(LookupTest, SearchDialogListsWhatTheFinderFinds) {
    auto& a = net.add("SN-A");
    a.identity.ip = {0, 0, 0, 0};
    a.identity.dhcp = true;
    a.identity.dnsName = "boiler.plant";
    net.add("SN-B");
    network::FormSearchTCP form(program());
    form.Form_Load();
    form.Form_Activate();
    ASSERT_EQ(form.CtrlList.items.size(), 2u);
    const auto& row = form.CtrlList.items[0];
    EXPECT_EQ(row.text, "Name SN-A");
    EXPECT_EQ(row.subItems, (std::vector<std::string>{"SN-A", "", "00-00-00-00-00-00", "True",
                                                      "boiler.plant", ""}));
    EXPECT_EQ(form.CtrlList.items[1].subItems[1], "192.168.1.11");
    EXPECT_EQ(form.CtrlList.items[1].subItems[3], "False");
    EXPECT_EQ(form.CtrlList.columns.size(), 7u);
    EXPECT_EQ(form.CtrlStatusLine.caption, "");
    EXPECT_FALSE(form.ButtonOk.enabled);
    form.CtrlList_ItemClick(2);
    EXPECT_TRUE(form.ButtonOk.enabled);
    EXPECT_EQ(program().CurrentIndex, 1);
}

TEST_F(LookupTest, OkAsksForThePasswordUntilAcceptedOrAbandoned) {
    const std::string ask =
        "This controller needs a password for TCP/IP communication.\nPlease enter a password.";
    const std::string again = "Wrong network password.\n" + ask;
    struct Case {
        const char* what;
        std::vector<std::optional<std::string>> answers;
        bool rateLimited;
        bool chosen;
        std::vector<std::string> prompts;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"right at once", {"secret"}, false, true, {ask}, {}},
        {"wrong, then right", {"guess", "secret"}, false, true, {ask, again}, {}},
        {"wrong, then cancelled", {"guess", std::nullopt}, false, false, {ask, again}, {}},
        {"empty answer", {""}, false, false, {ask}, {}},
        {"cancelled", {std::nullopt}, false, false, {ask}, {}},
        {"a controller that takes no password now is asked none",
         {"secret"},
         true,
         false,
         {},
         {"The controller SN-P takes no password now: too many wrong passwords; wait a "
          "minute."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        net.stations.clear();
        auto& s = net.add("SN-P", true);
        s.identity.encryptionRequired = true;
        s.password = "secret";
        s.rateLimited = c.rateLimited;
        program().comm.NetworkPassword = {};
        program().connection.CurrentLink = 0;
        fixture.boxes.shown.clear();
        input.prompts.clear();
        input.maskedFlags.clear();
        input.answers = {c.answers.begin(), c.answers.end()};
        network::FormSearchTCP form(program());
        form.Form_Activate();
        form.CtrlList_ItemClick(1);
        form.ButtonOk_Click();
        EXPECT_EQ(form.SearchOkFlg, c.chosen);
        EXPECT_EQ(form.Visible, !c.chosen);
        EXPECT_EQ(input.prompts, c.prompts);
        for (bool masked : input.maskedFlags) EXPECT_TRUE(masked);
        EXPECT_EQ(fixture.messages(), c.messages);
        EXPECT_EQ(program().connection.CurrentLink != 0, c.chosen);
        if (!c.chosen) {
            EXPECT_FALSE(form.ButtonOk.enabled);
        }
    }
}

TEST_F(LookupTest, ASearchThatCannotGoOutSaysWhy) {
    net.add("SN-1");
    net.problem = "the discovery socket cannot be opened: Permission denied";
    network::FormSearchTCP form(program());
    form.Form_Activate();
    EXPECT_TRUE(form.CtrlList.items.empty());
    EXPECT_EQ(fixture.messages(),
              std::vector<std::string>{"No controllers could be searched for: the discovery "
                                       "socket cannot be opened: Permission denied"});
    net.problem.clear();
    fixture.boxes.shown.clear();
    form.ButtonRefresh_Click();
    EXPECT_EQ(form.CtrlList.items.size(), 1u);
    EXPECT_TRUE(fixture.messages().empty());
}

TEST_F(LookupTest, AFailedConnectIsNoChoice) {
    auto& s = net.add("SN-GONE", true);
    s.connects = false;
    network::FormSearchTCP form(program());
    form.Form_Activate();
    form.CtrlList_ItemClick(1);
    form.ButtonOk_Click();
    EXPECT_FALSE(form.SearchOkFlg);
    EXPECT_FALSE(form.Visible);
    EXPECT_EQ(program().connection.CurrentLink, 0);
    EXPECT_EQ(program().current.CurrentSN, "");
}

TEST_F(LookupTest, FindMoreSearchesTheAddressAndSelectsItsRow) {
    net.add("SN-1");
    net.add("SN-2");  // 192.168.1.11
    network::FormSearchTCP form(program());
    form.Form_Activate();
    struct Case {
        const char* answer;
        int selected;
        std::string message;
    };
    const Case cases[] = {
        {"192.168.1.11", 2, ""},
        {"10.0.0.1/255.255.255.0", 1, ""},  // the mask matches the first row
        {"10.0.0.1/255.0.0.0", 0, text(4562) + " 10.0.0.1/255.0.0.0"},
        {"nonsense", 0, "nonsense is not a valid IP address!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        fixture.boxes.shown.clear();
        form.CtrlList.selected = 0;
        input.answers = {std::string(c.answer)};
        form.ButtonFindMore_Click();
        EXPECT_EQ(form.CtrlList.selected, c.selected);
        EXPECT_EQ(form.CtrlList.items.size(), 2u);
        if (c.message.empty()) {
            EXPECT_TRUE(fixture.boxes.shown.empty());
        } else {
            EXPECT_EQ(fixture.messages().at(0), c.message);
        }
    }
    const int searches = net.searches;
    input.answers = {std::string()};
    form.ButtonFindMore_Click();
    EXPECT_EQ(net.searches, searches) << "an empty answer searches nothing";
}

}  // namespace
}  // namespace networktest
