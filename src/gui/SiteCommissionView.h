#pragma once
// The view of the "Commission several controllers" dialog.
#include "gui/QtFormHost.h"

namespace gui {

void siteCommissionView(FormDialog& dialog, ui::Form& form);

}  // namespace gui
