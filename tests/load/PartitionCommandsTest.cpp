// Adding and removing partitions through the partition manager.
#include <gmock/gmock.h>

#include <functional>

#include "LoadFixture.h"
#include "load/PartitionCommands.h"

namespace loadtest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const char* const kFailed =
    "The communication with the controller failed. Check the connection and try again.";
const char* const kBadSize = "The partition size must be a number of kilobytes from 1 to 32767.";

class PartitionCommandsTest : public LoadFixture {
  public:
    void SetUp() override {
        controller->numbers = {{"QSystem.FlashMemTot", 8 * 1048576},
                               {"QSystem.FlashMemUsed", 1048576},
                               {"QServices.HttpActiveSitePartition", 20}};
        fixture.components.script.partitions = {{16, 1048576}, {20, 524288}};
        controller->partitions = {{16, {}}, {20, {}}};
        controller->activePartition = 16;
    }
    testsupport::FakeComponentFactory& factory() { return fixture.components; }
};

struct AddCase {
    const char* name;
    std::string sizeText;
    std::function<void(PartitionCommandsTest&)> setUp;
    std::vector<std::string> messages;
    std::vector<std::string> creates;
    std::string sizeAfter;
};

class AddPartitionTest : public PartitionCommandsTest,
                         public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddPartitionTest, ChecksTheSizeAndCreates) {
    const AddCase& c = GetParam();
    form().CtrlPartitionName.text = "Extra";
    form().CtrlPartitionSize.text = c.sizeText;
    if (c.setUp) c.setUp(*this);
    form().BtnAddPartition_Click();
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(factory().callsOf("PartitionManager.CreatePartition"), c.creates);
    EXPECT_EQ(form().CtrlPartitionSize.text, c.sizeAfter);
    EXPECT_FALSE(program().load.commandRunning);
    EXPECT_TRUE(form().BtnActivatePartition.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddPartitionTest,
    ::testing::Values(
        AddCase{"Fits", "2048", {}, {},
                {"PartitionManager.CreatePartition(32, 1, 2, Extra, 2097152)"}, "2048"},
        AddCase{"PastPartition32WhenItIsTaken", "2048",
                [](PartitionCommandsTest& t) { t.factory().script.partitions[32] = 1; }, {},
                {"PartitionManager.CreatePartition(33, 1, 2, Extra, 2097152)"}, "2048"},
        AddCase{"FractionOfAKilobyte", "1.5", {}, {},
                {"PartitionManager.CreatePartition(32, 1, 2, Extra, 1536)"}, "1.5"},
        AddCase{"TooLargeIsCorrected", "8000", {}, {"Partiton size to large"},
                {"PartitionManager.CreatePartition(32, 1, 2, Extra, 7335936)"}, "7164"},
        AddCase{"NotANumber", "big", {}, {kBadSize}, {}, "big"},
        AddCase{"Beyond16Bits", "40000", {}, {kBadSize}, {}, "40000"},
        AddCase{"Zero", "0", {}, {kBadSize}, {}, "0"},
        AddCase{"FlashUnreadable",
                "2048",
                [](PartitionCommandsTest& t) { t.controller->numbers.erase("QSystem.FlashMemUsed"); },
                {kFailed},
                {},
                "2048"},
        AddCase{"NoFreeFlash",
                "2048",
                [](PartitionCommandsTest& t) {
                    t.controller->numbers["QSystem.FlashMemUsed"] = 8 * 1048576 - 1024;
                },
                {"Partiton size to large", "The controller has no free flash for a new partition."},
                {},
                "2048"},
        AddCase{"CommitRefused",
                "2048",
                [](PartitionCommandsTest& t) { t.factory().script.commitResult = false; },
                {"The controller did not take the partition change. Its partitions are as they "
                 "were."},
                {"PartitionManager.CreatePartition(32, 1, 2, Extra, 2097152)"},
                "2048"},
        AddCase{"AttachFails",
                "2048",
                [](PartitionCommandsTest& t) { t.factory().script.attachResult = false; },
                {kFailed},
                {},
                "2048"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PartitionCommandsTest, AddRemovesTheScratchPartitionFirstAndNumbersFrom32) {
    factory().script.partitions[250] = 4096;
    for (int n = 16; n <= 40; ++n) factory().script.partitions[static_cast<uint8_t>(n)] = 1;
    form().CtrlPartitionSize.text = "1";
    load::AddPartition(program());
    EXPECT_THAT(factory().callsOf("PartitionManager.RemovePartition"),
                ElementsAre("PartitionManager.RemovePartition(250)"));
    EXPECT_THAT(factory().callsOf("PartitionManager.CreatePartition"),
                ElementsAre("PartitionManager.CreatePartition(41, 1, 2, UnnamedPartition, 1024)"));
    EXPECT_EQ(factory().script.partitions.count(250), 0u);
}

struct RemoveCase {
    const char* name;
    std::map<uint8_t, int32_t> table;
    int32_t answer;
    int16_t active;
    int32_t webPartition;
    std::vector<std::string> asked;
    std::vector<std::string> messages;
    std::vector<std::string> removes;
    std::vector<std::string> controllerCalls;  // activations and web writes
};

class RemovePartitionTest : public PartitionCommandsTest,
                            public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemovePartitionTest, RemovesTheHighestAfterAsking) {
    const RemoveCase& c = GetParam();
    factory().script.partitions = c.table;
    controller->activePartition = c.active;
    controller->numbers["QServices.HttpActiveSitePartition"] = c.webPartition;
    fixture.boxes.answers.push_back(c.answer);
    form().BtnRemovePartition_Click();
    EXPECT_EQ(fixture.boxes.asked, c.asked);
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(factory().callsOf("PartitionManager.RemovePartition"), c.removes);
    std::vector<std::string> calls = controller->callsStartingWith("activate");
    for (const auto& w : controller->callsStartingWith("write Q")) calls.push_back(w);
    EXPECT_EQ(calls, c.controllerCalls);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemovePartitionTest,
    ::testing::Values(
        RemoveCase{"Highest", {{32, 1}, {33, 1}}, ui::answer::Ok, 16, 20,
                   {"Partition number 33 will be removed"}, {},
                   {"PartitionManager.RemovePartition(33)"}, {}},
        RemoveCase{"Cancelled", {{32, 1}, {33, 1}}, ui::answer::Cancel, 16, 20,
                   {"Partition number 33 will be removed"}, {}, {}, {}},
        RemoveCase{"None", {{250, 1}, {51, 1}}, ui::answer::Ok, 16, 20, {},
                   {"All partitions has been removed"}, {}, {}},
        RemoveCase{"ActiveWebSiteFirstCleared", {{32, 1}, {33, 1}}, ui::answer::Ok, 16, 33,
                   {"Partition number 33 will be removed"}, {},
                   {"PartitionManager.RemovePartition(33)"},
                   {"write QServices.HttpActiveSitePartition -1",
                    "write QServices.HttpCommitSettings 1"}},
        // Removing the running partition would leave the controller running nothing.
        RemoveCase{"RunningPartitionIsKept", {{32, 1}, {33, 1}}, ui::answer::Ok, 33, 20, {},
                   {"Partition 33 runs the controller's program and is not removed. Activate "
                    "another partition first."},
                   {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// A change the controller refused is told in the manager's words, as is a lost answer.
TEST_F(PartitionCommandsTest, CommitThatDidNotTakeSaysWhy) {
    for (const char* why : {"Partition 33 holds the active program or web site and cannot be "
                            "removed; nothing was changed.",
                            "The controller's answer to the partition change was lost: whether "
                            "it made the change is unknown. The partition list shows what it "
                            "has now."}) {
        factory().script.partitions = {{32, 1}, {33, 1}};
        factory().script.commitResult = false;
        factory().script.partitionError = why;
        fixture.boxes.answers.push_back(ui::answer::Ok);
        const auto before = messages().size();
        form().BtnRemovePartition_Click();
        ASSERT_EQ(messages().size(), before + 1);
        EXPECT_EQ(messages().back(), why);
    }
}

}  // namespace
}  // namespace loadtest
