#include "program/LoadState.h"

#include "program/Program.h"

namespace load {

ui::FormHost& FormsOf(program::Program& program) {
    return program.load.forms != nullptr ? *program.load.forms : program.load.noForms;
}

}  // namespace load
