#pragma once
// The controller chosen from the TCP/IP network: what the main window shows of it. These are
// the current-controller fields that the TCP/IP settings record shares.
#include <string>

namespace network {

struct CurrentController {
    std::string CurrentName;
    std::string CurrentSN;
    std::string CurrentMAC;
    std::string CurrentDesc;
};

}  // namespace network
