#include "sim/TcpLink.h"

#include <asio/write.hpp>

namespace sim {

TcpSession::TcpSession(asio::io_context& io, asio::ip::tcp::socket socket, Controller& controller,
                       Router& router)
    : io_(io),
      socket_(std::move(socket)),
      controller_(controller),
      router_(router),
      buffer_(65536) {}

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
    read();
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
    read();
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
    Routed routed = router_.routeTcp(controller_, frame);
    if (routed.outcome.reply) {
        auto bytes = wire::encodeTcpFrame(*routed.outcome.reply);
        if (bytes) {
            ReplyPlan plan = controller_.faults.plan(std::move(bytes).value());
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(
                std::max(arrived - std::chrono::steady_clock::now(),
                         std::chrono::steady_clock::duration::zero()));
            if (!plan.drop)
                output_->push(std::move(plan.bytes), plan.delay + routed.outcome.delay + wait,
                              plan.rateBps, plan.closeAfter);
        }
    }
    if (routed.answerer != nullptr) router_.settle(*routed.answerer, routed.outcome);
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
    if (output_) output_->stop();
    asio::error_code ignored;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
}

TcpEndpoint::TcpEndpoint(asio::io_context& io, Controller& controller, Router& router)
    : io_(io), controller_(controller), router_(router), acceptor_(io) {}

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
    acceptor_.async_accept([this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec) return;  // closed (cold start, shutdown)
        auto session = std::make_shared<TcpSession>(io_, std::move(socket), controller_, router_);
        session->start();
        std::erase_if(sessions_, [](const auto& w) { return w.expired(); });
        sessions_.push_back(session);
        accept();
    });
}

void TcpEndpoint::goDown() {
    asio::error_code ignored;
    acceptor_.close(ignored);
    for (auto& w : sessions_)
        if (auto s = w.lock()) s->closeWhenDrained();
}

bool TcpEndpoint::reopen(std::string& error) { return listen(bound_, error); }

void TcpEndpoint::close() {
    asio::error_code ignored;
    acceptor_.close(ignored);
    for (auto& w : sessions_)
        if (auto s = w.lock()) s->close();
    sessions_.clear();
}

}  // namespace sim
