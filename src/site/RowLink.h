#pragma once
// The link a plan row names by its text ("tcp:HOST:PORT", "serial:PATH"), opened on the
// program's own library as a command on the command line opens it.
#include <cstdint>
#include <string>

namespace app {
struct Program;
}

namespace site {

// The handle, or 0 with `why`; a platform that cannot open links by name (a test's fakes)
// says so in `why`.
int32_t openRowLink(app::Program& program, const std::string& link, std::string& why);
void closeRowLink(app::Program& program, int32_t handle);

}  // namespace site
