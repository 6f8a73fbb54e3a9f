#pragma once
// The operating-system version the connected controller runs, as the catalogue writes
// revisions ("3.1-0-12").
#include <string>

namespace app {
struct Program;
}

namespace operations {

// Empty when the controller does not tell it.
std::string readOsVersion(app::Program& program);

}  // namespace operations
