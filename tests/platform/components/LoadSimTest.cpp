// Loads through the components against kvxsim: a program into a partition (verified by the
// checksum the simulator keeps of what it stored), the refusals, a cancel from inside the
// progress callback, operating-system upgrades of both kinds read back, and a job file with a
// load step on an older controller.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/components/Channel.h"
#include "platform/components/RealAppLoader.h"
#include "platform/components/RealJobLoader.h"
#include "platform/components/RealOsUpgrader.h"
#include "platform/components/RealOsVersionChecker.h"
#include "platform/image/ImageFile.h"
#include "platform/os/Clock.h"
#include "platform/sysvars/Table.h"
#include "platform/wire/Crc32.h"
#include "platform/wire/ReplyCode.h"
#include "platform/wire/Telegram.h"
#include "sim/SimClient.h"
#include "ComponentSim.h"

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

[Partition Boiler 16]
Name=Heating
MaxSize=1048576

[Partition Boiler 32]
Name=Spare
MaxSize=1048576

[Controller Old]
Serial=SN-OLD
Model=200
Address=2:1
Listen=127.0.0.1:0
OsVersion=2.5
)";

struct Reports final : components::IQAVSErrorCallback, components::IQAVSProgressCallback {
    void QAVSErrorMessage(const std::string& m) override { errors.push_back(m); }
    void QAVSProgressBytes(uint64_t acknowledged, uint64_t total) override {
        bytes.emplace_back(acknowledged, total);
    }
    void QAVSProgress(double p) override {
        progress.push_back(p);
        if (onProgress) onProgress();
    }
    std::vector<std::string> errors;
    std::vector<double> progress;
    std::vector<std::pair<uint64_t, uint64_t>> bytes;  // each beside its share
    std::function<void()> onProgress;
};

image::Image makeImage(image::Kind kind, uint16_t model, std::size_t size, uint8_t seed,
                       image::Version version = {}) {
    image::Image i;
    i.kind = kind;
    i.model = model;
    i.name = "Program " + std::to_string(seed);
    i.version = version;
    i.payload.resize(size);
    for (std::size_t n = 0; n < size; ++n) i.payload[n] = uint8_t(n * 31 + seed);
    return i;
}

// Every case twice: with compression where the link makes it pay, and with plain blocks only.
class LoadSim : public testsupport::ComponentSim,
                public ::testing::WithParamInterface<transfer::Compression> {
protected:
    void SetUp() override {
        temp.write("Mod/Readme.txt", "images\n");
        ASSERT_NO_FATAL_FAILURE(start(kNetwork, 500, {"--control", temp / "ctl"}));
    }
    std::string write(const std::string& name, const image::Image& i) {
        return writeAsIs(name, testsupport::signedByTest(i));
    }
    std::string writeAsIs(const std::string& name, const image::Image& i) {
        std::string why;
        EXPECT_TRUE(image::writeImageFile(temp / name, i, why)) << why;
        return temp / name;
    }
    // The checksum the simulator keeps of what partition `p` holds; 0 when it holds none.
    uint32_t stored(int32_t link, uint8_t p) {
        components::Channel c(links(), link, wire::kDirectAddress);
        std::vector<uint8_t> reply;
        if (!c.telegram(wire::telegram::buildTelegram(wire::telegram::GetNumberAttribute{p, 1000}),
                        &reply) ||
            reply.size() != 4)
            return 0;
        return uint32_t(reply[0]) | uint32_t(reply[1]) << 8 | uint32_t(reply[2]) << 16 |
               uint32_t(reply[3]) << 24;
    }
    wire::Value read(int32_t link, const char* name) {
        components::Channel c(links(), link, wire::kDirectAddress);
        return c.read(sysvars::findByName(name)->address()).value_or(wire::Value{});
    }

    // The controller restarts in real time; the wait is bounded all the same.
    os::SteadyClock steady;
};

