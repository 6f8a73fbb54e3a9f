#pragma once
// The password handshake, version 2: CPace on ristretto255 with SHA-512 (Cpace.h), with
// explicit key confirmation.
//
//   host → controller   Hello   version 2, host nonce Nh
//   controller → host   Hello   controller nonce Nc, salt and cost of its verifier, its serial
//                               number, Yb = yb·g
//   host → controller   Proof   Ya = ya·g, host tag
//   controller → host   Proof   controller tag (only when the host's tag was right)
//
// The password-related string is W, the Argon2id key of the password; the channel identifier
// the controller's serial number (the host takes the one it chose, so that a relay to another
// controller with the same password fails); sid = Nh ‖ Nc. The host is A with ADa its hello,
// the controller B with ADb its hello up to Yb. The session keys and both tags come from the
// ISK. The host proves first, so a caller who does not know the password learns nothing it
// could test guesses against offline.
#include <optional>
#include <string>
#include <string_view>

#include "platform/secure/Cpace.h"
#include "platform/secure/Sodium.h"
#include "platform/secure/Verifier.h"
#include "platform/wire/SecurePayloads.h"

namespace secure {

// The two sealing keys, from the holder's point of view.
struct SessionKeys {
    Key send{};
    Key receive{};
};

// One handshake of the host. Each object runs once.
class HostHandshake {
  public:
    // `serial`: the controller the host means to reach; empty takes the serial number the
    // controller names in its hello (a host that knows only an address).
    explicit HostHandshake(std::string serial = {});
    ~HostHandshake();
    HostHandshake(const HostHandshake&) = delete;
    HostHandshake& operator=(const HostHandshake&) = delete;

    const wire::HelloRequest& hello() const { return hello_; }
    // The proof for the controller's hello; nothing when the hello is unusable (a cost out of
    // bounds, a value that is not a valid group element, another controller's serial number)
    // or the hash fails.
    std::optional<wire::ProofRequest> prove(std::string_view password, const wire::HelloReply& reply);
    // The session keys when the controller's tag is right; nothing for an impostor.
    std::optional<SessionKeys> confirm(const wire::ProofReply& reply) const;

  private:
    std::string serial_;
    wire::HelloRequest hello_;
    bool proved_ = false;
    Key sendKey_{}, receiveKey_{};
    wire::ProofTag expected_{};
};

// The controller's side of one handshake on one connection.
class ControllerHandshake {
  public:
    ControllerHandshake() = default;
    ~ControllerHandshake();
    ControllerHandshake(const ControllerHandshake&) = delete;
    ControllerHandshake& operator=(const ControllerHandshake&) = delete;

    // Answers a hello for the controller with serial number `serial` and waits for its proof
    // (a later hello replaces it).
    std::optional<wire::HelloReply> answer(const Verifier& verifier, const std::string& serial,
                                           const wire::HelloRequest& hello);
    bool awaitingProof() const { return pending_; }

    struct Accepted {
        SessionKeys keys;
        wire::ProofReply reply;
    };
    // Checks the host's proof against the hello answered last; one proof per hello, right or
    // wrong. Nothing when no hello waits or the proof is wrong.
    std::optional<Accepted> check(const wire::ProofRequest& proof);

  private:
    bool pending_ = false;
    std::vector<uint8_t> sid_, adA_, adB_;
    cpace::Element yb_{};
    cpace::Scalar scalar_{};
};

}  // namespace secure
