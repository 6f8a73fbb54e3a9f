// A chosen station of a bus: the load room acts on it at its own address, not on the
// controller at the end of the link (255:30).
#include <gmock/gmock.h>

#include <optional>

#include "LoadFixture.h"
#include "load/AddressCommands.h"
#include "load/LoadController.h"
#include "load/PartitionList.h"

namespace loadtest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class StationTargetTest : public LoadFixture {
  public:
    testsupport::FakeComponentFactory& factory() { return fixture.components; }
};

// An older controller's jobs run where the station is; left alone, the job loader keeps its
// own default, the controller at the end of the link.
TEST_F(StationTargetTest, TheJobLoaderIsSentToTheChosenStationOnly) {
    const struct {
        const char* name;
        std::optional<clink::Station> target;
        std::vector<std::string> address;
    } cases[] = {{"no station chosen", std::nullopt, {}},
                 {"station 12:3", clink::Station{12, 3}, {"JobLoader.PLA=12", "JobLoader.ELA=3"}}};
    controller->osKind = "";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        factory().calls.clear();
        program().connection.Target = c.target;
        EXPECT_EQ(load::LoadController(program()), load::LoadOutcome::Loaded);
        std::vector<std::string> address;
        for (const std::string& call : factory().callsOf("JobLoader"))
            if (call.rfind("JobLoader.PLA=", 0) == 0 || call.rfind("JobLoader.ELA=", 0) == 0)
                address.push_back(call);
        EXPECT_EQ(address, c.address);
    }
}

// The partition list of a chosen station is asked of it, without reading the address of the
// controller at the end of the link first.
TEST_F(StationTargetTest, ThePartitionListIsTheChosenStations) {
    controller->partitions = {{16, {"Heating", "", 2, 0, 0, 0}}};
    program().connection.Target = clink::Station{12, 3};
    load::RefreshPartitionList(program());
    EXPECT_THAT(controller->callsStartingWith("read241"), IsEmpty());
    EXPECT_THAT(controller->callsStartingWith("partitions"), ElementsAre("partitions 12:3"));
    EXPECT_EQ(program().mainWindow.CtrlPartitions.items.size(), 1u);
}

// After an address change the chosen station is found at its new address.
TEST_F(StationTargetTest, AnAddressChangeMovesTheChosenStation) {
    program().connection.Target = clink::Station{12, 3};
    ASSERT_EQ(load::ChangeAddressTo(program(), 5, 6), load::AddressChange::Changed);
    ASSERT_TRUE(program().connection.Target.has_value());
    EXPECT_EQ(program().connection.Target->pla, 5);
    EXPECT_EQ(program().connection.Target->ela, 6);

    program().connection.Target.reset();
    ASSERT_EQ(load::ChangeAddressTo(program(), 7, 8), load::AddressChange::Changed);
    EXPECT_FALSE(program().connection.Target.has_value());
}

}  // namespace
}  // namespace loadtest
