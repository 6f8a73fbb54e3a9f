#include "gui/SiteCommission.h"

#include <filesystem>
#include <memory>
#include <sstream>

#include "cli/SiteSteps.h"

namespace gui {

site::CommissionServices realSiteServices(const std::string& machineDir) {
    // A load changes the process's current folder: the rows' sessions get the whole path.
    const std::string whole = std::filesystem::absolute(machineDir).lexically_normal().string();
    site::CommissionServices services;
    // Start checks, then runs: the rows reach their controllers from the check's one search.
    auto heard = std::make_shared<std::shared_ptr<const cli::Sightings>>();
    services.check = [whole, heard](const site::Plan& plan, const secure::Secret& password) {
        // What the check's own session says is in the problems it returns.
        std::ostringstream said;
        auto sightings = std::make_shared<cli::Sightings>();
        auto problems = cli::checkSitePlan({whole, password, nullptr}, plan, said, sightings.get());
        *heard = sightings;
        return problems;
    };
    services.steps = [whole, heard](const secure::Secret& password) -> site::StepsFactory {
        auto setup =
            std::make_shared<const cli::SiteSetup>(cli::SiteSetup{whole, password, *heard});
        return [setup](const site::PlanRow& row, site::RowContext& context) {
            return std::make_unique<cli::SiteSteps>(*setup, row, context);
        };
    };
    return services;
}

void commissionSite(app::Program& program, ui::FormHost& forms, const std::string& machineDir) {
    site::FormSiteCommission form(program, realSiteServices(machineDir));
    form.ShowDlg(forms);
}

}  // namespace gui
