// Where `load` puts the program, what it decides before anything changes and how it names a
// refusal, against kvxsim on loopback. What the controller holds afterwards (running partition,
// stored checksums, operating-system version) is read from kvxsim's saved state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/wire/TransferPayloads.h"
#include "cli/KvxsimCli.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Boiler runs 16 and has an empty 32; Lone has no partition beside the running one. Both run
// an operating system older than the revision's image (3.2-0-4).
const char* kBoilerAndLone = R"([Simulator]
ColdStartMs=200

[Controller Boiler]
Serial=KVX300-1
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.1:0
FlashSize=8388608
ActivePartition=16
OsVersion=KVXreal C 3.1

[Partition Boiler 16]
Name=Heating
Type=2
Size=4096
MaxSize=2097152

[Partition Boiler 32]
Name=UnnamedPartition
Type=2
Size=0
MaxSize=2097152

[Controller Lone]
Serial=KVX300-2
Model=300
KvxrealC=yes
Address=1:6
Listen=127.0.0.1:0
FlashSize=8388608
ActivePartition=16
OsVersion=KVXreal C 3.1

[Partition Lone 16]
Name=Heating
Type=2
Size=4096
MaxSize=2097152
)";

const char* const kCommunicationText = "The communication with the controller failed";

class LoadPartitionCli : public clitest::KvxsimCli {
  protected:
    void SetUp() override { startOn(kBoilerAndLone); }
    testsupport::CommandResult load(const std::string& id, std::vector<std::string> more) {
        std::vector<std::string> args = {"load", "--model", "3", "--program", "2", "--link",
                                         link(id)};
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    }
};

// Without --partition the program goes into the one program partition that does not run; the
// next load finds the other one free: the same command works again and again, alternating.
TEST_F(LoadPartitionCli, LoadsWithoutAPartitionAlternateAndBothTake) {
    const auto before = saved("Boiler");
    auto r = load("Boiler", {"--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("partition 32 was taken, the one free program partition "
                                         "(partition 16 ran the program"));
    // The question names both versions and the program change; a good upgrade is no error.
    EXPECT_THAT(r.out, HasSubstr("Operating system from " + before.version + " to 3.2-0-4. "
                                 "Program in partition 32 from \"UnnamedPartition\" to "
                                 "\"Heating and ventilation with web site\" 3.1-0-02."));
    EXPECT_THAT(r.out + r.err,
                HasSubstr("Operating system upgraded from " + before.version + " to 3.2-0-4."));
    EXPECT_THAT(r.out + r.err, Not(HasSubstr("error:")));
    auto s = saved("Boiler");
    EXPECT_EQ(s.version, "3.2-0-4");
    EXPECT_EQ(s.activePartition, 32);
    ASSERT_EQ(s.checksums.count(32), 1u);
    const long long image = s.checksums.at(32);

    r = load("Boiler", {"--yes"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, HasSubstr("partition 16 was taken"));
    s = saved("Boiler");
    EXPECT_EQ(s.activePartition, 16);
    ASSERT_EQ(s.checksums.count(16), 1u);
    EXPECT_EQ(s.checksums.at(16), image);
    EXPECT_EQ(s.checksums.at(32), image);
}

// A load the controller would refuse is refused before anything is sent: the operating
// system, due for an upgrade, stays as it was, and so does every partition.
TEST_F(LoadPartitionCli, ARefusedLoadNeverUpgradesTheOperatingSystemFirst) {
    const struct {
        const char* id;
        std::vector<std::string> partition;
        std::string why;
    } cases[] = {
        {"Boiler", {"--partition", "16"},
         "Partition 16 runs the program; the controller refuses a load into it. Choose another "
         "partition (free for a program: 32). Nothing was changed."},
        {"Lone", {},
         "Nothing was changed: no partition is free for the program (partition 16 runs its "
         "program): add one or choose the partition to load into."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const auto before = saved(c.id);
        std::vector<std::string> more = c.partition;
        more.push_back("--yes");
        const auto r = load(c.id, more);
        EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.why));
        EXPECT_THAT(r.out + r.err, Not(HasSubstr("Operating system")));
        const auto after = saved(c.id);
        EXPECT_EQ(after.version, before.version);
        EXPECT_NE(after.version, "3.2-0-4");
        EXPECT_EQ(after.activePartition, 16);
        EXPECT_EQ(after.checksums, before.checksums);
    }
}

// A controller busy with another load says so; the link is not blamed, and the partition is
// said to hold what it held only because its stored checksum did not change.
TEST_F(LoadPartitionCli, ABusyControllerIsNamedAsBusy) {
    auto socket = simtest::connectTcp(sim->tcp("Boiler"));
    ASSERT_TRUE(socket);
    simtest::TcpClient other(std::move(*socket));
    const auto opened = other.exchange(simtest::request(
        wire::kDirectAddress,
        wire::TransferOpenRequest{wire::TransferTarget::Partition, 32, 4, 0, "Other"}));
    ASSERT_TRUE(opened);
    ASSERT_EQ(opened->code1, 0);
    // Without --yes the operating system is left as it is, and the load goes on.
    const auto r = load("Boiler", {"--partition", "32"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("The program was not loaded into partition 32: the controller "
                                 "is busy with another load."));
    EXPECT_THAT(r.out + r.err, HasSubstr("Partition 32 holds what it held before."));
    EXPECT_THAT(r.out + r.err, Not(HasSubstr(kCommunicationText)));
    // The operating system's upgrade meets the same refusal and names it too.
    const auto before = saved("Boiler");
    const auto upgrade = run({"upgrade-os", "--model", "3", "--program", "2", "--link",
                              "tcp:" + sim->tcp("Boiler"), "--yes"});
    EXPECT_EQ(upgrade.exitCode, 1) << upgrade.out << upgrade.err;
    EXPECT_THAT(upgrade.err, HasSubstr("The operating system was not upgraded to 3.2-0-4: the "
                                       "controller is busy with another load."));
    EXPECT_THAT(upgrade.out + upgrade.err, Not(HasSubstr(kCommunicationText)));
    const auto s = saved("Boiler");
    EXPECT_EQ(s.version, before.version);
    EXPECT_EQ(s.activePartition, 16);
    EXPECT_EQ(s.checksums.count(32), 0u);
}

// The upgrade is good only when the controller, back from its restart, runs the image's
// version: one that comes back on another is a failed upgrade, said as an error.
TEST_F(LoadPartitionCli, AControllerBackOnAnotherVersionIsAFailedUpgrade) {
    const auto before = saved("Boiler");
    ASSERT_EQ(simtest::control(temp / "ctl", "fault Boiler keep_os_version 1"), "ok");
    const auto r = run({"upgrade-os", "--model", "3", "--program", "2", "--link",
                        "tcp:" + sim->tcp("Boiler"), "--yes"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("upgrade failed"));
    EXPECT_THAT(r.err, HasSubstr("error: The operating system was not upgraded to 3.2-0-4."));
    EXPECT_THAT(r.out + r.err, Not(HasSubstr("Operating system upgraded")));
    EXPECT_EQ(saved("Boiler").version, before.version);
}

}  // namespace
