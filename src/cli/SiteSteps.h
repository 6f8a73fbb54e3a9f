#pragma once
// One plan row on the real platform: a session of its own (program, library, links), reached
// as the single commands reach a controller, and loaded with the single load's operations.
#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ImageChecksums.h"
#include "platform/components/finder/Sighting.h"
#include "platform/secure/Sodium.h"
#include "site/ControllerSteps.h"

namespace cli {

class Session;

using Sightings = std::vector<components::Sighting>;

struct SiteSetup {
    std::string machineDir;   // resolved: backups go there
    secure::Secret password;  // the site's network password; empty: none
    // What the check's search heard: the rows reach their controllers from it, and nobody
    // searches the network again. Null: each row searches for its own.
    std::shared_ptr<const Sightings> sightings;
    // What every row compares its controller's checksum with.
    std::shared_ptr<ImageChecksums> checksums = std::make_shared<ImageChecksums>();
};

// The plan's check on a session of its own, reaching the network as the run will, with the
// same password; what the program's message boxes say goes to `said`. What its search heard
// goes to `heard`, for the run's setup.
std::vector<site::PlanProblem> checkSitePlan(const SiteSetup& setup, const site::Plan& plan,
                                             std::ostream& said, Sightings* heard = nullptr);

class SiteSteps final : public site::ControllerSteps {
  public:
    SiteSteps(const SiteSetup& setup, const site::PlanRow& row, site::RowContext& context);
    ~SiteSteps() override;

    bool connect(site::ControllerReport& report) override;
    bool backup(site::ControllerReport& report) override;
    bool upgradeOs(site::ControllerReport& report) override;
    bool load(site::ControllerReport& report) override;
    bool verify(site::ControllerReport& report) override;
    bool changeAddress(site::ControllerReport& report) override;
    bool loadSettings(site::ControllerReport& report) override;

  private:
    class Forms;
    // Passes on the lines the program's message boxes wrote since the last call.
    void tell();
    bool fail(const std::string& text);
    std::string osVersion();

    const SiteSetup& setup_;
    site::PlanRow row_;
    site::RowContext& context_;
    std::ostringstream said_;
    size_t told_ = 0;
    std::unique_ptr<Forms> forms_;
    std::unique_ptr<Session> session_;
};

}  // namespace cli
