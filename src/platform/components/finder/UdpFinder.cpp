#include "platform/components/finder/UdpFinder.h"

#include <algorithm>
#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>
#include <asio/steady_timer.hpp>
#include <map>
#include <random>
#include <system_error>

#include "platform/kvxglib/RealLibrary.h"
#include "platform/wire/Command.h"
#include "platform/wire/FrameCodec.h"

namespace components {
namespace {

using asio::ip::udp;
using Clock = std::chrono::steady_clock;

// Sends the request to every target in rounds and collects what answers until the wait ends
// (or, with a serial filter, until that controller answered).
class Round {
  public:
    Round(const DiscoverySettings& settings, std::vector<wire::Ipv4> targets, std::string filter)
        : settings_(settings), targets_(std::move(targets)), filter_(std::move(filter)),
          socket_(io_), timer_(io_), buffer_(wire::kMaxDatagramSize + 1) {}

    std::map<std::string, Sighting> run() {
        asio::error_code ec;
        socket_.open(udp::v4(), ec);
        if (!ec) socket_.set_option(asio::socket_base::broadcast(true), ec);
        if (!ec) socket_.bind(udp::endpoint(udp::v4(), 0), ec);
        if (ec) {
            problem_ = "the discovery socket cannot be opened: " + ec.message();
            return {};
        }
        wire::Frame request;
        request.address = wire::kDirectAddress;
        request.command = wire::code(wire::Command::Discover);
        request.sequence = static_cast<uint16_t>(std::random_device{}());
        sequence_ = request.sequence;
        auto payload = wire::encodePayload(wire::DiscoveryRequest{filter_});
        if (!payload) return {};
        request.payload = std::move(payload).value();
        auto bytes = wire::encodeFrame(request);
        if (!bytes) return {};
        datagram_ = std::move(bytes).value();
        start_ = Clock::now();
        receive();
        send(0);
        if (!problem_.empty()) return {};
        io_.run_until(start_ + settings_.wait);
        return std::move(heard_);
    }

    // Why nothing could be searched; empty when the request went out.
    const std::string& problem() const { return problem_; }

  private:
    void send(int round) {
        asio::error_code last;
        std::size_t sent = 0;
        for (const auto& t : targets_) {
            const udp::endpoint to(asio::ip::address_v4(t), settings_.port);
            asio::error_code ec;  // one unreachable target simply does not answer
            socket_.send_to(asio::buffer(datagram_), to, 0, ec);
            if (ec) last = ec;
            else ++sent;
        }
        // Not one request left: the search heard nothing because it asked nobody.
        if (round == 0 && sent == 0 && last) {
            problem_ = "the search request cannot be sent: " + last.message();
            return;
        }
        if (round + 1 >= settings_.rounds) return;
        // Rounds over the first half of the wait, so the last one's replies still come in.
        timer_.expires_at(start_ + settings_.wait * (round + 1) / (2 * settings_.rounds));
        timer_.async_wait([this, round](const asio::error_code& ec) {
            if (!ec) send(round + 1);
        });
    }

    void receive() {
        socket_.async_receive_from(asio::buffer(buffer_), sender_,
                                   [this](const asio::error_code& ec, std::size_t n) {
                                       if (ec) return;
                                       take(n);
                                       if (done_) io_.stop();
                                       else receive();
                                   });
    }

    void take(std::size_t n) {
        if (n > wire::kMaxDatagramSize) return;
        auto frame = wire::decodeFrame(std::span<const uint8_t>(buffer_.data(), n));
        if (!frame || !frame->reply || frame->sequence != sequence_ || frame->code1 != 0 ||
            frame->command != wire::code(wire::Command::Discover))
            return;
        auto reply = wire::decodeDiscoveryReply(frame->payload);
        if (!reply || reply->serialNumber.empty()) return;
        if (!filter_.empty() && reply->serialNumber != filter_) return;
        const std::string serial = reply->serialNumber;
        heard_.try_emplace(serial, Sighting{std::move(reply).value(), sender_.address().to_string()});
        if (!filter_.empty()) done_ = true;
    }

    const DiscoverySettings& settings_;
    std::vector<wire::Ipv4> targets_;
    std::string filter_;
    asio::io_context io_;
    udp::socket socket_;
    asio::steady_timer timer_;
    std::vector<uint8_t> buffer_;
    udp::endpoint sender_;
    std::vector<uint8_t> datagram_;
    uint16_t sequence_ = 0;
    Clock::time_point start_;
    std::map<std::string, Sighting> heard_;
    bool done_ = false;
    std::string problem_;
};

}  // namespace

void UdpFinder::Search() {
    std::map<std::string, Sighting> heard;
    std::string problem;
    if (hearing_ != nullptr && hearing_->given) {
        for (const Sighting& s : *hearing_->given)
            if (appliedFilter().empty() || s.reply.serialNumber == appliedFilter())
                heard.try_emplace(s.reply.serialNumber, s);
    } else {
        std::vector<wire::Ipv4> targets;
        for (const auto& c : criteria()) targets.push_back(c.address);
        if (targets.empty()) targets.push_back(settings_.target);
        try {
            Round round(settings_, std::move(targets), appliedFilter());
            heard = round.run();
            problem = round.problem();
        } catch (const std::system_error& error) {
            // Out of descriptors or sockets the search cannot even start: that is its result,
            // not "nobody answered".
            problem = "the discovery socket cannot be opened: " + error.code().message();
        }
        if (hearing_ != nullptr)
            for (const auto& [serial, h] : heard) hearing_->heard.insert_or_assign(serial, h);
    }
    // In serial-number order: the same network lists the same way every time.
    std::vector<std::unique_ptr<FoundController>> found;
    for (auto& [serial, h] : heard)
        found.push_back(std::make_unique<LinkedController>(library_, links_, std::move(h.reply),
                                                           h.host, password(), upgrades_));
    setResult(std::move(found), problem);
}

std::unique_ptr<ControllerFinder> UdpFinderFactory::CreateFinder() {
    auto settings = readDiscoverySettings([this](const char* key) -> std::string {
        return library_.ReadSetting("Kvxmatic.Ini", "Link", key, "");
    });
    return std::make_unique<UdpFinder>(library_, links_, settings, &upgrades, &hearing_);
}

std::vector<Sighting> UdpFinderFactory::heard() const {
    std::vector<Sighting> out;
    for (const auto& [serial, s] : hearing_.heard) out.push_back(s);
    return out;
}

}  // namespace components
