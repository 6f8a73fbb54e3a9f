#include "platform/comm/TcpLink.h"

#include <poll.h>
#include <sys/socket.h>

#include "platform/comm/RunUntil.h"

namespace comm {

using asio::ip::tcp;

TcpLink::TcpLink(std::string host, uint16_t port, const LinkSettings& settings,
                 std::unique_ptr<LinkSecurity> security)
    : host_(std::move(host)),
      port_(port),
      connectTimeout_(settings.tcpConnectTimeout),
      exchangeTimeout_(settings.tcpTimeout),
      security_(std::move(security)) {}

PasswordCheck TcpLink::passwordCheck() const {
    return security_ ? security_->lastCheck() : PasswordCheck::Accepted;
}

TcpLink::~TcpLink() { close(); }

std::string TcpLink::name() const { return "tcp:" + host_ + ":" + std::to_string(port_); }

void TcpLink::close() {
    asio::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    decoder_.reset();
    if (security_) security_->reset();
}

void TcpLink::abort() {
    aborted_ = true;
    // Runs on the worker inside its current (or next) wait and ends it.
    asio::post(io_, [this] {
        asio::error_code ignored;
        socket_.cancel(ignored);
    });
}

bool TcpLink::resolve(Clock::time_point deadline, tcp::resolver::results_type& out,
                      std::string& why) {
    // A numeric address needs no resolver (and no resolver thread).
    asio::error_code error;
    const auto address = asio::ip::make_address(host_, error);
    if (!error) {
        out = tcp::resolver::results_type::create(tcp::endpoint(address, port_), host_,
                                                  std::to_string(port_));
        return true;
    }
    tcp::resolver resolver(io_);
    bool done = false;
    resolver.async_resolve(host_, std::to_string(port_),
                           [&](const asio::error_code& ec, tcp::resolver::results_type r) {
                               error = ec;
                               out = std::move(r);
                               done = true;
                           });
    if (!runUntil(io_, deadline, done, [&] { resolver.cancel(); })) {
        why = "cannot resolve " + host_ + ": timed out";
        return false;
    }
    if (error) {
        why = "cannot resolve " + host_ + ": " + error.message();
        return false;
    }
    return true;
}

bool TcpLink::open(std::string& why) {
    if (!connect(why)) return false;
    if (!security_) return true;
    const auto check = security_->handshake(
        [this](const wire::Frame& f, std::string& w) { return sendRaw(f, w); },
        [this] { return receiveRaw(); }, why);
    if (check == PasswordCheck::Accepted) return true;
    close();
    return false;
}

bool TcpLink::connect(std::string& why) {
    close();
    if (aborted_) {
        why = "link shut down";
        return false;
    }
    const auto deadline = Clock::now() + connectTimeout_;
    tcp::resolver::results_type endpoints;
    if (!resolve(deadline, endpoints, why)) return false;

    asio::error_code error;
    bool done = false;
    asio::async_connect(socket_, endpoints, [&](const asio::error_code& ec, const tcp::endpoint&) {
        error = ec;
        done = true;
    });
    const bool finished = runUntil(io_, deadline, done, [&] {
        asio::error_code ignored;
        socket_.close(ignored);
    });
    if (!finished || error || aborted_) {
        why = "cannot connect to " + host_ + ":" + std::to_string(port_) + ": " +
              (!finished || aborted_ ? std::string("timed out") : error.message());
        close();
        return false;
    }
    socket_.set_option(tcp::no_delay(true), error);
    return true;
}

namespace {

// True when the peer has closed the connection (or it failed) while we were not looking.
bool closedByPeer(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    if ((p.revents & (POLLERR | POLLHUP)) != 0) return true;
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

}  // namespace

bool TcpLink::send(const wire::Frame& request, std::string& why) {
    if (wire::frameSize(request) > wire::kMaxFrameSize) {
        why = "request too large for a frame";
        return false;
    }
    // A controller that went away while the link was idle (a restart, say) has not seen this
    // request yet: connect again rather than fail the exchange.
    if (isOpen() && closedByPeer(socket_.native_handle()) && !open(why)) return false;
    if (!isOpen() || aborted_) {
        why = "link not open";
        return false;
    }
    return sendRaw(security_ ? security_->seal(request) : request, why);
}

bool TcpLink::sendMore(const wire::Frame& request, std::string& why) {
    if (!isOpen() || aborted_) {
        why = "link not open";
        return false;
    }
    return sendRaw(security_ ? security_->seal(request) : request, why);
}

bool TcpLink::sendRaw(const wire::Frame& frame, std::string& why) {
    auto bytes = wire::encodeTcpFrame(frame);
    if (!bytes) {
        why = "request too large for a frame";
        return false;
    }
    if (!isOpen() || aborted_) {
        why = "link not open";
        return false;
    }
    deadline_ = Clock::now() + exchangeTimeout_;
    asio::error_code error;
    bool done = false;
    asio::async_write(socket_, asio::buffer(*bytes), [&](const asio::error_code& ec, std::size_t) {
        error = ec;
        done = true;
    });
    const bool finished = runUntil(io_, deadline_, done, [&] {
        asio::error_code ignored;
        socket_.cancel(ignored);
    });
    if (!finished || error || aborted_) {
        why = "link lost while sending: " +
              (!finished || aborted_ ? std::string("timed out") : error.message());
        close();
        return false;
    }
    return true;
}

Received TcpLink::receive() {
    for (;;) {
        Received received = receiveRaw();
        if (!security_ || received.kind != Received::Kind::Frame) return received;
        if (auto opened = security_->open(received.frame)) {
            received.frame = std::move(*opened);
            return received;
        }
        if (security_->broken()) {
            close();
            return {Received::Kind::Lost, {}};
        }
    }
}

Received TcpLink::receiveRaw() {
    for (;;) {
        while (auto next = decoder_.next()) {
            if (next->ok()) return {Received::Kind::Frame, std::move(*next).value()};
            // A length that cannot be resynchronised: the stream is useless from here on.
            if (decoder_.broken()) {
                close();
                return {Received::Kind::Lost, {}};
            }
        }
        if (!isOpen() || aborted_) return {Received::Kind::Lost, {}};
        asio::error_code error;
        std::size_t count = 0;
        bool done = false;
        socket_.async_read_some(asio::buffer(buffer_),
                                [&](const asio::error_code& ec, std::size_t n) {
                                    error = ec;
                                    count = n;
                                    done = true;
                                });
        const bool finished = runUntil(io_, deadline_, done, [&] {
            asio::error_code ignored;
            socket_.cancel(ignored);
        });
        if (aborted_) return {Received::Kind::Lost, {}};
        if (!finished || error == asio::error::operation_aborted) {
            return {Received::Kind::TimedOut, {}};
        }
        if (error) {
            close();
            return {Received::Kind::Lost, {}};
        }
        decoder_.feed(std::span<const uint8_t>(buffer_.data(), count));
    }
}

}  // namespace comm
