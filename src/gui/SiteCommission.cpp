#include "gui/SiteCommission.h"

#include <QCoreApplication>
#include <filesystem>
#include <memory>
#include <sstream>

#include "network/ControllerLookup.h"
#include "operations/Session.h"
#include "platform/kvxglib/MachineConfig.h"
#include "site/SiteSteps.h"

namespace gui {
namespace {

// The network search on a session of its own, as the network dialog searches: no password
// goes out, it is proved only to the controllers a run connects.
site::SearchOutcome searchNetwork(const std::string& machineDir) {
    std::ostringstream said;
    operations::Session session(machineDir, said);
    app::Program& program = session.program();
    network::RenewFinder(program);
    const components::ControllerFinder& finder = *program.comm.finder;
    site::SearchOutcome outcome;
    outcome.problem = finder.SearchProblem();
    for (int32_t i = 0; i < finder.Count(); ++i) {
        components::FoundController& c = program.comm.finder->Item(i);
        const std::string ip = c.IpAddress() == "0.0.0.0" ? "" : c.IpAddress() + ", ";
        outcome.found.push_back({c.SerialNumber(), c.Name(),
                                 ip + std::to_string(c.PLA()) + ":" + std::to_string(c.ELA()),
                                 c.ModelNumber()});
    }
    return outcome;
}

}  // namespace

site::CommissionServices realSiteServices(const std::string& machineDir) {
    // A load changes the process's current folder: the rows' sessions get the whole path.
    const std::string whole = std::filesystem::absolute(machineDir).lexically_normal().string();
    site::CommissionServices services;
    // Start checks, then runs: the rows reach their controllers from the check's one search.
    auto heard = std::make_shared<std::shared_ptr<const site::Sightings>>();
    services.check = [whole, heard](const site::Plan& plan, const secure::Secret& password) {
        // What the check's own session says is in the problems it returns.
        std::ostringstream said;
        auto sightings = std::make_shared<site::Sightings>();
        auto checked =
            site::checkSitePlanAndPreview({whole, password, nullptr}, plan, said, sightings.get());
        *heard = sightings;
        return checked;
    };
    services.steps = [whole, heard](const secure::Secret& password) -> site::StepsFactory {
        auto setup =
            std::make_shared<const site::SiteSetup>(site::SiteSetup{whole, password, *heard});
        return [setup](const site::PlanRow& row, site::RowContext& context) {
            return std::make_unique<site::SiteSteps>(*setup, row, context);
        };
    };
    services.search = [whole] { return searchNetwork(whole); };
    services.machineDir = whole;
    // A plan opened from the product or the program's own folder gets its report in the
    // machine folder.
    services.ownFolders = {kvxglib::MachineConfig(whole).productDir(),
                           QCoreApplication::applicationDirPath().toStdString()};
    return services;
}

void commissionSite(app::Program& program, ui::FormHost& forms, const std::string& machineDir) {
    site::FormSiteCommission form(program, realSiteServices(machineDir));
    form.ShowDlg(forms);
}

}  // namespace gui
