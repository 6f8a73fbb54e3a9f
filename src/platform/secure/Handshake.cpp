#include "platform/secure/Handshake.h"

#include <sodium.h>

namespace secure {
namespace {

constexpr char kGeneratorLabel[] = "krelvan generator v1";
constexpr char kTranscriptLabel[] = "krelvan transcript v1";
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES + 1] = "krelvan1";
enum Subkey : uint64_t { HostToController = 1, ControllerToHost = 2, HostProof = 3, ControllerProof = 4 };

static_assert(wire::kPointSize == crypto_core_ristretto255_BYTES);
static_assert(kKeySize == crypto_kdf_KEYBYTES);

std::vector<uint8_t> concat(std::initializer_list<std::span<const uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (auto p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::span<const uint8_t> label(const char* text) {
    return {reinterpret_cast<const uint8_t*>(text), std::char_traits<char>::length(text)};
}

// The generator both sides derive from the password key and the two nonces.
std::optional<wire::Point> generator(const Key& passwordKey, const wire::Nonce& hostNonce,
                                     const wire::Nonce& controllerNonce) {
    const auto message = concat({label(kGeneratorLabel), hostNonce, controllerNonce});
    uint8_t hash[crypto_core_ristretto255_HASHBYTES];
    crypto_generichash(hash, sizeof hash, message.data(), message.size(), passwordKey.data(),
                       passwordKey.size());
    wire::Point g{};
    crypto_core_ristretto255_from_hash(g.data(), hash);
    wipe(hash, sizeof hash);
    return g;
}

// A fresh secret scalar and its public value scalar·G.
bool ephemeral(const wire::Point& g, Key& scalar, wire::Point& point) {
    crypto_core_ristretto255_scalar_random(scalar.data());
    return crypto_scalarmult_ristretto255(point.data(), scalar.data(), g.data()) == 0;
}

// scalar·peer; false for a value that is not a valid element or gives the identity.
bool shared(const Key& scalar, const wire::Point& peer, Key& out) {
    if (crypto_core_ristretto255_is_valid_point(peer.data()) != 1) return false;
    return crypto_scalarmult_ristretto255(out.data(), scalar.data(), peer.data()) == 0;
}

Key transcriptHash(std::span<const uint8_t> hellos, const wire::Point& hostPoint) {
    const auto message = concat({label(kTranscriptLabel), hellos, hostPoint});
    Key th{};
    crypto_generichash(th.data(), th.size(), message.data(), message.size(), nullptr, 0);
    return th;
}

struct Derived {
    Key hostToController{}, controllerToHost{}, hostProof{}, controllerProof{};
    ~Derived() {
        for (Key* k : {&hostToController, &controllerToHost, &hostProof, &controllerProof})
            wipe(k->data(), k->size());
    }
};

void derive(const Key& sharedKey, const Key& transcript, Derived& d) {
    Key master{};
    crypto_generichash(master.data(), master.size(), transcript.data(), transcript.size(),
                       sharedKey.data(), sharedKey.size());
    crypto_kdf_derive_from_key(d.hostToController.data(), kKeySize, HostToController, kKdfContext,
                               master.data());
    crypto_kdf_derive_from_key(d.controllerToHost.data(), kKeySize, ControllerToHost, kKdfContext,
                               master.data());
    crypto_kdf_derive_from_key(d.hostProof.data(), kKeySize, HostProof, kKdfContext,
                               master.data());
    crypto_kdf_derive_from_key(d.controllerProof.data(), kKeySize, ControllerProof, kKdfContext,
                               master.data());
    wipe(master.data(), master.size());
}

wire::ProofTag proofTag(const Key& proofKey, const Key& transcript) {
    wire::ProofTag tag{};
    crypto_generichash(tag.data(), tag.size(), transcript.data(), transcript.size(),
                       proofKey.data(), proofKey.size());
    return tag;
}

}  // namespace

HostHandshake::HostHandshake() {
    hello_.nonce = randomArray<wire::kNonceSize>();
}

HostHandshake::~HostHandshake() {
    for (Key* k : {&sendKey_, &receiveKey_, &controllerProofKey_}) wipe(k->data(), k->size());
}

std::optional<wire::ProofRequest> HostHandshake::prove(std::string_view password,
                                                       const wire::HelloReply& reply) {
    if (proved_) return std::nullopt;
    auto passwordKeyValue = passwordKey(password, reply.salt, {reply.opsLimit, reply.memLimitKiB});
    if (!passwordKeyValue) return std::nullopt;
    auto g = generator(*passwordKeyValue, hello_.nonce, reply.nonce);
    wipe(passwordKeyValue->data(), passwordKeyValue->size());
    if (!g) return std::nullopt;
    Key scalar{}, sharedKey{};
    wire::ProofRequest proof;
    const bool ok = ephemeral(*g, scalar, proof.point) && shared(scalar, reply.point, sharedKey);
    wipe(scalar.data(), scalar.size());
    if (!ok) return std::nullopt;
    transcript_ = transcriptHash(concat({wire::encodePayload(hello_), wire::encodePayload(reply)}),
                                 proof.point);
    Derived d;
    derive(sharedKey, transcript_, d);
    wipe(sharedKey.data(), sharedKey.size());
    proof.proof = proofTag(d.hostProof, transcript_);
    sendKey_ = d.hostToController;
    receiveKey_ = d.controllerToHost;
    controllerProofKey_ = d.controllerProof;
    proved_ = true;
    return proof;
}

std::optional<SessionKeys> HostHandshake::confirm(const wire::ProofReply& reply) const {
    if (!proved_) return std::nullopt;
    const wire::ProofTag expected = proofTag(controllerProofKey_, transcript_);
    if (!sameBytes(expected.data(), reply.proof.data(), expected.size())) return std::nullopt;
    return SessionKeys{sendKey_, receiveKey_};
}

ControllerHandshake::~ControllerHandshake() { wipe(scalar_.data(), scalar_.size()); }

std::optional<wire::HelloReply> ControllerHandshake::answer(const Verifier& verifier,
                                                            const wire::HelloRequest& hello) {
    pending_ = false;
    wire::HelloReply reply;
    reply.nonce = randomArray<wire::kNonceSize>();
    reply.salt = verifier.salt;
    reply.opsLimit = verifier.cost.opsLimit;
    reply.memLimitKiB = verifier.cost.memLimitKiB;
    auto g = generator(verifier.key, hello.nonce, reply.nonce);
    if (!g || !ephemeral(*g, scalar_, reply.point)) return std::nullopt;
    helloBytes_ = concat({wire::encodePayload(hello), wire::encodePayload(reply)});
    pending_ = true;
    return reply;
}

std::optional<ControllerHandshake::Accepted> ControllerHandshake::check(
    const wire::ProofRequest& proof) {
    if (!pending_) return std::nullopt;
    pending_ = false;  // one proof per hello
    Key sharedKey{};
    const bool ok = shared(scalar_, proof.point, sharedKey);
    wipe(scalar_.data(), scalar_.size());
    if (!ok) return std::nullopt;
    const Key transcript = transcriptHash(helloBytes_, proof.point);
    Derived d;
    derive(sharedKey, transcript, d);
    wipe(sharedKey.data(), sharedKey.size());
    const wire::ProofTag expected = proofTag(d.hostProof, transcript);
    if (!sameBytes(expected.data(), proof.proof.data(), expected.size())) return std::nullopt;
    Accepted accepted;
    accepted.keys = {d.controllerToHost, d.hostToController};
    accepted.reply.proof = proofTag(d.controllerProof, transcript);
    return accepted;
}

}  // namespace secure
