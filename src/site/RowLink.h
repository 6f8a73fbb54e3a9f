#pragma once
// The link a plan row names by its text ("tcp:HOST:PORT", "serial:PATH"), opened through the
// platform's named links.
#include <cstdint>
#include <string>

namespace app {
struct Program;
}

namespace site {

// The handle, or 0 with `why`; a platform without named links says so in `why`.
int32_t openRowLink(app::Program& program, const std::string& link, std::string& why);
void closeRowLink(app::Program& program, int32_t handle);

}  // namespace site
