#pragma once
// Points the selected module's files at another controller address and reopens the naming
// project on them, so later by-name accesses reach that controller.
#include <cstdint>

namespace program {
struct Program;
}

namespace clink {

// True when the module files describe pla:ela afterwards (at once when the selected revision's
// files were last written with it). False, with a message, when the module name does not fit
// Modules.Dir (nothing is touched) or Modules.Dir cannot be written; false when Modules.Kvx
// refuses a key. A missing or unwritable Exists.Mod raises
// FileError. On any failure the three files stay as they were, the naming project stays
// closed and the next call tries again.
bool ChangeModuleAddress(program::Program& program, int16_t pla, int16_t ela);

}  // namespace clink
