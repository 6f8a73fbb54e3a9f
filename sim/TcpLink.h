#pragma once
// A TCP controller's listening socket and its connections.
#include <asio/ip/tcp.hpp>
#include <memory>
#include <string>
#include <vector>

#include "platform/wire/TcpFraming.h"
#include "sim/NetworkConfig.h"
#include "sim/PacedOutput.h"
#include "sim/Router.h"

namespace sim {

class TcpSession : public std::enable_shared_from_this<TcpSession> {
  public:
    TcpSession(asio::io_context& io, asio::ip::tcp::socket socket, Controller& controller,
               Router& router);
    void start();
    // Closes once the replies already queued are out.
    void closeWhenDrained();
    void close();

  private:
    void read();
    void received(std::size_t count);
    // Answers every whole frame decoded so far; false when the session closed meanwhile.
    bool drain();
    void answer(const wire::Frame& frame);

    asio::io_context& io_;
    asio::ip::tcp::socket socket_;
    Controller& controller_;
    Router& router_;
    wire::TcpFrameDecoder decoder_;
    std::vector<uint8_t> buffer_;
    std::shared_ptr<PacedOutput> output_;
    bool closed_ = false;
};

class TcpEndpoint {
  public:
    TcpEndpoint(asio::io_context& io, Controller& controller, Router& router);

    bool open(const Endpoint& where, std::string& error);
    const asio::ip::tcp::endpoint& bound() const { return bound_; }
    // Away for a cold start: no new connections (refused), the open ones closed once their
    // replies are out.
    void goDown();
    // Back on the same address and port.
    bool reopen(std::string& error);
    void close();

  private:
    bool listen(const asio::ip::tcp::endpoint& where, std::string& error);
    void accept();

    asio::io_context& io_;
    Controller& controller_;
    Router& router_;
    asio::ip::tcp::acceptor acceptor_;
    asio::ip::tcp::endpoint bound_;
    std::vector<std::weak_ptr<TcpSession>> sessions_;
};

}  // namespace sim
