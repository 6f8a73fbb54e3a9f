#include "load/LoadState.h"

#include "app/Program.h"

namespace load {

Controller& ControllerOf(app::Program& program) {
    if (!program.load.controller) program.load.controller = std::make_unique<LinkController>(program);
    return *program.load.controller;
}

ui::FormHost& FormsOf(app::Program& program) {
    return program.load.forms != nullptr ? *program.load.forms : program.load.noForms;
}

}  // namespace load
