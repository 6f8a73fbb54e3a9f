#include "sim/DemoMachine.h"

#include <string>

namespace simtest {

bool pointDemoDiscoveryAt(const testsupport::TempFolder& temp, const SimProcess& sim) {
    const std::string file = "demo/machine/Kvxmatic.Ini";
    std::string ini = temp.read(file);
    const auto at = ini.find("DiscoveryPort=");
    if (at == std::string::npos) return false;
    ini.replace(
        at, ini.find('\n', at) - at,
        "DiscoveryPort=" + std::to_string(splitHostPort(sim.udp()).port) + "\nDiscoveryWaitMs=400");
    temp.write(file, ini);
    return true;
}

bool setDemoBaud(const testsupport::TempFolder& temp, int baud) {
    const std::string file = "demo/machine/Kvxmatic.Ini";
    std::string ini = temp.read(file);
    const auto at = ini.find("\nBaud=");
    if (at == std::string::npos) return false;
    ini.replace(at + 1, ini.find('\n', at + 1) - at - 1, "Baud=" + std::to_string(baud));
    temp.write(file, ini);
    return true;
}

}  // namespace simtest
