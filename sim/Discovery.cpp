#include "sim/Discovery.h"

#include <netinet/in.h>
#include <cstring>
#include <sys/socket.h>

#include "platform/wire/FrameCodec.h"
#include "platform/wire/Request.h"

namespace sim {
namespace {

using asio::ip::address_v4;
using asio::ip::udp;

// The listen host as an IPv4 address of its own; unspecified for "any" and for non-IPv4.
address_v4 reachOf(const ControllerConfig& c) {
    asio::error_code ec;
    const auto a = asio::ip::make_address(c.listen.host, ec);
    return ec || !a.is_v4() ? address_v4() : a.to_v4();
}

}  // namespace

bool discoveryReaches(const address_v4& destination, const address_v4& reach,
                      const address_v4& mask) {
    const uint32_t d = destination.to_uint();
    const uint32_t r = reach.to_uint();
    const uint32_t m = mask.is_unspecified() ? 0xFFFFFF00u : mask.to_uint();
    if (r == 0 || d == 0xFFFFFFFFu || d == r || d == (r | ~m)) return true;
    return (r >> 24) == 127 && d == 0x7FFFFFFFu;
}

Discovery::Discovery(asio::io_context& io, std::vector<DiscoverySubject> subjects,
                     DiscoveryFaults faults)
    : io_(io), socket_(io), buffer_(wire::kMaxDatagramSize + 1), faults_(faults),
      random_(faults.seed) {
    for (auto& s : subjects) {
        const ControllerConfig& c = s.controller->config();
        voices_.push_back({s, reachOf(c), address_v4(c.subnetMask), nullptr});
    }
}

bool Discovery::open(const Endpoint& where, std::string& error) {
    asio::error_code ec;
    const auto address = asio::ip::make_address(where.host, ec);
    const udp::endpoint at(address, where.port);
    if (!ec) socket_.open(at.protocol(), ec);
    if (!ec) socket_.set_option(asio::ip::udp::socket::reuse_address(true), ec);
    if (!ec && at.protocol() == udp::v4()) {
        // The destination of each request tells which controllers it reaches.
        const int on = 1;
        if (::setsockopt(socket_.native_handle(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0)
            ec = asio::error_code(errno, asio::system_category());
    }
    if (!ec) socket_.bind(at, ec);
    if (!ec) bound_ = socket_.local_endpoint(ec);
    for (Voice& v : voices_) {
        if (ec || v.reach.is_unspecified()) continue;
        v.from = std::make_unique<udp::socket>(io_);
        v.from->open(udp::v4(), ec);
        if (!ec) v.from->bind(udp::endpoint(v.reach, 0), ec);
    }
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
    for (Voice& v : voices_)
        if (v.from) v.from->close(ignored);
    for (auto& t : delayed_) t.cancel();
}

void Discovery::receive() {
    socket_.async_wait(udp::socket::wait_read, [this](const asio::error_code& ec) {
        if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
        if (!ec) {
            sockaddr_storage from{};
            iovec io{buffer_.data(), buffer_.size()};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
            msghdr msg{};
            msg.msg_name = &from;
            msg.msg_namelen = sizeof from;
            msg.msg_iov = &io;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            const ssize_t n = ::recvmsg(socket_.native_handle(), &msg, MSG_DONTWAIT);
            if (n >= 0 && from.ss_family == AF_INET) {
                const auto* sin = reinterpret_cast<const sockaddr_in*>(&from);
                sender_ = udp::endpoint(address_v4(ntohl(sin->sin_addr.s_addr)), ntohs(sin->sin_port));
                address_v4 destination = bound_.address().is_v4() ? bound_.address().to_v4()
                                                                   : address_v4();
                for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c))
                    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                        in_pktinfo info{};
                        std::memcpy(&info, CMSG_DATA(c), sizeof info);
                        destination = address_v4(ntohl(info.ipi_addr.s_addr));
                    }
                answer(static_cast<std::size_t>(n), destination);
            }
        }
        receive();
    });
}

bool Discovery::lost() {
    if (faults_.lossPercent == 0) return false;
    return std::uniform_int_distribution<uint32_t>(0, 99)(random_) < faults_.lossPercent;
}

void Discovery::send(Voice& voice, std::shared_ptr<std::vector<uint8_t>> bytes, udp::endpoint to) {
    udp::socket& out = voice.from ? *voice.from : socket_;
    const int copies = faults_.duplicate ? 2 : 1;
    for (int i = 0; i < copies; ++i) {
        if (lost()) continue;
        const uint32_t delay =
            faults_.maxDelayMs == 0
                ? 0
                : std::uniform_int_distribution<uint32_t>(0, faults_.maxDelayMs)(random_);
        if (delay == 0) {
            asio::error_code ignored;  // a lost datagram is what UDP does
            out.send_to(asio::buffer(*bytes), to, 0, ignored);
            continue;
        }
        auto timer = delayed_.emplace(delayed_.end(), io_);
        timer->expires_after(std::chrono::milliseconds(delay));
        timer->async_wait([this, &out, bytes, to, timer](const asio::error_code& ec) {
            if (!ec && out.is_open()) {
                asio::error_code ignored;
                out.send_to(asio::buffer(*bytes), to, 0, ignored);
            }
            if (ec != asio::error::operation_aborted) delayed_.erase(timer);
        });
    }
}

void Discovery::answer(std::size_t size, const address_v4& destination) {
    if (size > wire::kMaxDatagramSize) return;
    auto frame = wire::decodeFrame(std::span<const uint8_t>(buffer_.data(), size));
    if (!frame || frame->reply || frame->command != wire::code(wire::Command::Discover)) return;
    auto request = wire::decodeDiscoveryRequest(frame->payload);
    if (!request) return;
    searches_.emplace(sender_.address().to_string() + ":" + std::to_string(sender_.port()),
                      frame->sequence);
    for (Voice& v : voices_) {
        const DiscoverySubject& s = v.subject;
        if (!discoveryReaches(destination, v.reach, v.mask) || !s.present() || lost()) continue;
        const auto identity = s.controller->identity(s.tcpPort());
        if (!request->serialFilter.empty() && request->serialFilter != identity.serialNumber)
            continue;
        auto payload = wire::encodePayload(identity);
        if (!payload) continue;
        auto bytes = wire::encodeFrame(
            wire::makeReplyFrame(*frame, wire::ReplyCode::Ok, 0, std::move(payload).value()));
        if (!bytes) continue;
        send(v, std::make_shared<std::vector<uint8_t>>(std::move(bytes).value()), sender_);
    }
}

}  // namespace sim
