#include "FakePeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "platform/wire/Request.h"
#include "platform/wire/SerialFraming.h"
#include "platform/wire/TcpFraming.h"

namespace commtest {

comm::LinkSettings quickSettings() {
    comm::LinkSettings s;
    s.tcpConnectTimeout = std::chrono::milliseconds(500);
    s.tcpTimeout = std::chrono::milliseconds(150);
    s.serialTimeout = std::chrono::milliseconds(100);
    s.baud = 115200;
    return s;
}

wire::Frame pollReply(const wire::Frame& request) {
    return wire::makeReplyFrame(request, wire::ReplyCode::Ok, 0, {1, 5});
}

PeerAction answerAll(const wire::Frame& request, int) {
    return PeerAction::reply(pollReply(request));
}

void FakePeer::setScript(PeerScript script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

std::vector<wire::Frame> FakePeer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

PeerAction FakePeer::onRequest(const wire::Frame& request) {
    std::lock_guard lock(mutex_);
    received_.push_back(request);
    return script_(request, requests_++);
}

namespace {

void writeAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// Waits until `fd` is readable or the stop pipe is; false when stopping.
bool waitReadable(int fd, int stopFd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) return false;
    return (fds[1].revents & POLLIN) == 0;
}

}  // namespace

TcpPeer::TcpPeer() {
    if (::pipe(stopPipe_) != 0) throw std::runtime_error("pipe");
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("cannot listen");
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
}

TcpPeer::~TcpPeer() {
    const char stop = 1;
    (void)!::write(stopPipe_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void TcpPeer::serve() {
    while (waitReadable(listener_, stopPipe_[0])) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++connections_;
        serveConnection(fd);
    }
}

void TcpPeer::waitForHangUps(int count) {
    std::unique_lock lock(hangUpMutex_);
    hungUp_.wait(lock, [&] { return hangUps_ >= count; });
}

// Closes `fd` before it returns.
void TcpPeer::serveConnection(int fd) {
    struct Closer {
        int& fd;
        ~Closer() {
            if (fd >= 0) ::close(fd);
        }
    } closer{fd};
    wire::TcpFrameDecoder decoder;
    uint8_t buffer[4096];
    while (waitReadable(fd, stopPipe_[0])) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return;
        decoder.feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
        while (auto next = decoder.next()) {
            if (!*next) continue;
            const PeerAction action = onRequest(next->value());
            if (action.kind == PeerAction::Kind::Close) return;
            writeAll(fd, action.rawBefore);
            for (const auto& frame : action.frames) writeAll(fd, *wire::encodeTcpFrame(frame));
            if (action.kind == PeerAction::Kind::ReplyThenClose) {
                ::close(fd);
                fd = -1;
                {
                    std::lock_guard lock(hangUpMutex_);
                    ++hangUps_;
                }
                hungUp_.notify_all();
                return;
            }
        }
    }
}

PtyPeer::PtyPeer() {
    if (::pipe(stopPipe_) != 0) throw std::runtime_error("pipe");
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("cannot open a pseudo-terminal");
    }
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
    path_ = name;
    thread_ = std::thread([this] { serve(); });
}

PtyPeer::~PtyPeer() {
    const char stop = 1;
    (void)!::write(stopPipe_[1], &stop, 1);
    thread_.join();
    ::close(master_);
    ::close(slave_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void PtyPeer::serve() {
    wire::SerialDeframer deframer;
    uint8_t buffer[4096];
    while (waitReadable(master_, stopPipe_[0])) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) continue;
        deframer.feed(std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
        while (auto next = deframer.next()) {
            if (!*next || next->value().reply) continue;
            const PeerAction action = onRequest(next->value());
            writeAll(master_, action.rawBefore);
            for (const auto& frame : action.frames) {
                writeAll(master_, *wire::encodeSerialFrame(frame));
            }
        }
    }
}

uint16_t closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace commtest
