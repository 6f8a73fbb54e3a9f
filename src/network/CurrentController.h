#pragma once
// The controller chosen from the TCP/IP network: what the main window shows of it.
#include <string>

namespace network {

struct CurrentController {
    std::string CurrentName;
    std::string CurrentSN;
    std::string CurrentDesc;
};

}  // namespace network
