#pragma once
// A tabbed control of a presentation-model form: its tab captions and the tab shown.
#include <string>
#include <vector>

#include "platform/ui/Controls.h"

namespace ui {

struct TabControl : Control {
    std::vector<std::string> tabs;
    int current = 0;  // 0-based
};

}  // namespace ui
