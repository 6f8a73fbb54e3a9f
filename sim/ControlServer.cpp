#include "sim/ControlServer.h"

#include <unistd.h>

#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <istream>

namespace sim {
namespace {

constexpr std::size_t kMaxCommandLine = 4096;

class ControlSession : public std::enable_shared_from_this<ControlSession> {
  public:
    ControlSession(asio::local::stream_protocol::socket socket, ControlServer::Command& command,
                   std::function<void()>& quit)
        : socket_(std::move(socket)), buffer_(kMaxCommandLine), command_(command), quit_(quit) {}

    void read() {
        asio::async_read_until(
            socket_, buffer_, '\n',
            [self = shared_from_this()](const asio::error_code& ec, std::size_t) {
                if (ec) return;  // closed, or a line longer than we take
                std::istream in(&self->buffer_);
                std::string line;
                std::getline(in, line);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                bool quit = false;
                self->answer_ = self->command_(line, quit) + "\n";
                asio::async_write(self->socket_, asio::buffer(self->answer_),
                                  [self, quit](const asio::error_code& e, std::size_t) {
                                      if (quit) {
                                          self->quit_();
                                          return;
                                      }
                                      if (!e) self->read();
                                  });
            });
    }

  private:
    asio::local::stream_protocol::socket socket_;
    asio::streambuf buffer_;
    std::string answer_;
    ControlServer::Command& command_;
    std::function<void()>& quit_;
};

}  // namespace

ControlServer::ControlServer(asio::io_context& io, Command command, std::function<void()> quit)
    : io_(io), command_(std::move(command)), quit_(std::move(quit)), acceptor_(io) {}

ControlServer::~ControlServer() { close(); }

bool ControlServer::open(const std::string& path, std::string& error) {
    ::unlink(path.c_str());  // a socket left by an earlier run
    asio::error_code ec;
    const asio::local::stream_protocol::endpoint where(path);
    acceptor_.open(where.protocol(), ec);
    if (!ec) acceptor_.bind(where, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + path + ": " + ec.message();
        return false;
    }
    path_ = path;
    accept();
    return true;
}

void ControlServer::accept() {
    acceptor_.async_accept(
        [this](const asio::error_code& ec, asio::local::stream_protocol::socket s) {
            if (ec) return;
            std::make_shared<ControlSession>(std::move(s), command_, quit_)->read();
            accept();
        });
}

void ControlServer::close() {
    asio::error_code ignored;
    if (acceptor_.is_open()) acceptor_.close(ignored);
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace sim
