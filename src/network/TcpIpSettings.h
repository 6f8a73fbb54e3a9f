#pragma once
// The TCP/IP settings of a controller: read into the record, write a KVXreal C controller's
// variables from it, and the set-up command that makes the port take them.
#include <cstdint>

namespace program {
struct Program;
}

namespace network {

void ReadControllerTcpIpSettings(program::Program& program, int16_t pla, int16_t ela, int16_t index);
void WriteControllerTcpIpSettings(program::Program& program);
bool SetupControllerTcpIp(program::Program& program);

}  // namespace network
