#include "platform/wire/SecurePayloads.h"

#include <algorithm>
#include <optional>

#include "platform/wire/Bytes.h"

namespace wire {
namespace {

constexpr std::size_t kHelloRequestSize = 1 + kNonceSize;
constexpr std::size_t kHelloReplyFixedSize = kNonceSize + kSaltSize + 4 + 4 + 1 + kPointSize;
constexpr std::size_t kMaxSerialSize = 255;
constexpr std::size_t kProofRequestSize = kPointSize + kProofSize;
constexpr std::size_t kProofReplySize = kProofSize;

template <std::size_t N>
void put(ByteWriter& w, const std::array<uint8_t, N>& a) {
    w.bytes(a);
}

template <std::size_t N>
void take(ByteReader& r, std::array<uint8_t, N>& a) {
    auto b = r.bytes(N);
    if (b.size() == N) std::copy(b.begin(), b.end(), a.begin());
}

// Truncated or WrongLength unless `payload` is exactly `size` bytes.
std::optional<Error> exactly(std::span<const uint8_t> payload, std::size_t size) {
    if (payload.size() < size) return Error::Truncated;
    if (payload.size() > size) return Error::WrongLength;
    return std::nullopt;
}

}  // namespace

std::vector<uint8_t> encodePayload(const HelloRequest& hello) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.u8(hello.version);
    put(w, hello.nonce);
    return out;
}

std::vector<uint8_t> encodePayload(const HelloReply& hello) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    put(w, hello.nonce);
    put(w, hello.salt);
    w.u32(hello.opsLimit);
    w.u32(hello.memLimitKiB);
    // A controller's serial number is short; answer() refuses to send a longer one.
    const std::size_t serial = std::min(hello.serialNumber.size(), kMaxSerialSize);
    w.u8(static_cast<uint8_t>(serial));
    w.text(hello.serialNumber.substr(0, serial));
    put(w, hello.point);
    return out;
}

std::vector<uint8_t> encodePayload(const ProofRequest& proof) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    put(w, proof.point);
    put(w, proof.proof);
    return out;
}

std::vector<uint8_t> encodePayload(const ProofReply& proof) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    put(w, proof.proof);
    return out;
}

std::vector<uint8_t> encodePayload(const SealedPayload& sealed) {
    std::vector<uint8_t> out;
    out.reserve(kSealCounterSize + sealed.box.size());
    ByteWriter w(out);
    w.u32(static_cast<uint32_t>(sealed.counter));
    w.u32(static_cast<uint32_t>(sealed.counter >> 32));
    w.bytes(sealed.box);
    return out;
}

Result<HelloRequest> decodeHelloRequest(std::span<const uint8_t> payload) {
    if (auto e = exactly(payload, kHelloRequestSize)) return *e;
    ByteReader r(payload);
    HelloRequest h;
    h.version = r.u8();
    if (h.version != kHandshakeVersion) return Error::BadValue;
    take(r, h.nonce);
    return h;
}

Result<HelloReply> decodeHelloReply(std::span<const uint8_t> payload) {
    if (payload.size() < kHelloReplyFixedSize) return Error::Truncated;
    ByteReader r(payload);
    HelloReply h;
    take(r, h.nonce);
    take(r, h.salt);
    h.opsLimit = r.u32();
    h.memLimitKiB = r.u32();
    h.serialNumber = r.text(r.u8());
    take(r, h.point);
    if (r.failed()) return Error::Truncated;
    if (!r.atEnd()) return Error::WrongLength;
    return h;
}

Result<ProofRequest> decodeProofRequest(std::span<const uint8_t> payload) {
    if (auto e = exactly(payload, kProofRequestSize)) return *e;
    ByteReader r(payload);
    ProofRequest p;
    take(r, p.point);
    take(r, p.proof);
    return p;
}

Result<ProofReply> decodeProofReply(std::span<const uint8_t> payload) {
    if (auto e = exactly(payload, kProofReplySize)) return *e;
    ByteReader r(payload);
    ProofReply p;
    take(r, p.proof);
    return p;
}

Result<SealedPayload> decodeSealedPayload(std::span<const uint8_t> payload) {
    if (payload.size() < kSealCounterSize + kSealTagSize) return Error::Truncated;
    if (payload.size() > kSealCounterSize + kMaxFrameSize + kSealTagSize)
        return Error::Oversized;
    ByteReader r(payload);
    SealedPayload s;
    const uint64_t low = r.u32();
    const uint64_t high = r.u32();
    s.counter = low | (high << 32);
    auto rest = r.rest();
    s.box.assign(rest.begin(), rest.end());
    return s;
}

}  // namespace wire
