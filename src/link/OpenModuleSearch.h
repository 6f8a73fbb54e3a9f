#pragma once
// Opening the module search from the communication settings: the dialog is made for one use,
// shown modally over the main window and unloaded.
namespace program {
struct Program;
}

namespace clink {  // "link" would clash with the POSIX function

void OpenModuleSearch(program::Program& program);

}  // namespace clink
