#pragma once
// The two checks run before talking to a controller.
#include <cstdint>

namespace program {
struct Program;
}

namespace clink {

// Reads QSystem.PLA and QSystem.ELA of the directly connected controller (255:30). Both reads
// are always made; a failed one leaves 0 in its variable. True only when both succeed.
bool ReadControllerAddress(program::Program& program, int16_t& pla, int16_t& ela);

// ControllerOsKind becomes "C" when the controller at pla:ela answers the KVXreal C text
// probe, otherwise empty.
void DetectControllerOsKind(program::Program& program, int16_t pla, int16_t ela);

}  // namespace clink
