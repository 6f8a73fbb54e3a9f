// The components against kvxsim: the partition manager's all-or-nothing commit, the job
// loader's steps and logs on an older controller, the operating-system check of an older
// controller, and the bounded wait for a controller that does not come back.
#include <gtest/gtest.h>

#include <memory>

#include "platform/components/Channel.h"
#include "platform/components/ControllerReturn.h"
#include "platform/components/RealJobLoader.h"
#include "platform/components/RealOsVersionChecker.h"
#include "platform/components/RealPartitionManager.h"
#include "platform/image/ImageFile.h"
#include "platform/sysvars/Table.h"
#include "ComponentSim.h"
#include "sim/SimClient.h"

using namespace std::chrono_literals;

namespace {

const char* kNetwork = R"([Controller Boiler]
Serial=SN-BOILER
KvxrealC=yes
Model=300
Address=1:5
Listen=127.0.0.1:0
FlashSize=8388608
ActivePartition=16
Var.242.168=1,3,17

[Partition Boiler 16]
Name=Heating
MaxSize=2097152

[Partition Boiler 17]
Name=WebSite
Type=3
MaxSize=1048576

[Partition Boiler 32]
Name=Spare
MaxSize=2097152

[Controller Old]
Serial=SN-OLD
Model=200
Address=2:1
Listen=127.0.0.1:0
OsVersion=2.5
)";

class ComponentsSim : public testsupport::ComponentSim {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(start(kNetwork, 300, {"--control", temp / "ctl"}));
    }
    std::string text(int32_t link, const char* name) {
        components::Channel c(links(), link, wire::kDirectAddress);
        auto v = c.read(sysvars::findByName(name)->address());
        return v ? v->text : "(" + c.why + ")";
    }
    std::set<uint8_t> partitions(int32_t link) {
        components::RealPartitionManager m(links());
        EXPECT_TRUE(m.Attach(1, 5, link)) << m.LastError();
        std::set<uint8_t> found;
        for (unsigned n = 1; n < 256; ++n) {
            uint8_t exists = 0;
            m.PartitionExists(uint8_t(n), exists);
            if (exists) found.insert(uint8_t(n));
        }
        return found;
    }

    testsupport::FakeClock clock;
};

