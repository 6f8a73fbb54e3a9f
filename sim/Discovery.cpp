#include "sim/Discovery.h"

#include "platform/wire/FrameCodec.h"
#include "platform/wire/Request.h"

namespace sim {

Discovery::Discovery(asio::io_context& io, std::vector<DiscoverySubject> subjects)
    : socket_(io), buffer_(wire::kMaxDatagramSize + 1), subjects_(std::move(subjects)) {}

bool Discovery::open(const Endpoint& where, std::string& error) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(where.host, ec);
    const asio::ip::udp::endpoint at(address, where.port);
    if (!ec) socket_.open(at.protocol(), ec);
    if (!ec) socket_.set_option(asio::ip::udp::socket::reuse_address(true), ec);
    if (!ec) socket_.bind(at, ec);
    if (!ec) bound_ = socket_.local_endpoint(ec);
    if (ec) {
        error = "cannot open discovery on " + where.host + ":" + std::to_string(where.port) + ": " +
                ec.message();
        return false;
    }
    receive();
    return true;
}

void Discovery::close() {
    asio::error_code ignored;
    if (socket_.is_open()) socket_.close(ignored);
}

void Discovery::receive() {
    socket_.async_receive_from(asio::buffer(buffer_), sender_,
                               [this](const asio::error_code& ec, std::size_t n) {
                                   if (ec == asio::error::operation_aborted || !socket_.is_open())
                                       return;
                                   if (!ec) answer(n);
                                   receive();
                               });
}

void Discovery::answer(std::size_t size) {
    if (size > wire::kMaxDatagramSize) return;
    auto frame = wire::decodeFrame(std::span<const uint8_t>(buffer_.data(), size));
    if (!frame || frame->reply || frame->command != wire::code(wire::Command::Discover)) return;
    auto request = wire::decodeDiscoveryRequest(frame->payload);
    if (!request) return;
    for (const DiscoverySubject& s : subjects_) {
        if (!s.present()) continue;
        const auto identity = s.controller->identity(s.tcpPort());
        if (!request->serialFilter.empty() && request->serialFilter != identity.serialNumber)
            continue;
        auto payload = wire::encodePayload(identity);
        if (!payload) continue;
        auto bytes = wire::encodeFrame(
            wire::makeReplyFrame(*frame, wire::ReplyCode::Ok, 0, std::move(payload).value()));
        if (!bytes) continue;
        asio::error_code ignored;  // a lost datagram is what UDP does
        socket_.send_to(asio::buffer(*bytes), sender_, 0, ignored);
    }
}

}  // namespace sim
