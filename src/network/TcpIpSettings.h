#pragma once
// The TCP/IP settings of a controller: read into the record, write a KVXreal C controller's
// variables from it, and the set-up command that makes the port take them.
#include <cstdint>

namespace app {
struct Program;
}

namespace network {

void ReadControllerTcpIpSettings(app::Program& program, int16_t pla, int16_t ela, int16_t index);
void WriteControllerTcpIpSettings(app::Program& program);
bool SetupControllerTcpIp(app::Program& program);

}  // namespace network
