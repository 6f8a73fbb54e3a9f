// An older controller's load that goes wrong at its commit, against kvxsim: the application that
// ran is read back and kept under backups/<serial>/ before anything changes, and the controller
// ends with an application present and running, the one it had or the new one when its commit
// took. What runs is read back from the controller, byte for byte.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "operations/BackupName.h"
#include "operations/ImageBackup.h"
#include "operations/SettingsBackup.h"
#include "platform/components/Channel.h"
#include "platform/components/RealJobLoader.h"
#include "platform/image/ImageFile.h"
#include "platform/wire/Crc32.h"
#include "platform/components/ComponentSim.h"
#include "sim/SimClient.h"

namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

// A port nobody listens on now, so that a restarted kvxsim comes back where the host left it.
uint16_t freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(s);
    return ntohs(a.sin_port);
}

image::Image application(uint8_t seed) { return testsupport::testApplication(200, seed); }

class ImageKeepSim : public testsupport::ComponentSim {
  protected:
    void SetUp() override {
        network = "[Controller Old]\nSerial=SN-OLD\nModel=200\nAddress=2:1\nListen=127.0.0.1:" +
                  std::to_string(freePort()) +
                  "\n\n[Controller Older]\nSerial=SN-OLDER\nModel=200\nAddress=2:2\n"
                  "Listen=127.0.0.1:0\nImageRead=no\n";
        ASSERT_NO_FATAL_FAILURE(start(network.c_str(), 300, simArguments()));
    }
    std::vector<std::string> simArguments() {
        return {"--state", temp / "state", "--control", temp / "ctl"};
    }
    // kvxsim stops dead and starts again from its state folder, on the same port.
    void restartSim() {
        sim->kill();
        sim.reset();
        auto args = simArguments();
        args.insert(args.begin(), {"--network", temp / "net.ini", "--image-key",
                                   temp / "image-key.pub"});
        sim = std::make_unique<simtest::SimProcess>(args);
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    // Runs a job Stop, Clear, Load, Start of `image` on `id`, keeping what runs first.
    bool runJob(const std::string& id, const image::Image& image, bool goOnWithout = false) {
        fs::remove(temp / "Mod/KVXload.Gll");
        writeJob(image);
        components::RealJobLoader jobs(links(), boxes, screen, testsupport::testKey());
        jobs.Link(open(id));
        jobs.OptionFlag(-1);
        jobs.LogFile(temp / "Mod/KVXload.Gll");
        components::ImageKeeping keeping;
        keeping.keep = [&](const components::HeldApplication& a, std::string& w) {
            return operations::keepImage(temp / "machine", serialOf(id),
                                         std::chrono::system_clock::now(), a, w);
        };
        keeping.goOnWithout = [&](const std::string& question) {
            asked = question;
            return goOnWithout;
        };
        jobs.KeepImages(keeping);
        std::shared_ptr<components::Job> job;
        EXPECT_TRUE(jobs.AddJobFile(temp / "Mod/Job.Job", nullptr, job));
        return jobs.Run();
    }
    static std::string serialOf(const std::string& id) { return id == "Old" ? "SN-OLD" : "SN-OLDER"; }
    // What the controller holds, read back whole through a fresh link.
    components::ApplicationReading held(const std::string& id) {
        return components::readApplication(links(), open(id), wire::kDirectAddress);
    }
    // The checksum the controller reports for its application (file 900 index 0).
    uint32_t reportedChecksum(const std::string& id) {
        components::Channel c(links(), open(id), wire::kDirectAddress);
        const auto v = c.read(wire::VarAddress{1, wire::VarType::Long, 900, 0});
        return v ? uint32_t(v->integer) : 0;
    }
    bool running(const std::string& id) {
        std::string why;
        const auto info = components::applicationInfo(links(), open(id), wire::kDirectAddress, why);
        return info && info->state == wire::ApplicationState::Running;
    }
    // For a controller without the read: as kvxsim saved it (a moment after the change).
    bool savedRunning(const std::string& id) {
        for (int i = 0; i < 100; ++i) {
            if (temp.read("state/" + id + ".state").find("application 1 1\n") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    std::vector<std::string> kept(const std::string& serial) {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(temp / ("machine/backups/" + serial), ec))
            if (e.path().extension() == ".image") files.push_back(e.path().string());
        return files;
    }
    std::string control(const std::string& line) { return simtest::control(temp / "ctl", line); }
    std::string log() { return temp.read("Mod/KVXload.Gll"); }

    std::string network;
    std::string asked;
};

struct CommitFault {
    const char* name;
    // Armed once the application was cleared, right before the commit; "restart" restarts
    // kvxsim once it has taken the commit, before it answers.
    const char* fault;
    bool newOneRuns;  // the commit took: the new application runs, else the one it had
    const char* logSays;
};

class FailingCommits : public ImageKeepSim, public ::testing::WithParamInterface<CommitFault> {};

TEST_P(FailingCommits, EndWithAnApplicationRunningAndTheOldOneKept) {
    const CommitFault& c = GetParam();
    const image::Image before = application(1), after = application(2);
    ASSERT_TRUE(runJob("Old", before)) << log();
    const uint32_t ran = reportedChecksum("Old");
    ASSERT_EQ(ran, wire::crc32(before.payload));

    std::thread restarter;
    bool armed = false, cleared = false;
    screen.onEvents = [&] {
        const std::string text = log();
        if (!armed && text.find("  Clear: done") != std::string::npos) {
            armed = true;
            if (std::string(c.fault) != "restart") {
                EXPECT_EQ(control(std::string("fault Old ") + c.fault), "ok");
                return;
            }
            // The commit waits for the flash; kvxsim has stored it when it goes down.
            EXPECT_EQ(control("fault Old flash_write_ms 3000"), "ok");
            restarter = std::thread([this] {
                const std::string state = temp / "state/Old.state";
                for (int i = 0; i < 500; ++i) {
                    std::ifstream in(state);
                    std::stringstream s;
                    s << in.rdbuf();
                    if (s.str().find("application 0 1\nappimage ") != std::string::npos) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                restartSim();
            });
        }
        // A controller that refuses every commit would refuse the way back too.
        if (!cleared && text.find("Load App.Kvx failed") != std::string::npos) {
            cleared = true;
            EXPECT_EQ(control("clear Old"), "ok");
        }
    };
    const bool loaded = runJob("Old", after);
    screen.onEvents = nullptr;
    if (restarter.joinable()) restarter.join();
    ASSERT_EQ(control("clear Old"), "ok");
    EXPECT_EQ(loaded, c.newOneRuns) << log();
    EXPECT_THAT(log(), HasSubstr(c.logSays));

    // Running, and byte for byte the application the case expects.
    EXPECT_TRUE(running("Old")) << log();
    const auto now = held("Old");
    ASSERT_EQ(now.ending, components::ReadEnding::Read) << now.why;
    EXPECT_EQ(now.application.image, (c.newOneRuns ? after : before).payload);
    EXPECT_EQ(reportedChecksum("Old"), wire::crc32(now.application.image));

    // The application that ran is kept as it ran, privately and beside its signature.
    const auto files = kept("SN-OLD");
    ASSERT_EQ(files.size(), 2u) << log();  // one per load
    const std::string newest = *operations::newestBackup(temp / "machine", "SN-OLD", ".image");
    std::string why;
    const auto keptApp = operations::readKeptImage(newest, why);
    ASSERT_TRUE(keptApp) << why;
    EXPECT_EQ(keptApp->checksum, ran);
    EXPECT_FALSE(keptApp->signature.empty());
    struct stat st {};
    ASSERT_EQ(::stat(newest.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((temp / "machine/backups/SN-OLD").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_THAT(log(), HasSubstr("The running application was kept in " + newest));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailingCommits,
    ::testing::Values(
        CommitFault{"Refused", "refuse_commit 1", false,
                    "The application that ran before was put back from"},
        CommitFault{"CutBeforeTheCommitArrived", "cut_after_request_bytes 1", true,
                    "The commit did not arrive: sent again"},
        CommitFault{"ReplyLost", "close_after_bytes 1", true,
                    "The controller took the new application at the commit"},
        CommitFault{"SimulatorRestartedAtTheCommit", "restart", true,
                    "The controller took the new application at the commit"}),
    [](const auto& info) { return std::string(info.param.name); });

// A controller built before the read: asked first, and nothing changes unless the answer is OK.
TEST_F(ImageKeepSim, AControllerThatCannotGiveItsApplicationIsAskedAboutFirst) {
    const uint32_t ran = reportedChecksum("Older");
    EXPECT_FALSE(runJob("Older", application(3), false));
    EXPECT_THAT(asked, HasSubstr("cannot give back the application it runs"));
    EXPECT_THAT(log(), HasSubstr("nothing was changed"));
    EXPECT_EQ(reportedChecksum("Older"), ran);
    EXPECT_TRUE(savedRunning("Older"));
    EXPECT_TRUE(kept("SN-OLDER").empty());

    EXPECT_TRUE(runJob("Older", application(3), true)) << log();
    EXPECT_EQ(reportedChecksum("Older"), wire::crc32(application(3).payload));
    EXPECT_TRUE(savedRunning("Older"));
    EXPECT_TRUE(kept("SN-OLDER").empty());
}

}  // namespace
