#pragma once
// The whole program: the context together with the main window that drives it.
#include "app/FormMain.h"
#include "program/Program.h"

namespace app {

struct Program : program::Program {
    // The context keeps a reference to the window before the window is built; it uses it only
    // once the constructor has run.
    explicit Program(Platform& platformServices)
        : program::Program(platformServices, formMain), formMain(*this) {}

    FormMain formMain;
};

}  // namespace app
