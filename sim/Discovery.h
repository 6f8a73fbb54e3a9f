#pragma once
// UDP discovery: every TCP controller answers a Discover request with its identity, one
// datagram each, to the sender.
#include <asio/ip/udp.hpp>
#include <functional>
#include <string>
#include <vector>

#include "sim/Controller.h"
#include "sim/NetworkConfig.h"

namespace sim {

struct DiscoverySubject {
    Controller* controller;
    std::function<uint16_t()> tcpPort;  // where its link listens now
    std::function<bool()> present;      // false while it is away (cold start)
};

class Discovery {
  public:
    Discovery(asio::io_context& io, std::vector<DiscoverySubject> subjects);
    bool open(const Endpoint& where, std::string& error);
    const asio::ip::udp::endpoint& bound() const { return bound_; }
    void close();

  private:
    void receive();
    void answer(std::size_t size);

    asio::ip::udp::socket socket_;
    asio::ip::udp::endpoint bound_;
    asio::ip::udp::endpoint sender_;
    std::vector<uint8_t> buffer_;
    std::vector<DiscoverySubject> subjects_;
};

}  // namespace sim
