#pragma once
// The TCP/IP controller lookup: the finder's life, finding a controller by serial number,
// marking the current one, automatic detection of a single controller and locating the address
// of the connected controller.
#include <cstdint>
#include <string>

namespace components {
class ControllerFinder;
}
namespace app {
struct Program;
}

namespace network {

void ResetTcpIpState(app::Program& program);
// The finder, created (with the TCP/IP state reset) when there is none. Throws
// std::runtime_error when the platform offers no finders.
components::ControllerFinder& CreateFinder(app::Program& program);
void ReleaseFinder(app::Program& program);
// A new finder keeping `Active`, cleared criteria, the current password, searched.
void RenewFinder(app::Program& program);

// `serial` is taken by value: callers pass the program's own `CurrentSN`, which creating the
// finder empties.
int16_t FindControllerBySerial(app::Program& program, std::string serial, bool forceSearch);
void SelectCurrentController(app::Program& program, std::string serial);
bool AutoDetectController(app::Program& program, bool& openSearch);
bool LocateControllerAddress(app::Program& program, int16_t& pla, int16_t& ela);

// `Connected` = true on the finder's controller `index`, `CurrentLink` from its handle. False,
// with `CurrentLink` left alone, when the link cannot be opened.
bool ConnectFoundController(app::Program& program, int16_t index);

}  // namespace network
