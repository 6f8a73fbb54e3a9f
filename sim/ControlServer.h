#pragma once
// The control socket: a Unix stream socket taking one text command per line and answering
// each with one line ("ok" or "error <why>").
#include <asio/local/stream_protocol.hpp>
#include <asio/steady_timer.hpp>
#include <functional>
#include <memory>
#include <string>

namespace sim {

class ControlServer {
  public:
    // `command` runs one line and returns the answer; `quit` is set when the line asks the
    // simulator to stop (after the answer is sent).
    using Command = std::function<std::string(const std::string& line, bool& quit)>;

    ControlServer(asio::io_context& io, Command command, std::function<void()> quit);
    ~ControlServer();
    bool open(const std::string& path, std::string& error);
    void close();

  private:
    void accept();

    Command command_;
    std::function<void()> quit_;
    asio::local::stream_protocol::acceptor acceptor_;
    asio::steady_timer retry_;
    std::string path_;
};

}  // namespace sim
