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

// Said before a controller's first network password is sent in clear, as it must be: it
// shares no secret with anyone yet.
inline constexpr const char* kFirstPassword =
    "This controller has no network password yet: the first one travels unencrypted over the "
    "network. Give it on a network you trust.";
inline constexpr const char* kFirstPasswordSerial =
    "The network password travels unencrypted over the serial line: a controller takes it this "
    "way only when it has none yet. Give it on a line you trust.";

void ReadControllerTcpIpSettings(program::Program& program, int16_t pla, int16_t ela,
                                 int16_t index);
// The KVXreal C settings beyond discovery (e-mail, main computer, HTTP, BACnet) from the
// controller at pla:ela; each is known only when its read succeeded.
void ReadKvxrealCSettings(program::Program& program, int16_t pla, int16_t ela);
// Writes what is known of the record; the names of the settings the controller did not take.
std::vector<std::string> WriteControllerTcpIpSettings(program::Program& program);
bool SetupControllerTcpIp(program::Program& program);

}  // namespace network
