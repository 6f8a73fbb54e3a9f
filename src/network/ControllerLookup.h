#pragma once
// The TCP/IP controller lookup: the finder's life, finding a controller by serial number,
// marking the current one, automatic detection of a single controller and locating the address
// of the connected controller.
#include <cstdint>
#include <string>

namespace components {
class ControllerFinder;
}
namespace program {
struct Program;
}

namespace network {

void ResetTcpIpState(program::Program& program);
// The finder, created (with the TCP/IP state reset) when there is none. Throws
// std::runtime_error when the platform offers no finders.
components::ControllerFinder& CreateFinder(program::Program& program);
void ReleaseFinder(program::Program& program);
// A new finder keeping `Active`, cleared criteria, the current password, searched.
void RenewFinder(program::Program& program);

// `serial` is taken by value: callers pass the program's own `CurrentSN`, which creating the
// finder empties.
int16_t FindControllerBySerial(program::Program& program, std::string serial, bool forceSearch);
void SelectCurrentController(program::Program& program, std::string serial);
bool AutoDetectController(program::Program& program, bool& openSearch);
bool LocateControllerAddress(program::Program& program, int16_t& pla, int16_t& ela);
// Whether the controller on the current link answers at CurrentPLA:CurrentELA; when it does
// not, the address it answers at is located and kept. False when it answers nowhere.
bool EnsureCurrentAddress(program::Program& program);

// `Connected` = true on the finder's controller `index`, `CurrentLink` from its handle. False,
// with `CurrentLink` left alone, when the link cannot be opened.
bool ConnectFoundController(program::Program& program, int16_t index);

}  // namespace network
