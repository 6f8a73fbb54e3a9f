#pragma once
// The password-protected link on one TCP connection to a controller: it answers the handshake
// (Hello, Proof), opens sealed requests and seals their replies, and turns away plain requests
// when the controller requires encryption. Discovery (UDP) never comes here.
#include <memory>
#include <optional>
#include <string>

#include "platform/secure/Handshake.h"
#include "platform/secure/SealedChannel.h"
#include "platform/wire/Frame.h"
#include "sim/Controller.h"

namespace sim {

class SecureSession {
  public:
    // `source`: the peer's address (without its port), the key of the failure limit.
    SecureSession(Controller& controller, std::string source)
        : controller_(controller), source_(std::move(source)) {}

    struct Step {
        std::optional<wire::Frame> reply;  // answered here: send it as it is
        std::optional<wire::Frame> inner;  // the request for the controller
        bool sealed = false;               // the request came sealed: seal its reply
        bool close = false;                // close the connection once the reply is out
    };
    Step incoming(const wire::Frame& frame);
    // The reply to a request that came sealed.
    wire::Frame seal(const wire::Frame& reply) { return channel_->seal(reply); }
    bool established() const { return channel_ != nullptr; }
    // A hello was answered and its proof has not come yet.
    bool midHandshake() const { return !channel_ && handshake_.awaitingProof(); }

  private:
    wire::Frame hello(const wire::Frame& frame);
    wire::Frame proof(const wire::Frame& frame);

    Controller& controller_;
    std::string source_;
    secure::ControllerHandshake handshake_;
    std::unique_ptr<secure::SealedChannel> channel_;
};

}  // namespace sim
