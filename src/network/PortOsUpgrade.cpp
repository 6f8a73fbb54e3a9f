#include "network/PortOsUpgrade.h"

#include "app/Program.h"
#include "catalogue/Messages.h"

namespace network {

void UpgradeTcpIpPortOs(app::Program& program, const std::string& serial) {
    // Filled in by the Port OS transfer work.
    catalogue::ShowErrorMessage(program.platform.glib,
                                "The TCP/IP Port OS upgrade of " + serial + " is not available yet.");
}

}  // namespace network
