#pragma once
// The serial devices of the machine that a link can use: ports (ttyS, ttyUSB, ttyACM),
// pseudo-terminals, and links in the machine folder that lead to a character device (the
// simulator's serial bus, say).
#include <string>
#include <vector>

namespace linktool {

// `devices` is /dev but for tests. Sorted by name, numbers in numeric order.
std::vector<std::string> listSerialDevices(const std::string& machineDir,
                                           const std::string& devices = "/dev");

}  // namespace linktool
