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
    services.check = [whole](const site::Plan& plan, const secure::Secret& password) {
        // What the check's own session says is in the problems it returns.
        std::ostringstream said;
        return cli::checkSitePlan({whole, password}, plan, said);
    };
    services.steps = [whole](const secure::Secret& password) -> site::StepsFactory {
        auto setup = std::make_shared<const cli::SiteSetup>(cli::SiteSetup{whole, password});
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
