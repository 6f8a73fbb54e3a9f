#pragma once
// The one QApplication the GUI tests share (ctest runs them on the offscreen platform).
#include <QApplication>

namespace guitest {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

}  // namespace guitest
