#pragma once
// The link-failure notice: the user hears once when by-name access through a Module object
// stops working after it worked.
#include <cstdint>

namespace program {
struct Program;
}

namespace clink {

// A success arms the notice; a failure while armed disarms it and, unless bit 31 of `flags`
// is set, shows text 831.
void NoticeLinkResult(program::Program& program, bool result, int32_t flags);

}  // namespace clink
