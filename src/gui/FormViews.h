#pragma once
// The views of the program's dialogs, by form name.
#include <map>
#include <string>

#include "gui/QtFormHost.h"

namespace gui {

std::map<std::string, QtFormHost::ViewMaker> FormViewMakers();

}  // namespace gui
