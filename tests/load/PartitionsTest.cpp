// The partition list of the main window and the activate/deactivate command.
#include <gmock/gmock.h>

#include <cstdlib>
#include <ctime>

#include "LoadFixture.h"
#include "load/PartitionCommands.h"
#include "load/PartitionList.h"
#include "load/PartitionRows.h"

namespace loadtest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(PartitionRowsTest, TextsOfDatesSizesAndTypes) {
    // The controller counts UTC; the list shows the user's time zone (the window and the
    // command line alike), whatever zone that is. Never loaded: no date at all.
    struct Case {
        const char* zone;
        int32_t seconds;
        const char* date;
    } dates[] = {{"UTC0", 0, ""},
                 {"UTC0", 1, "1980-01-01 00:00:01"},
                 {"UTC0", 1234567890, "2019-02-13 23:31:30"},
                 {"EST5", 1234567890, "2019-02-13 18:31:30"},
                 {"IST-5:30", 1234567890, "2019-02-14 05:01:30"},
                 {"CET-1CEST,M3.5.0,M10.5.0/3", 1234567890, "2019-02-14 00:31:30"},
                 {"CET-1CEST,M3.5.0,M10.5.0/3", 1245000000, "2019-06-14 19:20:00"},
                 {"UTC0", -1, "1979-12-31 23:59:59"}};
    for (const Case& c : dates) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(load::LoadDateText(c.seconds), c.date) << c.zone << " " << c.seconds;
    }
    setenv("TZ", "UTC0", 1);
    tzset();

    struct Size {
        int32_t bytes;
        const char* text;
    } sizes[] = {{1536, "2 KB"}, {2560, "2 KB"}, {512, "0 KB"}, {3584, "4 KB"},
                 {1535, "1 KB"}, {2097152, "2048 KB"}, {-1536, "-2 KB"}};
    for (const Size& s : sizes) EXPECT_EQ(load::KilobyteText(s.bytes), s.text) << s.bytes;

    EXPECT_EQ(load::PartitionTypeText(2), "Prog.");
    EXPECT_EQ(load::PartitionTypeText(3), "WEB");
    EXPECT_EQ(load::PartitionTypeText(5), "5");
    for (int n : {15, 41, 0, 250}) EXPECT_FALSE(load::ListedPartition(n)) << n;
    for (int n : {16, 40}) EXPECT_TRUE(load::ListedPartition(n)) << n;
}

class PartitionListTest : public LoadFixture {
  public:
    void SetUp() override {
        controller->partitions = {
            {15, {"Boot", "", 2, 0, 0, 0}},
            {16, {std::string("Heating\0", 8), "Main", 2, 0, 1536, 4194304}},
            {20, {"Site", "Pages", 3, 79200, 2560, 1048576}},
            {40, {"Spare", "", 5, 1, 0, 0}},
            {41, {"Hidden", "", 2, 0, 0, 0}},
        };
        controller->activePartition = 16;
        controller->numbers["QServices.HttpActiveSitePartition"] = 20;
    }
};

TEST_F(PartitionListTest, ListsPartitions16To40WithMarksDatesAndSizes) {
    setenv("TZ", "UTC0", 1);
    tzset();
    load::RefreshPartitionList(program());
    const auto& rows = form().CtrlPartitions.items;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text, "16");
    EXPECT_THAT(rows[0].subItems,
                ElementsAre("Heating (Active)", "Main", "", "2 KB", "4096 KB", "Prog."));
    EXPECT_EQ(rows[1].text, "20");
    EXPECT_THAT(rows[1].subItems, ElementsAre("Site (Active)", "Pages", "1980-01-01 22:00:00",
                                              "2 KB", "1024 KB", "WEB"));
    EXPECT_THAT(rows[2].subItems, ElementsAre("Spare", "", "1980-01-01 00:00:01", "0 KB",
                                              "0 KB", "5"));
    // However long the name, the mark of the active rows stays in sight.
    EXPECT_EQ(rows[0].icon, load::kActivePartitionIcon);
    EXPECT_EQ(rows[1].icon, load::kActivePartitionIcon);
    EXPECT_EQ(rows[2].icon, 0);
    EXPECT_EQ(form().CtrlPartitions.selected, 1);
    // Every partition is asked for, listed or not, attributes in their fixed order.
    EXPECT_THAT(controller->callsStartingWith("text 41"), ElementsAre("text 41 2", "text 41 110"));
    EXPECT_THAT(controller->callsStartingWith("attr 15"),
                ElementsAre("attr 15 9", "attr 15 7", "attr 15 4", "attr 15 8"));
    EXPECT_TRUE(form().BtnAddPartition.enabled);
    EXPECT_TRUE(form().BtnRemovePartition.enabled);
}