TEST_P(LoadSim, ProgramArrivesWholeInThePartition) {
    const int32_t link = open("Boiler");
    const image::Image program = makeImage(image::Kind::Application, 300, 200000, 7);
    components::RealAppLoader loader(links(), testsupport::testKey());
    Reports reports;
    ASSERT_TRUE(loader.Open(write("Mod/App.Img", program)));
    loader.Partition(32);
    loader.Compression(GetParam());
    loader.Link(link);
    loader.ErrorCallback(&reports);
    loader.ProgressCallback(&reports);
    ASSERT_TRUE(loader.Load()) << (reports.errors.empty() ? "" : reports.errors[0]);
    EXPECT_TRUE(reports.errors.empty());
    EXPECT_EQ(stored(link, 32), wire::crc32(program.payload));
    ASSERT_FALSE(reports.progress.empty());
    EXPECT_DOUBLE_EQ(reports.progress.back(), 1.0);
    EXPECT_EQ(loader.ProgramName(), "Program 7");
    // The progress counts the image's bytes, whatever travelled, up to all of them.
    ASSERT_EQ(reports.bytes.size(), reports.progress.size());
    for (std::size_t i = 0; i < reports.bytes.size(); ++i) {
        EXPECT_EQ(reports.bytes[i].second, program.payload.size());
        if (i > 0) {
            EXPECT_GE(reports.bytes[i].first, reports.bytes[i - 1].first);
        }
    }
    EXPECT_EQ(reports.bytes.back().first, program.payload.size());
    EXPECT_EQ(loader.LastLoad().imageBytes, program.payload.size());
    EXPECT_EQ(components::loadedText(loader.LastLoad()).rfind("Loaded 200,000 bytes", 0), 0u);
}

