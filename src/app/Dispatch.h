#pragma once
// Every handler call from a front end goes through here: whatever a handler throws is shown
// as an error message, and the window stays usable.
#include <functional>

namespace program {
struct Program;
}

namespace app {

// Runs `handler`; returns false when it threw (the user has been told).
bool Dispatch(program::Program& program, const std::function<void()>& handler);

}  // namespace app
