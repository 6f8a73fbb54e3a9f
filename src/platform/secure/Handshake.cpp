#include "platform/secure/Handshake.h"

#include <sodium.h>

namespace secure {
namespace {

constexpr char kMacLabel[] = "CPaceMac";
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES + 1] = "krelvan2";
enum Subkey : uint64_t { HostToController = 1, ControllerToHost = 2 };

static_assert(wire::kPointSize == cpace::kElementSize);
static_assert(kKeySize == crypto_kdf_KEYBYTES);
static_assert(wire::kProofSize <= crypto_auth_hmacsha512_BYTES);

std::vector<uint8_t> concat(std::initializer_list<std::span<const uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (auto p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::span<const uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// ADb: the controller's hello as it travels, up to its share (the last field).
std::vector<uint8_t> controllerData(const wire::HelloReply& reply) {
    auto payload = wire::encodePayload(reply);
    payload.resize(payload.size() - wire::kPointSize);
    return payload;
}

// What both sides take from the ISK: a tag key per the key-confirmation recommendation
// (SHA-512("CPaceMac" ‖ sid ‖ ISK)) and one sealing key per direction.
struct Derived {
    std::array<uint8_t, crypto_hash_sha512_BYTES> macKey{};
    Key hostToController{}, controllerToHost{};
    ~Derived() {
        wipe(macKey.data(), macKey.size());
        wipe(hostToController.data(), kKeySize);
        wipe(controllerToHost.data(), kKeySize);
    }
};

void derive(const cpace::Isk& isk, std::span<const uint8_t> sid, Derived& d) {
    auto message = concat({bytesOf(kMacLabel), sid, isk});
    crypto_hash_sha512(d.macKey.data(), message.data(), message.size());
    wipe(message.data(), message.size());
    Key master{};
    crypto_generichash(master.data(), master.size(), nullptr, 0, isk.data(), isk.size());
    crypto_kdf_derive_from_key(d.hostToController.data(), kKeySize, HostToController, kKdfContext,
                               master.data());
    crypto_kdf_derive_from_key(d.controllerToHost.data(), kKeySize, ControllerToHost, kKdfContext,
                               master.data());
    wipe(master.data(), master.size());
}

// A party's tag: HMAC-SHA-512 over lv_cat(its share, its associated data), cut to 32 bytes.
wire::ProofTag tag(const Derived& d, const cpace::Element& share, std::span<const uint8_t> ad) {
    const auto message = cpace::lvCat({share, ad});
    uint8_t mac[crypto_auth_hmacsha512_BYTES];
    crypto_auth_hmacsha512_state state;
    crypto_auth_hmacsha512_init(&state, d.macKey.data(), d.macKey.size());
    crypto_auth_hmacsha512_update(&state, message.data(), message.size());
    crypto_auth_hmacsha512_final(&state, mac);
    wire::ProofTag t{};
    std::copy(mac, mac + t.size(), t.begin());
    wipe(&state, sizeof state);
    return t;
}

std::vector<uint8_t> sessionId(const wire::Nonce& host, const wire::Nonce& controller) {
    return concat({host, controller});
}

}  // namespace

HostHandshake::HostHandshake(std::string serial) : serial_(std::move(serial)) {
    hello_.nonce = randomArray<wire::kNonceSize>();
}

HostHandshake::~HostHandshake() {
    wipe(sendKey_.data(), kKeySize);
    wipe(receiveKey_.data(), kKeySize);
    wipe(expected_.data(), expected_.size());
}

std::optional<wire::ProofRequest> HostHandshake::prove(std::string_view password,
                                                       const wire::HelloReply& reply) {
    if (proved_) return std::nullopt;
    // Another controller than the one chosen: no proof for it to test a guess against.
    if (!serial_.empty() && reply.serialNumber != serial_) return std::nullopt;
    auto w = passwordKey(password, reply.salt, {reply.opsLimit, reply.memLimitKiB});
    if (!w) return std::nullopt;
    const auto sid = sessionId(hello_.nonce, reply.nonce);
    const cpace::Element g = cpace::calculateGenerator(*w, bytesOf(reply.serialNumber), sid);
    wipe(w->data(), w->size());
    cpace::Scalar ya = cpace::sampleScalar();
    auto share = cpace::scalarMult(ya, g);
    auto k = cpace::scalarMultVfy(ya, reply.point);
    wipe(ya.data(), ya.size());
    if (!share || !k) return std::nullopt;
    const auto adA = wire::encodePayload(hello_);
    const auto adB = controllerData(reply);
    cpace::Isk isk = cpace::intermediateSessionKey(sid, *k, *share, adA, reply.point, adB);
    wipe(k->data(), k->size());
    Derived d;
    derive(isk, sid, d);
    wipe(isk.data(), isk.size());
    wire::ProofRequest proof;
    proof.point = *share;
    proof.proof = tag(d, *share, adA);
    expected_ = tag(d, reply.point, adB);
    sendKey_ = d.hostToController;
    receiveKey_ = d.controllerToHost;
    proved_ = true;
    return proof;
}

std::optional<SessionKeys> HostHandshake::confirm(const wire::ProofReply& reply) const {
    if (!proved_) return std::nullopt;
    if (!sameBytes(expected_.data(), reply.proof.data(), expected_.size())) return std::nullopt;
    return SessionKeys{sendKey_, receiveKey_};
}

ControllerHandshake::~ControllerHandshake() { wipe(scalar_.data(), scalar_.size()); }

std::optional<wire::HelloReply> ControllerHandshake::answer(const Verifier& verifier,
                                                            const std::string& serial,
                                                            const wire::HelloRequest& hello) {
    pending_ = false;
    if (serial.size() > 255) return std::nullopt;  // it would not fit its field
    wire::HelloReply reply;
    reply.nonce = randomArray<wire::kNonceSize>();
    reply.salt = verifier.salt;
    reply.opsLimit = verifier.cost.opsLimit;
    reply.memLimitKiB = verifier.cost.memLimitKiB;
    reply.serialNumber = serial;
    sid_ = sessionId(hello.nonce, reply.nonce);
    const cpace::Element g = cpace::calculateGenerator(verifier.key, bytesOf(serial), sid_);
    scalar_ = cpace::sampleScalar();
    auto share = cpace::scalarMult(scalar_, g);
    if (!share) return std::nullopt;
    reply.point = yb_ = *share;
    adA_ = wire::encodePayload(hello);
    adB_ = controllerData(reply);
    pending_ = true;
    return reply;
}

std::optional<ControllerHandshake::Accepted> ControllerHandshake::check(
    const wire::ProofRequest& proof) {
    if (!pending_) return std::nullopt;
    pending_ = false;  // one proof per hello
    auto k = cpace::scalarMultVfy(scalar_, proof.point);
    wipe(scalar_.data(), scalar_.size());
    if (!k) return std::nullopt;
    cpace::Isk isk = cpace::intermediateSessionKey(sid_, *k, proof.point, adA_, yb_, adB_);
    wipe(k->data(), k->size());
    Derived d;
    derive(isk, sid_, d);
    wipe(isk.data(), isk.size());
    const wire::ProofTag expected = tag(d, proof.point, adA_);
    if (!sameBytes(expected.data(), proof.proof.data(), expected.size())) return std::nullopt;
    Accepted accepted;
    accepted.keys = {d.controllerToHost, d.hostToController};
    accepted.reply.proof = tag(d, yb_, adB_);
    return accepted;
}

}  // namespace secure
