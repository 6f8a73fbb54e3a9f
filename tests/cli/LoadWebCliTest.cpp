// "Load Web-site" end to end from the command line: a copy of the demo product, kvxsim on
// loopback, the real components underneath. The site is fetched back over HTTP from the
// simulated controller and compared with its sources; the older controller's TCP/IP option
// is reloaded through a network search.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "sim/DemoMachine.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

using ::testing::HasSubstr;
using testsupport::runCommand;

namespace {

const char* kNetwork = R"([Simulator]
Discovery=0.0.0.0:0

[Controller Boiler]
Serial=KVX300-81
Model=300
KvxrealC=yes
Address=1:5
Listen=127.0.0.81:0
Capabilities=13
FlashSize=8388608
ActivePartition=16

[Partition Boiler 16]
Name=Heating
Type=2
Attr5=1
Size=4096
MaxSize=2097152

[Partition Boiler 17]
Name=WebSite
Type=3
MaxSize=1048576

[Controller Heating]
Serial=KVX200-82
Model=200
KvxrealC=no
Address=4:1
Listen=127.0.0.82:0
Capabilities=5
PortOsRevision=2.5-0-01
UpgradeFileNumber=20

[Controller Plain]
Serial=KVX200-83
Model=200
KvxrealC=no
Address=4:2
Listen=127.0.0.83:0
Capabilities=1
UpgradeFileNumber=20
)";

std::string sourceOf(const std::string& page) {
    std::ifstream in(testsupport::sourceDir() + "/demo/sites/heating-ventilation/" + page,
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class LoadWebCli : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = temp.copyDemo();
        temp.write("net.ini", kNetwork);
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--network", temp / "net.ini"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        ASSERT_TRUE(simtest::pointDemoDiscoveryAt(temp, *sim));
    }
    testsupport::CommandResult loadWeb(std::vector<std::string> args) {
        args.insert(args.begin(), {KRELVAN_CLI_PATH, "load-web", "--machine", machine});
        return runCommand(args, 120);
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

TEST_F(LoadWebCli, TheSiteIsServedAsItsSourcesAfterTheLoad) {
    const std::string web = sim->http("Boiler");
    ASSERT_FALSE(web.empty());
    // Nothing is active yet: every page is missing.
    auto before = simtest::httpGet(web, "/index.html");
    ASSERT_TRUE(before);
    EXPECT_EQ(before->status, 404);

    auto help = loadWeb({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("--partition"));

    const std::vector<std::string> boiler = {"--model", "3",      "--program",
                                             "2",       "--link", "tcp:" + sim->tcp("Boiler")};
    auto loaded = loadWeb(boiler);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.out << loaded.err;
    EXPECT_THAT(loaded.err, HasSubstr("info: The web site was loaded into partition 17."));
    EXPECT_THAT(loaded.out, HasSubstr("Loading web site"));
    // The question is the web site's own: nothing of the TCP/IP option is reloaded here.
    EXPECT_THAT(loaded.out, HasSubstr("You are about to load the web site into a web partition"));
    EXPECT_THAT(loaded.out, ::testing::Not(HasSubstr("TCP/IP option")));
    for (const std::string page : {"index.html", "status.html", "style.css"}) {
        SCOPED_TRACE(page);
        auto got = simtest::httpGet(web, "/" + page);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->status, 200);
        EXPECT_EQ(got->body, sourceOf(page));
    }
    auto root = simtest::httpGet(web, "/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->body, sourceOf("index.html"));
    auto missing = simtest::httpGet(web, "/missing.html");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);

    // Again over the site being served: the server goes off for the load and on after it.
    auto again = loadWeb(boiler);
    ASSERT_EQ(again.exitCode, 0) << again.out << again.err;
    auto after = simtest::httpGet(web, "/status.html");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
    EXPECT_EQ(after->body, sourceOf("status.html"));

    // Partition 16 holds a program: an explicit choice of it is not taken, 17 is.
    auto chosen = loadWeb({"--model", "3", "--program", "2", "--link", "tcp:" + sim->tcp("Boiler"),
                           "--partition", "16"});
    EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_THAT(chosen.err, HasSubstr("partition 17."));
}

TEST_F(LoadWebCli, AProgramWithoutAWebSiteIsRefused) {
    auto refused =
        loadWeb({"--model", "3", "--program", "1", "--link", "tcp:" + sim->tcp("Boiler")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("has no web site"));
}

TEST_F(LoadWebCli, TheOlderControllersOptionIsReloaded) {
    auto reloaded = loadWeb({"--model", "1", "--program", "2", "--link",
                             "tcp:" + sim->tcp("Heating"), "--serial", "KVX200-82"});
    ASSERT_EQ(reloaded.exitCode, 0) << reloaded.out << reloaded.err;
    EXPECT_THAT(reloaded.err, HasSubstr("info: The TCP/IP option was reloaded successfully."));
    EXPECT_THAT(reloaded.out, HasSubstr("You are about to reload the TCP/IP option"));

    auto noCapability = loadWeb({"--model", "1", "--program", "2", "--link",
                                 "tcp:" + sim->tcp("Plain"), "--serial", "KVX200-83"});
    EXPECT_EQ(noCapability.exitCode, 1);
    EXPECT_THAT(noCapability.err, HasSubstr("cannot reload its TCP/IP option"));

    auto unknown = loadWeb({"--model", "1", "--program", "2", "--link", "tcp:" + sim->tcp("Plain"),
                            "--serial", "KVX200-99"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_THAT(unknown.err, HasSubstr("KVX200-99 could not be found on the network"));
}

}  // namespace
