#pragma once
// A TCP controller's listening socket and its connections. Anyone on the network may connect,
// so every connection is bounded: a limit on how many are open at once (in all, and fewer from
// any one source, so that one host cannot shut the others out), a time-out while a
// handshake is under way and another while idle, and a client that does not read its
// replies is not read from either until they are out.
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/wire/TcpFraming.h"
#include "sim/NetworkConfig.h"
#include "sim/PacedOutput.h"
#include "sim/Router.h"
#include "sim/SecureSession.h"

namespace sim {

// How long a connection may stay silent: mid-handshake (between hello and proof), and idle.
struct SessionLimits {
    std::chrono::milliseconds handshake{std::chrono::seconds(10)};
    std::chrono::milliseconds idle{std::chrono::minutes(5)};
};

class TcpSession : public std::enable_shared_from_this<TcpSession> {
  public:
    TcpSession(asio::io_context& io, asio::ip::tcp::socket socket, Controller& controller,
               Router& router, uint64_t id, SessionLimits limits);
    void start();
    uint64_t id() const { return id_; }
    // Where it comes from, as the connection limits count it: an IPv4 address, an IPv6 /64.
    const std::string& source() const { return source_; }
    // False once closed here or by the peer (even if its end has not been read yet).
    bool stillOpen() const;
    // Closes once the replies already queued are out.
    void closeWhenDrained();
    void close();

  private:
    void read();
    // Reads on once the replies queued for this client are few enough.
    void readWhenRelieved();
    void received(std::size_t count);
    // Closes the connection when nothing arrives for a while (shorter mid-handshake).
    void watch();
    // Answers every whole frame decoded so far; false when the session closed meanwhile.
    bool drain();
    void answer(const wire::Frame& frame);
    void push(const wire::Frame& reply, std::chrono::steady_clock::time_point due);

    asio::io_context& io_;
    asio::ip::tcp::socket socket_;
    Controller& controller_;
    Router& router_;
    std::string source_;
    wire::TcpFrameDecoder decoder_;
    std::vector<uint8_t> buffer_;
    std::shared_ptr<PacedOutput> output_;
    SecureSession secure_;
    asio::steady_timer quiet_;
    uint64_t id_;
    SessionLimits limits_;
    bool closed_ = false;
};

class TcpEndpoint {
  public:
    TcpEndpoint(asio::io_context& io, Controller& controller, Router& router,
                SessionLimits limits = {});
    ~TcpEndpoint();
    TcpEndpoint(const TcpEndpoint&) = delete;
    TcpEndpoint& operator=(const TcpEndpoint&) = delete;

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
    std::size_t openSessions();
    // Of those still open (after openSessions()), how many come from `source`.
    std::size_t sessionsFrom(const std::string& source) const;

    asio::io_context& io_;
    Controller& controller_;
    Router& router_;
    SessionLimits limits_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer retry_;  // after a failed accept (out of descriptors, say)
    asio::ip::tcp::endpoint bound_;
    std::vector<std::weak_ptr<TcpSession>> sessions_;
    uint64_t nextSession_ = 1;
};

}  // namespace sim