TEST_F(PartitionListTest, APartitionActiveAsProgramAndWebSiteIsMarkedTwice) {
    controller->numbers["QServices.HttpActiveSitePartition"] = 16;
    load::RefreshPartitionList(program());
    EXPECT_EQ(form().CtrlPartitions.items[0].subItems[0], "Heating (Active) (Active)");
}

TEST_F(PartitionListTest, AFailedListRequestListsNothingAndAsksNoMore) {
    controller->partitionListFails = true;
    form().CtrlPartitions.items.push_back({"16", {}, 0});
    load::RefreshPartitionList(program());
    EXPECT_TRUE(form().CtrlPartitions.items.empty());
    EXPECT_THAT(controller->callsStartingWith("attr"), IsEmpty());
    EXPECT_THAT(controller->callsStartingWith("text"), IsEmpty());
}

struct ToggleCase {
    const char* name;
    int selectRow;  // 0: none
    std::function<void(ScriptedController&)> setUp;
    std::vector<std::string> activations;
    std::vector<std::string> messages;
};

class ToggleTest : public PartitionListTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(ToggleTest, ActivatesDeactivatesOrSaysWhyNot) {
    const ToggleCase& c = GetParam();
    load::RefreshPartitionList(program());
    form().CtrlPartitions.selected = 0;
    if (c.selectRow != 0) form().CtrlPartitions_ItemClick(c.selectRow);
    if (c.setUp) c.setUp(*controller);
    form().BtnActivatePartition_Click();
    EXPECT_EQ(controller->callsStartingWith("activate"), c.activations);
    EXPECT_EQ(messages(), c.messages);
    EXPECT_TRUE(form().BtnActivatePartition.enabled);
    EXPECT_TRUE(form().CtrlPartitions.enabled);
    EXPECT_FALSE(program().load.commandRunning);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToggleTest,
    ::testing::Values(
        ToggleCase{"ActiveIsDeactivated", 1, {}, {"activate 12:3 14 0"}, {}},
        ToggleCase{"OtherIsActivated",
                   2,
                   [](ScriptedController& c) { c.partitions[20].holdsImage = 1; },
                   {"activate 12:3 20 0"},
                   {}},
        // An empty partition would run nothing.
        ToggleCase{"EmptyIsNotActivated",
                   3,
                   {},
                   {},
                   {"Partition 40 holds no image: it is not activated."}},
        ToggleCase{"NoRowSelected", 0, {}, {}, {"Select a partition in the list first."}},
        ToggleCase{"RowNoLongerThere",
                   3,
                   [](ScriptedController& c) { c.partitions.erase(40); },
                   {},
                   {"The controller has no partition 40 any more."}},
        ToggleCase{"ListFails",
                   2,
                   [](ScriptedController& c) { c.partitionListFails = true; },
                   {},
                   {"The communication with the controller failed. Check the connection and "
                    "try again."}},
        ToggleCase{"ActiveUnreadable",
                   2,
                   [](ScriptedController& c) { c.activeReadFails = true; },
                   {},
                   {"The communication with the controller failed. Check the connection and "
                    "try again."}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace loadtest
