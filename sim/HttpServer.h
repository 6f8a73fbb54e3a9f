#pragma once
// The web server of one KVXreal C controller on loopback: one request per connection, answered
// from the controller's state (sim/WebSite.h), then closed.
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <functional>
#include <string>

#include "sim/ControllerState.h"

namespace sim {

class HttpServer {
  public:
    using StateOf = std::function<const ControllerState*()>;  // null while the controller is away

    HttpServer(asio::io_context& io, StateOf state);
    ~HttpServer() { close(); }

    // Listens on `host`:`port` (0: chosen by the system); false with `error` when it cannot.
    bool open(const std::string& host, uint16_t port, std::string& error);
    void close();
    const asio::ip::tcp::endpoint& bound() const { return bound_; }

  private:
    void accept();

    asio::io_context& io_;
    StateOf state_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer retry_;
    asio::ip::tcp::endpoint bound_;
};

}  // namespace sim
