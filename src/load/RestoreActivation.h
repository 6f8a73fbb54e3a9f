#pragma once
// Puts back the program that ran before a load or an upgrade stopped it.
#include <cstdint>
#include <string>

namespace program {
struct Program;
}

namespace load {

// Activates `partition` with `subApplication` again and reads QSystem.ActivePartition back;
// true only when the controller then names that partition. A controller that answers Busy
// (it is still dropping a transfer) or not at all is asked again a few times, a second apart.
bool RestoreActivation(program::Program& program, int16_t pla, int16_t ela, int16_t partition,
                       int16_t subApplication);

// What to tell the user when no program could be activated after a load or an upgrade.
std::string NotRunningText(int16_t partition);

// After a load that did not take: `partition` was read back as the running one.
std::string KeptProgramText(int16_t partition);
// After a load that did not take and never stopped `partition`: the controller did not answer
// (`read` false) or named `reported` as running instead.
std::string UnconfirmedProgramText(int16_t partition, bool read, int32_t reported);

}  // namespace load
