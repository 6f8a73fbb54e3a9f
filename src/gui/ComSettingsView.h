#pragma once
// The view of the "Communication Settings" dialog.
#include "gui/QtFormHost.h"

namespace gui {

void comSettingsView(FormDialog& dialog, ui::Form& form);

}  // namespace gui