TEST_F(ComponentsSim, PartitionChangesCommitAllOrNothing) {
    const int32_t link = open("Boiler");
    components::RealPartitionManager m(links());
    ASSERT_TRUE(m.Attach(1, 5, link)) << m.LastError();
    uint8_t result = 0, next = 0;
    ASSERT_TRUE(m.NextFreePartition(next));
    EXPECT_EQ(next, 18);
    ASSERT_TRUE(m.RemovePartition(32, result));
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(m.CreatePartition(40, 1, 2, "Ventilation", 1 << 20, result));
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(m.Commit()) << m.LastError();
    EXPECT_EQ(partitions(link), (std::set<uint8_t>{16, 17, 40}));

    struct Case {
        const char* what;
        std::vector<std::pair<bool, uint8_t>> changes;  // create?, number
        int32_t size;
        const char* message;
    };
    const std::vector<Case> refused = {
        {"full flash", {{true, 41}, {true, 42}}, 4 << 20,
         "Partition 42 needs more flash than the controller has free; nothing was changed."},
        {"the active program", {{true, 41}, {false, 16}}, 4096,
         "Partition 16 holds the active program or web site and cannot be removed; nothing was "
         "changed."},
        {"the active web site", {{false, 40}, {false, 17}}, 4096,
         "Partition 17 holds the active program or web site and cannot be removed; nothing was "
         "changed."},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        components::RealPartitionManager change(links());
        ASSERT_TRUE(change.Attach(1, 5, link));
        for (const auto& [create, n] : c.changes) {
            if (create) {
                change.CreatePartition(n, 1, 2, "X", c.size, result);
            } else {
                change.RemovePartition(n, result);
            }
            EXPECT_EQ(result, 1);
        }
        EXPECT_FALSE(change.Commit());
        EXPECT_EQ(change.LastError(), c.message);
        EXPECT_EQ(partitions(link), (std::set<uint8_t>{16, 17, 40}));
    }
    // Refused before anything is sent.
    components::RealPartitionManager local(links());
    ASSERT_TRUE(local.Attach(1, 5, link));
    EXPECT_TRUE(local.CreatePartition(15, 1, 2, "Low", 4096, result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(local.LastError(), "A new partition needs a number from 16 to 250, not 15.");
    EXPECT_TRUE(local.RemovePartition(33, result));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(local.Commit());  // nothing staged
}

// The controller made the change but its answer was lost: not reported as "nothing changed".
TEST_F(ComponentsSim, LostAnswerToAPartitionCommitLeavesTheOutcomeOpen) {
    const int32_t link = open("Boiler");
    components::RealPartitionManager m(links());
    ASSERT_TRUE(m.Attach(1, 5, link)) << m.LastError();
    uint8_t result = 0;
    ASSERT_TRUE(m.CreatePartition(41, 1, 2, "Lost", 4096, result));
    ASSERT_EQ(simtest::control(temp / "ctl", "fault Boiler drop_reply 1"), "ok");
    EXPECT_FALSE(m.Commit());
    EXPECT_NE(m.LastError().find("whether it made the change is unknown"), std::string::npos)
        << m.LastError();
    EXPECT_EQ(partitions(open("Boiler")).count(41), 1u);
}

TEST_F(ComponentsSim, PartitionManagerOnAnUnreachableControllerFailsWithAReason) {
    components::RealPartitionManager m(links());
    EXPECT_FALSE(m.Attach(1, 5, 77));
    EXPECT_NE(m.LastError().find("could not be read"), std::string::npos) << m.LastError();
    uint8_t exists = 1;
    EXPECT_FALSE(m.PartitionExists(16, exists));
    EXPECT_EQ(exists, 0);
    EXPECT_FALSE(m.Commit());
}

TEST_F(ComponentsSim, JobLoaderRunsTheStepsAndWritesItsLogsLineByLine) {
    const int32_t link = open("Old");
    temp.write("Mod/Good.Job",
               "[Job]\nProgram=Heating\n"
               "[Step]\nAction=Stop\n"
               "[Step]\nAction=Write\nVariable=QSystem.ApplicationName\nValue=Heating 2.5\n"
               "[Step]\nAction=Start\n");
    temp.write("Mod/Bad.Job",
               "[Job]\n[Step]\nAction=Write\nVariable=QSystem.ApplicationName\nValue=Other\n"
               "[Step]\nAction=Erase\n");
    temp.write("Mod/Fails.Job",
               "[Job]\n[Step]\nAction=Stop\n[Step]\nAction=Clear\n[Step]\nAction=Start\n"
               "[Step]\nAction=Write\nVariable=QSystem.ApplicationName\nValue=Never\n");

    components::RealJobLoader good(links(), boxes, screen, testsupport::testKey());
    good.Link(link);
    good.OptionFlag(-1);
    good.LogFile(temp / "Mod/KVXload.Gll");
    good.ErrorFile(temp / "Mod/KVXload.Err");
    std::shared_ptr<components::Job> job;
    ASSERT_TRUE(good.AddJobFile(temp / "Mod/Good.Job", nullptr, job));
    EXPECT_TRUE(good.Run());
    EXPECT_EQ(good.AllDone(), -1);
    EXPECT_FLOAT_EQ(good.Progress(), 1.0f);
    EXPECT_GE(screen.eventRounds, 3);
    EXPECT_EQ(text(link, "QSystem.ApplicationName"), "Heating 2.5");
    const std::string log = temp.read("Mod/KVXload.Gll");
    EXPECT_NE(log.find("Stop: done\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Write QSystem.ApplicationName: done\n"), std::string::npos) << log;
    EXPECT_NE(log.find("All jobs completed (3 steps)."), std::string::npos) << log;
    good.ShowInfo(-1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("Start: done"), std::string::npos);

    // A file with mistakes loads nothing and names file and line.
    components::RealJobLoader bad(links(), boxes, screen, testsupport::testKey());
    bad.Link(link);
    bad.ErrorFile(temp / "Mod/KVXload.Err");
    EXPECT_FALSE(bad.AddJobFile(temp / "Mod/Bad.Job", nullptr, job));
    EXPECT_FALSE(bad.Run());
    EXPECT_EQ(bad.AllDone(), 0);
    EXPECT_EQ(text(link, "QSystem.ApplicationName"), "Heating 2.5");
    EXPECT_NE(temp.read("Mod/KVXload.Err").find("Bad.Job:7: unknown Action Erase"),
              std::string::npos)
        << temp.read("Mod/KVXload.Err");

    // A step the controller refuses stops the run there (option flag set).
    components::RealJobLoader fails(links(), boxes, screen, testsupport::testKey());
    fails.Link(link);
    fails.OptionFlag(-1);
    fails.ErrorFile(temp / "Mod/KVXload.Err");
    ASSERT_TRUE(fails.AddJobFile(temp / "Mod/Fails.Job", nullptr, job));
    EXPECT_FALSE(fails.Run());
    EXPECT_EQ(fails.AllDone(), 0);
    EXPECT_EQ(text(link, "QSystem.ApplicationName"), "");  // cleared, and the write never ran
    const std::string errors = temp.read("Mod/KVXload.Err");
    EXPECT_NE(errors.find("Fails.Job:6: Start failed: the controller answered: not found"),
              std::string::npos)
        << errors;
}

TEST_F(ComponentsSim, OlderControllerOsCheckComparesFixedWidthVersions) {
    const int32_t link = open("Old");
    auto os = [](uint16_t model, image::Version v) {
        image::Image i;
        i.kind = image::Kind::OperatingSystem;
        i.model = model;
        i.version = v;
        i.payload = std::vector<uint8_t>(64, 1);
        return i;
    };
    temp.write("Rev/KVXreal/Readme.txt", "not an image\n");
    std::string why;
    ASSERT_TRUE(image::writeImageFile(temp / "Rev/KVXreal/a.img", testsupport::signedByTest(os(200, {2, 6, 0, 1})),
                                      why));
    ASSERT_TRUE(image::writeImageFile(temp / "Rev/KVXreal/b.img", testsupport::signedByTest(os(200, {2, 10, 0, 0})),
                                      why));
    ASSERT_TRUE(image::writeImageFile(temp / "Rev/KVXreal/c.img", testsupport::signedByTest(os(210, {9, 0, 0, 0})),
                                      why));
    components::RealOsVersionChecker checker({links(), clock, screen, 1000ms}, boxes, testsupport::testKey());
    checker.Link(link);
    checker.Directory(temp / "Rev/Module1");
    int32_t result = 0;
    ASSERT_TRUE(checker.Scan(0, 0, result));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(checker.FirstVersion(), "02.10.00.0000");  // the newest for model 200
    EXPECT_EQ(checker.SecondVersion(), "02.05.00.0000");
    EXPECT_LT(checker.SecondVersion(), checker.FirstVersion());
    // The user declines: nothing happens.
    boxes.answers.push_back(ui::answer::No);
    ASSERT_TRUE(checker.Upgrade(-1, 0, result));
    EXPECT_EQ(result, 0);
}

TEST_F(ComponentsSim, WaitingForAControllerThatNeverReturnsEndsAtTheLimit) {
    const int32_t link = open("Boiler");
    components::ReturnWait wait{links(), clock, screen, 1000ms, 200ms};
    const auto start = clock.now();
    // Nobody answers at 9:9 on this link: every round is one poll that fails.
    EXPECT_FALSE(components::awaitController(wait, link, {{9, 9}}));
    EXPECT_GE(clock.now() - start, 1000ms);
    EXPECT_LE(clock.now() - start, 1200ms);
    // The direct controller answers at once, with its own address.
    const auto back = components::awaitController(wait, link, {wire::kDirectAddress});
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, (wire::Address{1, 5}));
}

}  // namespace
