#pragma once
// UDP discovery: every TCP controller answers a Discover request with its identity, one
// datagram each, to the sender. A controller that listens on an address of its own (127.0.0.x
// on loopback) answers from that address and only requests that reach it: sent to it, to the
// limited broadcast, or to the broadcast of its subnet (its SubnetMask applied to that address). Loss, delay and
// repetition of datagrams follow the simulator's discovery fault settings.
#include <asio/ip/udp.hpp>
#include <asio/steady_timer.hpp>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sim/Controller.h"
#include "sim/NetworkConfig.h"

namespace sim {

struct DiscoverySubject {
    Controller* controller;
    std::function<uint16_t()> tcpPort;  // where its link listens now
    std::function<bool()> present;      // false while it is away (cold start)
};

// True when a request sent to `destination` reaches a controller at `reach` (unspecified: it
// hears everything) in a subnet of `mask` (unspecified: 255.255.255.0): the limited broadcast,
// its own address, its subnet's broadcast, and on loopback also 127.255.255.255.
bool discoveryReaches(const asio::ip::address_v4& destination, const asio::ip::address_v4& reach,
                      const asio::ip::address_v4& mask);

class Discovery {
  public:
    Discovery(asio::io_context& io, std::vector<DiscoverySubject> subjects, DiscoveryFaults faults);
    bool open(const Endpoint& where, std::string& error);
    const asio::ip::udp::endpoint& bound() const { return bound_; }
    void close();
    // The searches heard so far: a search sends its request in several rounds under one
    // sequence number, so each sender's sequence counts once.
    std::size_t searches() const { return searches_.size(); }

  private:
    struct Voice {
        DiscoverySubject subject;
        asio::ip::address_v4 reach;                   // unspecified: the shared socket
        asio::ip::address_v4 mask;
        std::unique_ptr<asio::ip::udp::socket> from;  // bound to `reach` when it has one
    };
    void receive();
    void answer(std::size_t size, const asio::ip::address_v4& destination);
    bool lost();
    void send(Voice& voice, std::shared_ptr<std::vector<uint8_t>> bytes,
              asio::ip::udp::endpoint to);

    asio::io_context& io_;
    asio::ip::udp::socket socket_;
    asio::ip::udp::endpoint bound_;
    asio::ip::udp::endpoint sender_;
    std::vector<uint8_t> buffer_;
    std::vector<Voice> voices_;
    DiscoveryFaults faults_;
    std::mt19937 random_;
    std::list<asio::steady_timer> delayed_;
    std::set<std::pair<std::string, uint16_t>> searches_;
};

}  // namespace sim
