#pragma once
// The one QApplication the GUI tests share, on the offscreen platform unless the environment
// names another (QT_QPA_PLATFORM=xcb shows the windows while debugging).
#include <QApplication>

namespace guitest {

inline QApplication& qtApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own statics (QTest's pointing device) may already be gone.
    static auto* application = new QApplication(argc, argv);
    return *application;
}

}  // namespace guitest
