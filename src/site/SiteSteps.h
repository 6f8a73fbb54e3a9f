#pragma once
// One plan row on the real platform: a session of its own (program, library, links), reached
// and loaded with the operations the single commands use.
#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "operations/ImageChecksums.h"
#include "platform/components/finder/Sighting.h"
#include "platform/secure/Sodium.h"
#include "platform/transfer/TransferEngine.h"
#include "site/ControllerSteps.h"
#include "site/RowPreview.h"

namespace operations {
class Session;
}

namespace site {

using Sightings = std::vector<components::Sighting>;

struct SiteSetup {
    std::string machineDir;   // resolved: backups go there
    secure::Secret password;  // the site's network password; empty: none
    // What the check's search heard: the rows reach their controllers from it, and nobody
    // searches the network again. Null: each row searches for its own.
    std::shared_ptr<const Sightings> sightings;
    // What every row compares its controller's checksum with.
    std::shared_ptr<operations::ImageChecksums> checksums =
        std::make_shared<operations::ImageChecksums>();
    // Whether the rows' images may travel compressed; the window always lets them.
    transfer::Compression compression = transfer::Compression::Auto;
};

// The plan's check on a session of its own, reaching the network as the run will, with the
// same password; what the program's message boxes say goes to `said`. What its search heard
// goes to `heard`, for the run's setup; what the run will do to each row to `previews`.
std::vector<PlanProblem> checkSitePlan(const SiteSetup& setup, const Plan& plan, std::ostream& said,
                                       Sightings* heard = nullptr);
// The same, with what the run will do to each row's controller.
PlanCheckResult checkSitePlanAndPreview(const SiteSetup& setup, const Plan& plan,
                                        std::ostream& said, Sightings* heard = nullptr);

class SiteSteps final : public ControllerSteps {
  public:
    SiteSteps(const SiteSetup& setup, const PlanRow& row, RowContext& context);
    ~SiteSteps() override;

    bool connect(ControllerReport& report) override;
    bool backup(ControllerReport& report) override;
    bool upgradeOs(ControllerReport& report) override;
    bool load(ControllerReport& report) override;
    bool verify(ControllerReport& report) override;
    bool changeAddress(ControllerReport& report) override;
    bool loadSettings(ControllerReport& report) override;

  private:
    class Forms;
    // Passes on the lines the program's message boxes wrote since the last call.
    void tell();
    bool fail(const std::string& text);
    // The folder of the row's backups: its serial number, or its address on a bus.
    std::string backupName(const ControllerReport& report);
    // The site's password for this row's controller: none for a station of a bus (it has its
    // own link) and none for an open controller, which could not run a sealed link.
    std::optional<secure::Secret> passwordForRow();

    const SiteSetup& setup_;
    PlanRow row_;
    RowContext& context_;
    std::ostringstream said_;
    size_t told_ = 0;
    std::unique_ptr<Forms> forms_;
    std::unique_ptr<operations::Session> session_;
};

}  // namespace site
