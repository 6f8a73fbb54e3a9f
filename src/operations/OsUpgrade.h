#pragma once
// Upgrading the connected controller's operating system to the one the selected revision
// ships, under the command lock, as "Load Controller" checks it first.
#include "load/OsUpgrade.h"

namespace app {
struct Program;
}

namespace operations {

load::OsCheck upgradeOs(app::Program& program);

}  // namespace operations
