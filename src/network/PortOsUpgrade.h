#pragma once
// The TCP/IP Port OS upgrade of a found controller: the upgrade file chosen by the port's type,
// the user's consent, the transfer and the search that proves the controller came back.
#include <string>

namespace program {
struct Program;
}

namespace network {

// True only when the controller was found again running the file's revision (and the user
// was told so); every other ending has shown its message.
bool UpgradeTcpIpPortOs(program::Program& program, const std::string& serial);

}  // namespace network
