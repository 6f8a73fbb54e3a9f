#pragma once
// The "Commission several controllers" dialog on the real platform: the plan's check and each
// row's steps are the site's own on the program's operations, on sessions of their own.
#include <string>

#include "platform/ui/FormHost.h"
#include "site/FormSiteCommission.h"

namespace gui {

site::CommissionServices realSiteServices(const std::string& machineDir);

// Shows the dialog modally over the window.
void commissionSite(app::Program& program, ui::FormHost& forms, const std::string& machineDir);

}  // namespace gui
