#include "sim/ControlServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <cerrno>
#include <istream>

#include "sim/Listener.h"

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
    : command_(std::move(command)), quit_(std::move(quit)), acceptor_(io), retry_(io) {}

ControlServer::~ControlServer() { close(); }

bool ControlServer::open(const std::string& path, std::string& error) {
    struct stat found {};
    if (::lstat(path.c_str(), &found) == 0) {
        // A socket left by an earlier run goes; anything else at that path is not ours.
        if (!S_ISSOCK(found.st_mode)) {
            error = "cannot listen on " + path + ": it exists and is no socket";
            return false;
        }
        ::unlink(path.c_str());
    }
    asio::error_code ec;
    const asio::local::stream_protocol::endpoint where(path);
    acceptor_.open(where.protocol(), ec);
    if (!ec) acceptor_.bind(where, ec);
    // The socket steers every controller (faults, state): its owner's alone. Nobody can
    // connect before listen, so the mode is set in time.
    if (!ec && ::chmod(path.c_str(), 0600) != 0)
        ec = asio::error_code(errno, asio::system_category());
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
    keepAccepting(acceptor_, retry_, [this](asio::local::stream_protocol::socket s) {
        std::make_shared<ControlSession>(std::move(s), command_, quit_)->read();
    });
}

void ControlServer::close() {
    asio::error_code ignored;
    retry_.cancel();
    if (acceptor_.is_open()) acceptor_.close(ignored);
    struct stat found {};
    if (!path_.empty() && ::lstat(path_.c_str(), &found) == 0 && S_ISSOCK(found.st_mode))
        ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace sim
