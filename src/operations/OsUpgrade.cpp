#include "operations/OsUpgrade.h"

#include "app/Program.h"
#include "load/CommandLock.h"
#include "load/LoadController.h"
#include "operations/Selection.h"

namespace operations {

load::OsCheck upgradeOs(app::Program& program) {
    load::CommandLock lock(program, load::Unlock::FromProgramOptions);
    return load::CheckOsRevision(
        program, load::ProgramDirectory(program, selectedRevision(program).Directory));
}

}  // namespace operations
