#pragma once
// A tiny blocking client for kvxsim with a time-out on every step: TCP, the serial pty, UDP and
// the control socket.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wire/Frame.h"
#include "platform/wire/Request.h"

namespace simtest {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

  private:
    int fd_;
};

// "127.0.0.1:4100" -> connected socket, or nothing (refused, time-out). `from` binds the
// socket to that local IPv4 address first (any loopback address, 127.0.0.2 say).
std::optional<Fd> connectTcp(const std::string& hostPort, Ms timeout = 2000ms,
                             const std::string& from = {});

class TcpClient {
  public:
    explicit TcpClient(Fd socket) : socket_(std::move(socket)) {}
    // Sends the request and waits for its reply (frames answering something else are
    // dropped). Nothing on time-out or when the connection closes.
    std::optional<wire::Frame> exchange(const wire::Frame& request, Ms timeout = 2000ms);
    bool sendRaw(const std::vector<uint8_t>& bytes);
    // True when the peer closed the connection within the time-out.
    bool closedWithin(Ms timeout);

  private:
    Fd socket_;
    std::vector<uint8_t> pending_;
};

class SerialClient {
  public:
    explicit SerialClient(const std::string& path);
    bool ok() const { return fd_.ok(); }
    std::optional<wire::Frame> exchange(const wire::Frame& request, Ms timeout = 1000ms);

  private:
    Fd fd_;
};

// One discovery round over UDP: every reply datagram that comes within `wait`.
std::vector<wire::Frame> discover(const std::string& hostPort, const std::string& serialFilter,
                                  Ms wait = 500ms);

// One HTTP/1.0 request; the status and the body, or nothing (refused, time-out, no status).
struct HttpReply {
    int status = 0;
    std::string body;
};
std::optional<HttpReply> httpGet(const std::string& hostPort, const std::string& path,
                                 Ms timeout = 2000ms);

// Sends one control line and returns the answer line.
std::string control(const std::string& socketPath, const std::string& line, Ms timeout = 2000ms);

// Request builders.
wire::Frame request(wire::Address to, const wire::Request& r, uint16_t sequence = 1);
wire::Frame readVar(wire::Address to, uint8_t kind, wire::VarType type, uint16_t file,
                    int32_t index);
wire::Frame writeVar(wire::Address to, uint8_t kind, uint16_t file, int32_t index,
                     const wire::Value& value);
wire::Frame telegram(wire::Address to, std::vector<uint8_t> bytes, uint8_t option = 0);

}  // namespace simtest
