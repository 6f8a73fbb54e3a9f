#pragma once
// The TCP/IP settings of a controller: read into the record, write a KVXreal C controller's
// variables from it, and the set-up command that makes the port take them.
#include <cstdint>
#include <string>
#include <vector>

namespace program {
struct Program;
}

namespace network {

void ReadControllerTcpIpSettings(program::Program& program, int16_t pla, int16_t ela, int16_t index);
// The KVXreal C settings beyond discovery (e-mail, main computer, HTTP, BACnet) from the
// controller at pla:ela; each is known only when its read succeeded.
void ReadKvxrealCSettings(program::Program& program, int16_t pla, int16_t ela);
// Writes what is known of the record; the names of the settings the controller did not take.
std::vector<std::string> WriteControllerTcpIpSettings(program::Program& program);
bool SetupControllerTcpIp(program::Program& program);

}  // namespace network
