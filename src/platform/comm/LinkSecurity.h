#pragma once
// The host's side of the password-protected link: it runs the handshake on every fresh
// connection with the password it holds (in memory only) and then seals every request and
// opens every reply. A TCP link that has one never lets a frame travel in clear after the
// handshake.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/comm/Link.h"
#include "platform/comm/PasswordCheck.h"
#include "platform/secure/SealedChannel.h"
#include "platform/secure/Sodium.h"

namespace comm {

class LinkSecurity {
  public:
    using SendRaw = std::function<bool(const wire::Frame&, std::string&)>;
    using ReceiveRaw = std::function<Received()>;

    // `serial`: the controller the link is for, bound into the handshake so that a relay to
    // another controller with the same password fails; empty when only its address is known.
    explicit LinkSecurity(std::string password, std::string serial = {})
        : password_(secure::takeSecret(password)), serial_(std::move(serial)) {}

    // The handshake on a connection just made; `why` says what failed.
    PasswordCheck handshake(const SendRaw& send, const ReceiveRaw& receive, std::string& why);
    PasswordCheck lastCheck() const { return lastCheck_; }
    bool established() const { return channel_ != nullptr; }
    // The connection is gone: the next one needs a handshake of its own.
    void reset() { channel_.reset(); }

    // The sealed frame carrying `request`.
    wire::Frame seal(const wire::Frame& request);
    // What the caller of receive() sees of a frame from the line: the opened reply; a refusal
    // in clear of the sealed request, turned into a reply to the request itself; or nothing
    // (a frame that does not open, a replay, anything in clear not meant for us).
    std::optional<wire::Frame> open(const wire::Frame& frame);

  private:
    std::optional<wire::Frame> exchange(const wire::Frame& request, const SendRaw& send,
                                        const ReceiveRaw& receive, std::string& why);

    secure::Secret password_;
    std::string serial_;
    PasswordCheck lastCheck_ = PasswordCheck::Unreachable;
    std::unique_ptr<secure::SealedChannel> channel_;
    // The request sealed last, to match a refusal in clear.
    wire::Address lastAddress_;
    uint8_t lastCommand_ = 0;
    uint16_t lastSequence_ = 0;
};

}  // namespace comm
