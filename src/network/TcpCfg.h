#pragma once
// The TCP/IP settings record of the current controller.
#include <string>

namespace network {

struct TcpCfg {
    std::string IP;  // running IP address
};

}  // namespace network
