#include "sim/TcpLink.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <asio/write.hpp>

#include "platform/secure/FailureLimiter.h"
#include "sim/Listener.h"

namespace sim {
namespace {

// One source (an IPv4 address, an IPv6 /64) may hold only half of the connections, so that
// a host that takes all it may still leaves room for another.
constexpr std::size_t kMaxSessions = 128;
constexpr std::size_t kMaxSessionsPerSource = 64;
static_assert(kMaxSessionsPerSource < kMaxSessions);
constexpr std::size_t kMaxQueuedReplies = 1 << 20;

// The peer's address without its port, as the limit on failed password proofs counts it.
std::string peerAddress(const asio::ip::tcp::socket& socket) {
    asio::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    return ec ? std::string("unknown") : secure::failureSource(peer.address().to_string());
}

}  // namespace

TcpSession::TcpSession(asio::io_context& io, asio::ip::tcp::socket socket, Controller& controller,
                       Router& router, uint64_t id, SessionLimits limits)
    : io_(io),
      socket_(std::move(socket)),
      controller_(controller),
      router_(router),
      source_(peerAddress(socket_)),
      buffer_(65536),
      secure_(controller, source_),
      quiet_(io),
      id_(id),
      limits_(limits) {}

bool TcpSession::stillOpen() const {
    if (closed_ || !socket_.is_open()) return false;
    // The host that lost its link may come back on a new connection before the old one's
    // end has been read here: look at the socket itself.
    pollfd p{const_cast<asio::ip::tcp::socket&>(socket_).native_handle(), POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return true;
    if ((p.revents & (POLLERR | POLLHUP)) != 0) return false;
    char byte = 0;
    return ::recv(p.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
}

void TcpSession::start() {
    asio::error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    std::weak_ptr<TcpSession> weak = weak_from_this();
    output_ = std::make_shared<PacedOutput>(
        io_,
        [weak](const uint8_t* data, std::size_t size, PacedOutput::Done done) {
            auto self = weak.lock();
            if (!self || self->closed_) return;
            asio::async_write(self->socket_, asio::buffer(data, size),
                              [self, done](const asio::error_code& ec, std::size_t) { done(!ec); });
        },
        [weak] {
            if (auto self = weak.lock()) self->close();
        });
    watch();
    read();
}

void TcpSession::watch() {
    quiet_.expires_after(secure_.midHandshake() ? limits_.handshake : limits_.idle);
    quiet_.async_wait([weak = weak_from_this()](const asio::error_code& ec) {
        if (auto self = weak.lock(); self && !ec) self->close();
    });
}

void TcpSession::readWhenRelieved() {
    if (closed_) return;
    output_->whenBelow(kMaxQueuedReplies / 2, [weak = weak_from_this()] {
        if (auto self = weak.lock(); self && !self->closed_) self->read();
    });
}

void TcpSession::read() {
    socket_.async_read_some(asio::buffer(buffer_),
                            [self = shared_from_this()](const asio::error_code& ec, std::size_t n) {
                                if (ec || self->closed_) {
                                    self->close();
                                    return;
                                }
                                self->received(n);
                            });
}

void TcpSession::received(std::size_t count) {
    bool cut = false;
    count = controller_.faults.admitRequestBytes(count, cut);
    decoder_.feed(std::span<const uint8_t>(buffer_.data(), count));
    if (cut) {
        // The link breaks here: whatever whole frames got through are still answered.
        drain();
        close();
        return;
    }
    if (!drain()) return;
    watch();
    readWhenRelieved();
}

bool TcpSession::drain() {
    while (auto next = decoder_.next()) {
        if (!*next) {
            // A length that cannot be resynchronised ends the connection; any other bad
            // frame is skipped.
            if (decoder_.broken()) {
                close();
                return false;
            }
            continue;
        }
        if (!next->value().reply) answer(next->value());
        if (closed_) return false;
    }
    return true;
}

void TcpSession::answer(const wire::Frame& frame) {
    if (router_.isDown(controller_)) return;
    // On a rate-limited line the request is not all there until it has crossed it.
    const auto arrived = controller_.faults.requestArrival(wire::frameSize(frame) + 2);
    SecureSession::Step step = secure_.incoming(frame);
    if (step.reply) {
        push(*step.reply, arrived);
        if (step.close) closeWhenDrained();
        return;
    }
    Routed routed = router_.routeTcp(controller_, *step.inner, Caller{id_, step.sealed});
    if (routed.outcome.reply)
        push(step.sealed ? secure_.seal(*routed.outcome.reply) : *routed.outcome.reply,
             arrived + routed.outcome.delay);
    if (routed.answerer != nullptr) router_.settle(*routed.answerer, routed.outcome);
}

void TcpSession::push(const wire::Frame& reply, std::chrono::steady_clock::time_point due) {
    auto bytes = wire::encodeTcpFrame(reply);
    if (!bytes) return;
    ReplyPlan plan = controller_.faults.plan(std::move(bytes).value());
    if (!plan.drop)
        output_->pushAt(std::move(plan.bytes), due + plan.delay, plan.rateBps, plan.closeAfter);
}

void TcpSession::closeWhenDrained() {
    if (closed_ || !output_) return;
    output_->whenDrained([weak = weak_from_this()] {
        if (auto self = weak.lock()) self->close();
    });
}

void TcpSession::close() {
    if (closed_) return;
    closed_ = true;
    quiet_.cancel();
    if (output_) output_->stop();
    asio::error_code ignored;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

TcpEndpoint::TcpEndpoint(asio::io_context& io, Controller& controller, Router& router,
                         SessionLimits limits)
    : io_(io),
      controller_(controller),
      router_(router),
      limits_(limits),
      acceptor_(io),
      retry_(io) {
    controller_.transfers.sessionOpen = [this](uint64_t id) {
        for (const auto& w : sessions_)
            if (auto s = w.lock(); s && s->id() == id) return s->stillOpen();
        return false;
    };
}

TcpEndpoint::~TcpEndpoint() { controller_.transfers.sessionOpen = nullptr; }

bool TcpEndpoint::listen(const asio::ip::tcp::endpoint& where, std::string& error) {
    asio::error_code ec;
    acceptor_.open(where.protocol(), ec);
    if (!ec) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(where, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (!ec) bound_ = acceptor_.local_endpoint(ec);
    if (ec) {
        error = "cannot listen on " + where.address().to_string() + ":" +
                std::to_string(where.port()) + ": " + ec.message();
        asio::error_code ignored;
        acceptor_.close(ignored);
        return false;
    }
    accept();
    return true;
}

bool TcpEndpoint::open(const Endpoint& where, std::string& error) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(where.host, ec);
    if (ec) {
        error = "bad listen address " + where.host;
        return false;
    }
    return listen({address, where.port}, error);
}

void TcpEndpoint::accept() {
    keepAccepting(acceptor_, retry_, [this](asio::ip::tcp::socket socket) {
        const std::string source = peerAddress(socket);
        if (openSessions() >= kMaxSessions || sessionsFrom(source) >= kMaxSessionsPerSource) {
            asio::error_code ignored;
            socket.close(ignored);  // one too many: the others are served
            return;
        }
        auto session = std::make_shared<TcpSession>(io_, std::move(socket), controller_, router_,
                                                    nextSession_++, limits_);
        session->start();
        sessions_.push_back(session);
    });
}

std::size_t TcpEndpoint::openSessions() {
    std::erase_if(sessions_, [](const auto& w) {
        auto s = w.lock();
        return !s || !s->stillOpen();
    });
    return sessions_.size();
}

std::size_t TcpEndpoint::sessionsFrom(const std::string& source) const {
    return static_cast<std::size_t>(
        std::count_if(sessions_.begin(), sessions_.end(), [&](const auto& w) {
            auto s = w.lock();
            return s && s->source() == source;
        }));
}

void TcpEndpoint::goDown() {
    asio::error_code ignored;
    retry_.cancel();
    acceptor_.close(ignored);
    for (auto& w : sessions_)
        if (auto s = w.lock()) s->closeWhenDrained();
}

bool TcpEndpoint::reopen(std::string& error) { return listen(bound_, error); }

void TcpEndpoint::close() {
    asio::error_code ignored;
    retry_.cancel();
    acceptor_.close(ignored);
    for (auto& w : sessions_)
        if (auto s = w.lock()) s->close();
    sessions_.clear();
}

}  // namespace sim
