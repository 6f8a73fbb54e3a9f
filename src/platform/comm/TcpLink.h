#pragma once
// A TCP connection to one controller (the gateway to its bus). Frames carry a u16 length.
#include <array>
#include <asio.hpp>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/comm/Link.h"
#include "platform/comm/LinkSecurity.h"
#include "platform/comm/LinkSettings.h"
#include "platform/wire/TcpFraming.h"

namespace comm {

class TcpLink final : public Link {
  public:
    // Uses the connect time-out and the TCP exchange time-out of `settings`.
    // With `security`, every connection starts with the password handshake and every frame
    // on it is sealed; a connection whose handshake fails counts as not opened.
    TcpLink(std::string host, uint16_t port, const LinkSettings& settings,
            std::unique_ptr<LinkSecurity> security = nullptr);
    ~TcpLink() override;

    bool isOpen() const override { return socket_.is_open(); }
    bool open(std::string& why) override;
    void close() override;
    bool send(const wire::Frame& request, std::string& why) override;
    Received receive() override;
    bool sendMore(const wire::Frame& request, std::string& why) override;
    void restartTimeout() override { deadline_ = Clock::now() + exchangeTimeout_; }
    void abort() override;
    std::string name() const override;

    bool carriesSecrets() const override { return security_ != nullptr; }

    // How the last handshake ended; Accepted for a link without a password.
    PasswordCheck passwordCheck() const;

  private:
    bool connect(std::string& why);
    bool sendRaw(const wire::Frame& frame, std::string& why);
    Received receiveRaw();
    bool resolve(Clock::time_point deadline, asio::ip::tcp::resolver::results_type& out,
                 std::string& why);

    std::string host_;
    uint16_t port_;
    std::chrono::milliseconds connectTimeout_;
    std::chrono::milliseconds exchangeTimeout_;
    asio::io_context io_;
    asio::ip::tcp::socket socket_{io_};
    wire::TcpFrameDecoder decoder_;
    Clock::time_point deadline_{};
    std::array<uint8_t, 4096> buffer_{};
    std::atomic<bool> aborted_{false};
    std::unique_ptr<LinkSecurity> security_;
};

}  // namespace comm
