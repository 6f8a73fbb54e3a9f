#pragma once
// The view of the module search dialog.
#include "gui/QtFormHost.h"

namespace gui {

void searchModulesView(FormDialog& dialog, ui::Form& form);

}  // namespace gui
