#pragma once
// The password handshake: a balanced password-authenticated key exchange on ristretto255.
//
//   host → controller   Hello   host nonce Nh
//   controller → host   Hello   controller nonce Nc, salt and cost of its verifier, Yb = yb·G
//   host → controller   Proof   Ya = ya·G, host proof
//   controller → host   Proof   controller proof (only when the host's proof was right)
//
// G is a group element hashed from the password key (Argon2id of the password) and both
// nonces, so only someone who knows the password key can produce or use a matching Ya or Yb.
// K = ya·Yb = yb·Ya. Everything is bound to the transcript hash TH (both hellos and Ya); from
// BLAKE2b(key K, TH) come one sealing key per direction and one proof key per side, and each
// proof is BLAKE2b(proof key, TH). The host proves first, so a caller who does not know the
// password learns nothing it could test guesses against offline.
#include <optional>
#include <string_view>

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
    HostHandshake();
    ~HostHandshake();
    HostHandshake(const HostHandshake&) = delete;
    HostHandshake& operator=(const HostHandshake&) = delete;

    const wire::HelloRequest& hello() const { return hello_; }
    // The proof for the controller's hello; nothing when the hello is unusable (a cost out of
    // bounds, a value that is not a valid group element) or the hash fails.
    std::optional<wire::ProofRequest> prove(std::string_view password, const wire::HelloReply& reply);
    // The session keys when the controller's proof is right; nothing for an impostor.
    std::optional<SessionKeys> confirm(const wire::ProofReply& reply) const;

  private:
    wire::HelloRequest hello_;
    bool proved_ = false;
    Key sendKey_{}, receiveKey_{}, controllerProofKey_{};
    Key transcript_{};
};

// The controller's side of one handshake on one connection.
class ControllerHandshake {
  public:
    ControllerHandshake() = default;
    ~ControllerHandshake();
    ControllerHandshake(const ControllerHandshake&) = delete;
    ControllerHandshake& operator=(const ControllerHandshake&) = delete;

    // Answers a hello and waits for its proof (a later hello replaces it). Nothing only when
    // hashing to the group fails, which it does not for a sound verifier.
    std::optional<wire::HelloReply> answer(const Verifier& verifier, const wire::HelloRequest& hello);
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
    std::vector<uint8_t> helloBytes_;  // host hello and own reply, for the transcript
    Key scalar_{};
};

}  // namespace secure
