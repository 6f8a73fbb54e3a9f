#pragma once
// A program on the real libraries with the real finder, against kvxsim whose controllers each
// listen on a loopback address of their own; discovery goes to the loopback broadcast.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/Program.h"
#include "platform/components/finder/UdpFinder.h"
#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "support/ProgramFixture.h"

namespace networktest {

class SimNetworkTest : public ::testing::Test {
  protected:
    // Starts kvxsim on `network` and points discovery at it.
    void start(const std::string& network) {
        fixture.temp.write("net.ini", network);
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", fixture.temp / "net.ini", "--control", fixture.temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
        const auto udp = simtest::splitHostPort(sim->udp());
        setLink("DiscoveryPort", std::to_string(udp.port));
        setLink("DiscoveryTarget", "127.255.255.255");
        setLink("DiscoveryWaitMs", "400");
        fixture.platform->finders = &factory;
        app::FormMain& form = program().formMain;
        form.Form_Load();
        form.CtrlModels_ItemClick(3);  // KVX300C names the variables
        form.CtrlPrograms_ItemClick(2);
    }
    void setLink(const std::string& key, const std::string& value) {
        fixture.glib->WriteSettingText("Kvxmatic.Ini", "Link", key, value, 0);
    }
    app::Program& program() { return *fixture.program; }
    // A line to kvxsim's control socket; its answer.
    std::string control(const std::string& line) {
        return simtest::control(fixture.temp / "ctl", line);
    }

    testsupport::ProgramFixture fixture;
    components::UdpFinderFactory factory{*fixture.glib};
    std::unique_ptr<simtest::SimProcess> sim;
};

}  // namespace networktest