TEST_P(LoadSim, RefusalsReachTheErrorCallbackAndChangeNothing) {
    const int32_t link = open("Boiler");
    struct Case {
        const char* what;
        uint16_t model;
        std::size_t size;
        uint8_t partition;
        const char* reason;
        wire::ReplyCode code;  // what FailureCode hands the caller
    };
    const std::vector<Case> cases = {
        {"unknown partition", 300, 1000, 40, "not found", wire::ReplyCode::NotFound},
        {"larger than the partition", 300, (1 << 20) + 1, 32, "out of range",
         wire::ReplyCode::OutOfRange},
        {"another model's image", 210, 1000, 32, "refused", wire::ReplyCode::Refused},
        {"the running partition", 300, 1000, 16, "refused", wire::ReplyCode::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        components::RealAppLoader loader(links(), testsupport::testKey());
        Reports reports;
        ASSERT_TRUE(loader.Open(write("Mod/X.Img", makeImage(image::Kind::Application, c.model,
                                                              c.size, 3))));
        loader.Partition(c.partition);
        loader.Compression(GetParam());
        loader.Link(link);
        loader.ErrorCallback(&reports);
        EXPECT_FALSE(loader.Load());
        ASSERT_EQ(reports.errors.size(), 1u);
        EXPECT_NE(reports.errors[0].find(c.reason), std::string::npos) << reports.errors[0];
        EXPECT_EQ(loader.FailureCode(), wire::code(c.code));
        EXPECT_EQ(stored(link, 32), 0u);
    }
}

TEST_P(LoadSim, CancelFromInsideTheProgressCallbackKeepsTheOldProgram) {
    const int32_t link = open("Boiler");
    const image::Image first = makeImage(image::Kind::Application, 300, 50000, 1);
    components::RealAppLoader loader(links(), testsupport::testKey());
    ASSERT_TRUE(loader.Open(write("Mod/First.Img", first)));
    loader.Partition(32);
    loader.Compression(GetParam());
    loader.Link(link);
    ASSERT_TRUE(loader.Load());

    components::RealAppLoader second(links(), testsupport::testKey());
    Reports reports;
    reports.onProgress = [&] { second.Cancel(); };
    ASSERT_TRUE(second.Open(write("Mod/Second.Img",
                                  makeImage(image::Kind::Application, 300, 600000, 2))));
    second.Partition(32);
    second.Compression(GetParam());
    second.Link(link);
    second.ErrorCallback(&reports);
    second.ProgressCallback(&reports);
    EXPECT_FALSE(second.Load());
    EXPECT_TRUE(reports.errors.empty());
    EXPECT_EQ(reports.progress.size(), 1u);  // nothing after the window that saw Cancel
    EXPECT_EQ(stored(link, 32), wire::crc32(first.payload));
}

TEST_P(LoadSim, KvxrealCUpgradeIsStagedCommittedAndReadBack) {
    const int32_t link = open("Boiler");
    components::RealOsUpgrader upgrader({links(), steady, screen, 20000ms}, testsupport::testKey());
    upgrader.UpgradeFile(write("Mod/Os.Img", makeImage(image::Kind::OperatingSystem, 300, 30000,
                                                       9, {3, 2, 0, 4})));
    upgrader.Compression(GetParam());
    upgrader.Link(link);
    Reports reports;
    upgrader.ErrorCallback(&reports);
    int16_t done = 0, ready = 0;
    ASSERT_TRUE(upgrader.Upgrade(0, done));
    EXPECT_EQ(done, -1);
    // Staged, not in effect: the old version still runs.
    EXPECT_EQ(read(link, "QSystem.Ver_Minor").integer, 1);
    ASSERT_TRUE(upgrader.FinishUpgrade(0, ready)) << (reports.errors.empty() ? "" : reports.errors[0]);
    EXPECT_EQ(ready, -1);
    EXPECT_EQ(read(link, "QSystem.Ver_Major").integer, 3);
    EXPECT_EQ(read(link, "QSystem.Ver_Minor").integer, 2);
    EXPECT_EQ(read(link, "QSystem.Ver_Number").integer, 4);
}

// Good only when the controller, back from its restart, runs the image's version; one lost
// reply while reading that version is asked again, not called a failure.
TEST_P(LoadSim, KvxrealCUpgradeIsGoodOnlyOnTheImagesVersion) {
    const int32_t link = open("Boiler");
    const std::string os =
        write("Mod/Os.Img", makeImage(image::Kind::OperatingSystem, 300, 30000, 9, {3, 2, 0, 4}));
    const struct {
        const char* fault;
        bool ready;
        int minorAfter;
    } cases[] = {
        // The new system did not start: the old one answers.
        {"keep_os_version 1", false, 1},
        // The commit's reply, the controller's first answer back, then the first version read.
        {"drop_reply 3", true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_EQ(simtest::control(temp / "ctl", "clear Boiler"), "ok");
        components::RealOsUpgrader upgrader({links(), steady, screen, 20000ms},
                                            testsupport::testKey());
        upgrader.UpgradeFile(os);
        upgrader.Compression(GetParam());
        upgrader.Link(link);
        Reports reports;
        upgrader.ErrorCallback(&reports);
        int16_t done = 0, ready = 0;
        ASSERT_TRUE(upgrader.Upgrade(0, done));
        ASSERT_EQ(simtest::control(temp / "ctl", std::string("fault Boiler ") + c.fault), "ok");
        EXPECT_EQ(upgrader.FinishUpgrade(0, ready), c.ready)
            << (reports.errors.empty() ? "" : reports.errors[0]);
        EXPECT_EQ(ready, c.ready ? -1 : 0);
        if (!c.ready) {
            ASSERT_EQ(reports.errors.size(), 1u);
            EXPECT_NE(reports.errors[0].find("runs version 3.1"), std::string::npos)
                << reports.errors[0];
        }
        EXPECT_EQ(read(link, "QSystem.Ver_Minor").integer, c.minorAfter);
    }
}

TEST_P(LoadSim, ImagesTheProductDidNotSignAreRefusedBeforeAnythingIsSent) {
    const int32_t link = open("Boiler");
    struct Tamper {
        const char* what;
        image::Image (*make)(image::Image);
        const char* problem;
    };
    const Tamper tampers[] = {
        {"one byte flipped after signing",
         [](image::Image i) {
             i = testsupport::signedByTest(i);
             i.payload[100] ^= 0x01;
             return i;
         },
         "does not carry the product's signature"},
        {"signature removed", [](image::Image i) { return i; }, "is not signed"},
        {"signed by another key",
         [](image::Image i) {
             image::signImage(i, image::newKeyPair().secretKey);
             return i;
         },
         "does not carry the product's signature"},
    };
    for (const Tamper& t : tampers) {
        SCOPED_TRACE(t.what);
        Reports reports;
        const std::string program =
            writeAsIs("Mod/App.Img", t.make(makeImage(image::Kind::Application, 300, 20000, 3)));
        components::RealAppLoader loader(links(), testsupport::testKey());
        loader.ErrorCallback(&reports);
        EXPECT_FALSE(loader.Open(program));
        loader.Partition(32);
        loader.Compression(GetParam());
        loader.Link(link);
        EXPECT_FALSE(loader.Load());

        const std::string os = writeAsIs(
            "Mod/Os.Img",
            t.make(makeImage(image::Kind::OperatingSystem, 300, 20000, 9, {3, 2, 0, 4})));
        components::RealOsUpgrader upgrader({links(), steady, screen, 20000ms},
                                            testsupport::testKey());
        upgrader.UpgradeFile(os);
        upgrader.Compression(GetParam());
        upgrader.Link(link);
        upgrader.ErrorCallback(&reports);
        int16_t done = 0;
        EXPECT_FALSE(upgrader.Upgrade(0, done));
        EXPECT_NE(upgrader.ImageProblem().find(os + " " + t.problem), std::string::npos)
            << upgrader.ImageProblem();

        ASSERT_FALSE(reports.errors.empty());
        EXPECT_NE(reports.errors[0].find(program + " " + t.problem), std::string::npos)
            << reports.errors[0];
    }
    // Nothing reached the controller: no transfer was even opened, and it holds what it held.
    EXPECT_THAT(simtest::control(temp / "ctl", "transfers Boiler"),
                ::testing::StartsWith("ok opened 0 bad_signature 0 "));
    EXPECT_EQ(stored(link, 32), 0u);
    EXPECT_EQ(read(link, "QSystem.Ver_Minor").integer, 1);

    // The same image as the product signed it goes through.
    const image::Image program = makeImage(image::Kind::Application, 300, 20000, 3);
    components::RealAppLoader loader(links(), testsupport::testKey());
    ASSERT_TRUE(loader.Open(write("Mod/App.Img", program)));
    loader.Partition(32);
    loader.Compression(GetParam());
    loader.Link(link);
    ASSERT_TRUE(loader.Load());
    EXPECT_EQ(stored(link, 32), wire::crc32(program.payload));
    EXPECT_THAT(simtest::control(temp / "ctl", "transfers Boiler"),
                ::testing::StartsWith("ok opened 1 bad_signature 0 "));
}

TEST_P(LoadSim, OlderControllerUpgradeAndJobLoadReadBack) {
    const int32_t link = open("Old");
    temp.write("Rev/KVXreal/Readme.txt", "images\n");
    write("Rev/KVXreal/Os.img", makeImage(image::Kind::OperatingSystem, 200, 20000, 4, {2, 6, 0, 1}));
    components::RealOsVersionChecker checker({links(), steady, screen, 20000ms}, boxes, testsupport::testKey());
    checker.Compression(GetParam());
    checker.Link(link);
    checker.Directory(temp / "Rev/Module1");
    int32_t result = 0;
    ASSERT_TRUE(checker.Scan(0, 0, result));
    ASSERT_EQ(result, 1);
    ASSERT_TRUE(checker.Upgrade(0, 0, result));
    EXPECT_EQ(result, 1) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    EXPECT_EQ(read(link, "QSystem.OsRevision").text, "02.06.00.0001");

    const image::Image app = makeImage(image::Kind::Application, 200, 40000, 5);
    write("Mod/App.Kvx", app);
    temp.write("Mod/Job.Job", "[Job]\n[Step]\nAction=Stop\n[Step]\nAction=Clear\n"
                              "[Step]\nAction=Load\nImage=app.kvx\n[Step]\nAction=Start\n");
    components::RealJobLoader jobs(links(), boxes, screen, testsupport::testKey());
    jobs.Compression(GetParam());
    jobs.Link(link);
    jobs.OptionFlag(-1);
    jobs.LogFile(temp / "Mod/KVXload.Gll");
    jobs.ErrorFile(temp / "Mod/KVXload.Err");
    std::shared_ptr<components::Job> job;
    ASSERT_TRUE(jobs.AddJobFile(temp / "Mod/Job.Job", nullptr, job));
    EXPECT_TRUE(jobs.Run()) << temp.read("Mod/KVXload.Gll");
    EXPECT_EQ(read(link, "QSystem.ApplicationName").text, "Program 5");
}

INSTANTIATE_TEST_SUITE_P(Compression, LoadSim,
                         ::testing::Values(transfer::Compression::Auto,
                                           transfer::Compression::Off),
                         [](const auto& info) {
                             return info.param == transfer::Compression::Off ? "Off" : "Auto";
                         });

}  // namespace
