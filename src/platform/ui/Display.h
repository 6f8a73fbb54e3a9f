#pragma once
// Whether a window can be shown at all: Qt aborts with a long text when it finds no display,
// so the programs with windows ask first and say it in one line.
#include <cstdlib>

namespace ui {

inline bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace ui
