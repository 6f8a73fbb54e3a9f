#include "app/Dispatch.h"

#include <exception>
#include <string>

#include "program/Program.h"
#include "catalogue/Messages.h"

namespace app {

bool Dispatch(program::Program& program, const std::function<void()>& handler) {
    std::string failure;
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "an unknown error";
    }
    try {
        catalogue::ShowErrorMessage(program.platform.glib, "The command failed: " + failure);
    } catch (...) {
        // Nothing more can be told when even the message box fails.
    }
    return false;
}

}  // namespace app
