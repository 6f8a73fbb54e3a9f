// A job on an older controller against kvxsim, read back afterwards: the image travels before
// the application is stopped, so a refusal or a lost link changes nothing; a failure once the
// application was stopped starts it again or the log says plainly that it stays stopped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/components/Channel.h"
#include "platform/components/RealJobLoader.h"
#include "platform/image/ImageFile.h"
#include "platform/wire/Crc32.h"
#include "ComponentSim.h"
#include "sim/SimClient.h"

namespace {

using ::testing::HasSubstr;

const char* kNetwork = R"([Controller Old]
Serial=SN-OLD
Model=200
Address=2:1
Listen=127.0.0.1:0
)";

image::Image application(uint16_t model, uint8_t seed) {
    return testsupport::testApplication(model, seed);
}

class JobLoadSim : public testsupport::ComponentSim {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(start(kNetwork, 300,
                                      {"--state", temp / "state", "--control", temp / "ctl"}));
    }
    // Runs a job file Stop, Clear, Load, Start with `image`; the log afterwards.
    bool runJob(const image::Image& image, transfer::Tuning tuning = {}) {
        writeJob(image);
        components::RealJobLoader jobs(links(), boxes, screen, testsupport::testKey(), tuning);
        jobs.Compression(compression);
        jobs.Link(open("Old"));
        jobs.OptionFlag(-1);
        jobs.LogFile(temp / "Mod/KVXload.Gll");
        jobs.ErrorFile(temp / "Mod/KVXload.Err");
        std::shared_ptr<components::Job> job;
        EXPECT_TRUE(jobs.AddJobFile(temp / "Mod/Job.Job", nullptr, job));
        const bool done = jobs.Run();
        EXPECT_EQ(jobs.AllDone(), done ? -1 : 0);
        return done;
    }
    // The checksum of the application the controller holds, read on a fresh link.
    uint32_t applicationChecksum() {
        components::Channel c(links(), open("Old"), wire::kDirectAddress);
        const auto v = c.read(wire::VarAddress{1, wire::VarType::Long, 900, 0});
        return v ? uint32_t(v->integer) : 0;
    }
    // "application RUNNING PRESENT" of the controller's state file.
    bool applicationRunning() {
        std::ifstream in(temp / "state/Old.state");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("application ", 0) == 0) return line.substr(12, 1) == "1";
        ADD_FAILURE() << "no application line in the state file";
        return false;
    }
    std::string control(const std::string& line) {
        return simtest::control(temp / "ctl", line);
    }

    transfer::Compression compression = transfer::Compression::Auto;
};

struct FailedJob {
    const char* name;
    uint16_t model;             // of the new image
    const char* fault;          // set before the run, or at its first progress report
    bool atFirstProgress;
    bool running;               // the application runs afterwards
    bool oldApplication;        // and it is the one it had
    const char* logSays;
};

// Each case with compression where the link makes it pay, and with plain blocks only.
class FailedJobs
    : public JobLoadSim,
      public ::testing::WithParamInterface<std::tuple<FailedJob, transfer::Compression>> {};

TEST_P(FailedJobs, LeaveTheControllerAsTheCaseSays) {
    const FailedJob& c = std::get<0>(GetParam());
    compression = std::get<1>(GetParam());
    const image::Image before = application(200, 1);
    ASSERT_TRUE(runJob(before)) << temp.read("Mod/KVXload.Gll");
    ASSERT_EQ(applicationChecksum(), wire::crc32(before.payload));
    ASSERT_TRUE(applicationRunning());
    // Staged before the stop: the log shows the order.
    EXPECT_THAT(temp.read("Mod/KVXload.Gll"), HasSubstr("Load App.Kvx: staged\n  Stop: done"));

    transfer::Tuning tuning;
    tuning.maxResumes = 0;  // the first lost link is one too many
    tuning.reconnectFor = std::chrono::milliseconds(200);
    bool armed = false;
    if (!c.atFirstProgress && *c.fault != '\0') {
        ASSERT_EQ(control(std::string("fault Old ") + c.fault), "ok");
    }
    screen.onEvents = [&] {
        if (!c.atFirstProgress || armed) return;
        armed = true;
        EXPECT_EQ(control(std::string("fault Old ") + c.fault), "ok");
    };
    EXPECT_FALSE(runJob(application(c.model, 2), tuning));
    screen.onEvents = nullptr;
    ASSERT_EQ(control("clear Old"), "ok");
    const std::string log = temp.read("Mod/KVXload.Gll");
    EXPECT_THAT(log, HasSubstr(c.logSays));
    EXPECT_EQ(applicationRunning(), c.running) << log;
    EXPECT_EQ(applicationChecksum() == wire::crc32(before.payload), c.oldApplication) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedJobs,
    ::testing::Combine(::testing::Values(
        FailedJob{"WrongModel", 210, "", false, true, true,
                  "App.Kvx is an image for model 210, the controller is model 200; nothing was "
                  "changed."},
        FailedJob{"LinkLostBeyondResume", 200, "close_after_bytes 1", true, true, true,
                  "nothing was changed."},
        FailedJob{"ChecksumMismatch", 200, "corrupt_commit 1", false, false, false,
                  "The application stays stopped: the controller holds a damaged copy"}),
                       ::testing::Values(transfer::Compression::Auto,
                                         transfer::Compression::Off)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == transfer::Compression::Off ? "Off" : "Auto");
    });

}  // namespace
