#pragma once
// The command line against a kvxsim of the test's own: its network file, state folder and
// control file in the test's temporary folder, the demo machine folder beside them. The
// controller's state is read back from what kvxsim saved.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/SimClient.h"
#include "sim/SimProcess.h"
#include "sim/SiteState.h"
#include "support/RunCommand.h"
#include "support/TempFolder.h"

namespace clitest {

class KvxsimCli : public ::testing::Test {
  protected:
    KvxsimCli() : machine(temp.copyDemo()) {}

    // kvxsim on `network` with no saved state.
    void startOn(const std::string& network) {
        temp.write("net.ini", network);
        temp.write("state/.keep", "");
        startSim();
    }
    // kvxsim again on the same files: its controllers as it saved them.
    void startSim() {
        sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--network", temp / "net.ini", "--state", temp / "state", "--control", temp / "ctl"});
        ASSERT_TRUE(sim->waitReady()) << sim->stderrText();
    }
    std::string control(const std::string& line) { return simtest::control(temp / "ctl", line); }
    // krelvan-cli with `args`, the subcommand first, on the test's machine folder.
    std::vector<std::string> withMachine(std::vector<std::string> args) const {
        args.insert(args.begin(), {KRELVAN_CLI_PATH});
        args.insert(args.begin() + 2, {"--machine", machine});
        return args;
    }
    testsupport::CommandResult run(std::vector<std::string> args) const {
        return testsupport::runCommand(withMachine(std::move(args)), 120);
    }
    std::string link(const std::string& id) const { return "tcp:" + sim->tcp(id); }
    simtest::SavedController saved(const std::string& id) const {
        return simtest::readSavedController(temp / ("state/" + id + ".state"));
    }

    testsupport::TempFolder temp;
    std::string machine;
    std::unique_ptr<simtest::SimProcess> sim;
};

}  // namespace clitest
