#include "link/VarName.h"

#include "program/Program.h"
#include "catalogue/Paths.h"
#include "platform/text/Text.h"

namespace clink {

std::string CurrentModuleName(program::Program& program) {
    return catalogue::LastPathName(program.platform.glib,
                                   program.catalogue.SelectedModuleDirectory);
}

bool ResolveVarName(program::Program& program, const std::string& name, ResolvedVar& var) {
    const std::string qualified = CurrentModuleName(program) + "." + name;
    int32_t ignored1 = 0;
    int32_t ignored2 = 0;
    int32_t extra = 0;
    return program.platform.nam.LookupName(program.catalogue.ProjectNameHandle,
                                           text::toWide(qualified), ignored1, ignored2, var.file,
                                           var.index, var.type, var.kind, 0, extra) != 0;
}

}  // namespace clink
