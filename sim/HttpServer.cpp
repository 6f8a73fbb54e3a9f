#include "sim/HttpServer.h"

#include <asio/buffers_iterator.hpp>
#include <asio/read_until.hpp>
#include <asio/steady_timer.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <memory>

#include "sim/Listener.h"
#include "sim/WebSite.h"

namespace sim {
namespace {

constexpr std::size_t kMaxHead = 8192;
constexpr auto kRequestTimeLimit = std::chrono::seconds(10);

// One connection: read the head, answer, close. A client that sends nothing is cut off.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(asio::io_context& io, asio::ip::tcp::socket socket, HttpServer::StateOf state)
        : socket_(std::move(socket)), timer_(io), buffer_(kMaxHead), state_(std::move(state)) {}

    void start() {
        timer_.expires_after(kRequestTimeLimit);
        timer_.async_wait([self = shared_from_this()](const asio::error_code& ec) {
            if (!ec) self->stop();
        });
        asio::async_read_until(socket_, buffer_, "\r\n\r\n",
                               [self = shared_from_this()](const asio::error_code& ec,
                                                           std::size_t) { self->answer(ec); });
    }

  private:
    void answer(const asio::error_code& ec) {
        HttpAnswer reply;
        if (ec) {
            // The head did not end within its limit: refuse it rather than guess.
            if (ec != asio::error::not_found) return stop();
            reply.status = 400;
            reply.body = "Request head too large\n";
        }
        std::string head(asio::buffers_begin(buffer_.data()), asio::buffers_end(buffer_.data()));
        const bool headOnly = head.rfind("HEAD ", 0) == 0;
        if (!ec) {
            const ControllerState* state = state_();
            if (state == nullptr) {
                reply.status = 503;
                reply.body = "The controller is restarting\n";
            } else {
                reply = answerHttp(*state, head);
            }
        }
        response_ = httpResponse(reply, !headOnly);
        asio::async_write(
            socket_, asio::buffer(response_),
            [self = shared_from_this()](const asio::error_code&, std::size_t) { self->stop(); });
    }

    void stop() {
        asio::error_code ignored;
        timer_.cancel();
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
    }

    asio::ip::tcp::socket socket_;
    asio::steady_timer timer_;
    asio::streambuf buffer_;
    HttpServer::StateOf state_;
    std::string response_;
};

}  // namespace

HttpServer::HttpServer(asio::io_context& io, StateOf state)
    : io_(io), state_(std::move(state)), acceptor_(io), retry_(io) {}

bool HttpServer::open(const std::string& host, uint16_t port, std::string& error) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(host, ec);
    const asio::ip::tcp::endpoint where(address, port);
    if (!ec) acceptor_.open(where.protocol(), ec);
    if (!ec) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(where, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (!ec) bound_ = acceptor_.local_endpoint(ec);
    if (ec) {
        error = "web server cannot listen on " + host + ":" + std::to_string(port) + ": " +
                ec.message();
        asio::error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    accept();
    return true;
}

void HttpServer::close() {
    asio::error_code ignored;
    retry_.cancel();
    acceptor_.close(ignored);
}

void HttpServer::accept() {
    keepAccepting(acceptor_, retry_, [this](asio::ip::tcp::socket socket) {
        std::make_shared<HttpSession>(io_, std::move(socket), state_)->start();
    });
}

}  // namespace sim
