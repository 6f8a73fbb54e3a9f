#include "sim/SimClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/wire/FrameCodec.h"
#include "platform/wire/SerialFraming.h"
#include "platform/wire/TcpFraming.h"
#include "sim/SimProcess.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, msLeft(deadline));
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            if (!waitFor(fd, POLLOUT, Clock::now() + 2s)) return false;
            continue;
        }
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

sockaddr_in parseHostPort(const std::string& hostPort) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    const Endpoint endpoint = splitHostPort(hostPort);
    ::inet_pton(AF_INET, endpoint.host.c_str(), &a.sin_addr);
    a.sin_port = htons(endpoint.port);
    return a;
}

}  // namespace

Fd::~Fd() {
    if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

std::optional<Fd> connectTcp(const std::string& hostPort, Ms timeout, const std::string& from) {
    const sockaddr_in a = parseHostPort(hostPort);
    Fd s(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!s.ok()) return std::nullopt;
    if (!from.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, from.c_str(), &local.sin_addr) != 1 ||
            ::bind(s.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            return std::nullopt;
    }
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        if (errno != EINPROGRESS) return std::nullopt;
        if (!waitFor(s.get(), POLLOUT, Clock::now() + timeout)) return std::nullopt;
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &error, &len);
        if (error != 0) return std::nullopt;
    }
    return s;
}

bool TcpClient::sendRaw(const std::vector<uint8_t>& bytes) {
    return writeAll(socket_.get(), bytes);
}

std::optional<wire::Frame> TcpClient::exchange(const wire::Frame& request, Ms timeout) {
    auto bytes = wire::encodeTcpFrame(request);
    if (!bytes || !writeAll(socket_.get(), *bytes)) return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    wire::TcpFrameDecoder decoder;
    decoder.feed(pending_);
    pending_.clear();
    for (;;) {
        while (auto next = decoder.next()) {
            if (*next && next->value().reply && wire::answers(next->value(), request))
                return next->value();
            if (decoder.broken()) return std::nullopt;
        }
        if (!waitFor(socket_.get(), POLLIN, deadline)) return std::nullopt;
        uint8_t buffer[4096];
        const ssize_t n = ::read(socket_.get(), buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return std::nullopt;
        decoder.feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
    }
}

bool TcpClient::closedWithin(Ms timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (!waitFor(socket_.get(), POLLIN, deadline)) return false;
        uint8_t buffer[256];
        const ssize_t n = ::read(socket_.get(), buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return true;
    }
}

std::optional<HttpReply> httpGet(const std::string& hostPort, const std::string& path, Ms timeout) {
    auto socket = connectTcp(hostPort, timeout);
    if (!socket) return std::nullopt;
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + hostPort + "\r\n\r\n";
    if (!writeAll(socket->get(), std::vector<uint8_t>(request.begin(), request.end())))
        return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    std::string response;
    for (;;) {
        if (!waitFor(socket->get(), POLLIN, deadline)) return std::nullopt;
        char buffer[4096];
        const ssize_t n = ::read(socket->get(), buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) break;
        response.append(buffer, static_cast<std::size_t>(n));
    }
    const auto headEnd = response.find("\r\n\r\n");
    if (response.rfind("HTTP/1.", 0) != 0 || headEnd == std::string::npos) return std::nullopt;
    HttpReply reply;
    reply.status = std::atoi(response.c_str() + response.find(' ') + 1);
    reply.body = response.substr(headEnd + 4);
    return reply;
}

SerialClient::SerialClient(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    if (!fd_.ok()) return;
    termios tio{};
    ::tcgetattr(fd_.get(), &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(fd_.get(), TCSANOW, &tio);
}

std::optional<wire::Frame> SerialClient::exchange(const wire::Frame& request, Ms timeout) {
    auto bytes = wire::encodeSerialFrame(request);
    if (!bytes || !writeAll(fd_.get(), *bytes)) return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    wire::SerialDeframer deframer;
    for (;;) {
        while (auto next = deframer.next()) {
            if (*next && next->value().reply && wire::answers(next->value(), request))
                return next->value();
        }
        if (!waitFor(fd_.get(), POLLIN, deadline)) return std::nullopt;
        uint8_t buffer[4096];
        const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) return std::nullopt;
        deframer.feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
    }
}

std::vector<wire::Frame> discover(const std::string& hostPort, const std::string& serialFilter,
                                  Ms wait) {
    std::vector<wire::Frame> replies;
    Fd s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    auto frame =
        wire::makeRequestFrame(wire::kDirectAddress, 9, wire::DiscoveryRequest{serialFilter});
    auto bytes = wire::encodeFrame(*frame);
    const sockaddr_in to = parseHostPort(hostPort);
    if (::sendto(s.get(), bytes->data(), bytes->size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) < 0)
        return replies;
    const auto deadline = Clock::now() + wait;
    while (waitFor(s.get(), POLLIN, deadline)) {
        uint8_t buffer[2048];
        const ssize_t n = ::recv(s.get(), buffer, sizeof buffer, 0);
        if (n <= 0) break;
        auto reply =
            wire::decodeFrame(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
        if (reply) replies.push_back(*reply);
    }
    return replies;
}

std::string control(const std::string& socketPath, const std::string& line, Ms timeout) {
    Fd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, socketPath.c_str(), sizeof a.sun_path - 1);
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return "";
    const std::string text = line + "\n";
    if (!writeAll(s.get(), std::vector<uint8_t>(text.begin(), text.end()))) return "";
    const auto deadline = Clock::now() + timeout;
    std::string answer;
    while (answer.find('\n') == std::string::npos && waitFor(s.get(), POLLIN, deadline)) {
        char buffer[256];
        const ssize_t n = ::read(s.get(), buffer, sizeof buffer);
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    if (auto nl = answer.find('\n'); nl != std::string::npos) answer.resize(nl);
    return answer;
}

wire::Frame request(wire::Address to, const wire::Request& r, uint16_t sequence) {
    return *wire::makeRequestFrame(to, sequence, r);
}

wire::Frame readVar(wire::Address to, uint8_t kind, wire::VarType type, uint16_t file,
                    int32_t index) {
    return request(to, wire::ReadRequest{{kind, type, file, index}});
}

wire::Frame writeVar(wire::Address to, uint8_t kind, uint16_t file, int32_t index,
                     const wire::Value& value) {
    return request(to, wire::WriteRequest{{kind, value.type, file, index}, value});
}

wire::Frame telegram(wire::Address to, std::vector<uint8_t> bytes, uint8_t option) {
    return request(to, wire::TelegramRequest{option, std::move(bytes)});
}

}  // namespace simtest
